// KVVersion: the version information of a program, four version numbers and the descriptive
// strings. Loaded from a project's version.xml, stamped into the built executable as its
// version resource, and read back from an existing executable (the About box reads the IDE's
// own). Strings are UTF-8.
#pragma once

#include <string>

#include "build/VersionBlock.h"

class KVVersion {
public:
  KVVersion() { SetDefaults(); }
  virtual ~KVVersion() = default;

  void SetDefaults();

  // Never fails: a file that cannot be read or parsed gives the defaults.
  bool Load(const std::string& versionXmlPath);

  // The version resource of an existing executable; false, leaving this unchanged, when it
  // has none or it cannot be read.
  bool ReadFromFile(const std::string& executablePath);

  // Writes the version resource (type 16, id 1, language 1033) into the executable.
  bool StampResource(const std::string& executablePath) const;

  // The block StampResource writes; false when it would not fit the 16-bit length fields.
  bool BuildBlock(std::string& block) const;

  const std::string& GetLegalCopyright() const { return legalCopyright; }

  kvversion::VersionNumbers fileVersion{};     // release, major, minor, build
  kvversion::VersionNumbers productVersion{};  // equal to fileVersion after Load
  std::string companyName;
  std::string description;
  std::string fileVersionText;
  std::string legalCopyright;
  std::string originalFilename;
  std::string productName;
  std::string productVersionText;

  // "%d.%d.%d.%d"
  static std::string FormatVersion(const kvversion::VersionNumbers& version);
};
