#include "resedit/VersionForm.h"

#include "platform/AtomicFile.h"
#include "platform/Platform.h"
#include "project/XML.h"

namespace kvversionform {

const std::array<const char*, kFieldCount> kXPaths = {
    "//Version/FixedFileVersion/Release", "//Version/FixedFileVersion/Major", "//Version/FixedFileVersion/Minor",
    "//Version/FixedFileVersion/Build",   "//Version/CompanyName",            "//Version/Description",
    "//Version/ProductName",              "//Version/Copyright",              "//Version/OriginalFilename"};

const std::array<const char*, kFieldCount> kElements = {"Release",     "Major",       "Minor",
                                                        "Build",       "CompanyName", "Description",
                                                        "ProductName", "Copyright",   "OriginalFilename"};

bool Load(const std::string& path, Values& values) {
  values = {};
  // KVXML::Load takes text as well as a path: a missing file must not be read as XML text.
  if (!kvplatform::PathExists(path)) return false;
  KVXML file;
  if (!file.Load(path)) return false;
  for (int i = 0; i < kFieldCount; ++i) values[i] = file.GetString(kXPaths[i]);
  return true;
}

std::string XmlText(const Values& values) {
  // Declared UTF-8, so that the library writes non-ASCII text as it is rather than as
  // character references.
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  text += KVXML::ElementText("Version", nullptr) + KVXML::ElementText("FixedFileVersion", nullptr);
  for (int i = 0; i < kNumberCount; ++i) text += KVXML::ElementText(kElements[i], values[i]);
  text += KVXML::ElementText("/FixedFileVersion", nullptr);
  for (int i = kNumberCount; i < kFieldCount; ++i) text += KVXML::ElementText(kElements[i], values[i]);
  return text + KVXML::ElementText("/Version", nullptr);
}

bool Save(const std::string& path, const Values& values, std::string* why) {
  KVXML document;
  if (!document.Load(XmlText(values))) {
    if (why) *why = "the values do not make a well-formed document";
    return false;
  }
  // The document is written beside the file and then takes its place, so a failed write
  // leaves the old version information.
  kvplatform::FileError error;
  const std::string temporary = kvplatform::CreateTemporaryBeside(path, &error);
  if (temporary.empty()) {
    if (why) *why = error.reason;
    return false;
  }
  if (!document.Save(temporary)) {
    kvplatform::DeleteFileAt(temporary);
    if (why) *why = "the file could not be written";
    return false;
  }
  if (!kvplatform::ReplaceWithTemporary(temporary, path, &error)) {
    if (why) *why = error.reason;
    return false;
  }
  return true;
}

}  // namespace kvversionform
