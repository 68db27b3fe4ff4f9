#include "build/Bundle.h"

#include "build/Icns.h"
#include "build/Version.h"
#include "platform/Platform.h"
#include "project/FileUtil.h"
#include "project/Project.h"
#include "project/XML.h"

namespace {

constexpr char kPlistHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">";

// The same folder whether it was made now or by an earlier build.
bool EnsureFolder(const std::string& path) {
  kvplatform::CreateFolder(path);
  return kvplatform::PathExists(path);
}

std::string IconPath(const KVProject& project) {
  for (const auto& item : project.Items()) {
    if (item->type == ProjectItemType::Icon && !item->fileName.empty()) return item->Path();
  }
  return {};
}

}  // namespace

std::string BundleInfoPlist(const std::string& name, const KVVersion& version) {
  const auto pair = [](const char* key, const std::string& value) {
    return KVXML::ElementText("key", key) + KVXML::ElementText("string", value);
  };
  std::string text = kPlistHead;
  text += KVXML::ElementText("dict", nullptr);
  text += pair("BuildMachineOSBuild", "19H1715");
  text += pair("CFBundleDevelopmentRegion", "en");
  text += pair("CFBundleExecutable", name);
  text += pair("CFBundleIconFile", name);
  text += pair("CFBundleIdentifier", name);
  text += pair("CFBundleInfoDictionaryVersion", "6.0");
  text += pair("CFBundleName", name);
  text += pair("CFBundlePackageType", "APPL");
  text += pair("CFBundleShortVersionString", version.fileVersionText);
  text += KVXML::ElementText("key", "CFBundleSupportedPlatforms");
  text += KVXML::ElementText("array", nullptr) + KVXML::ElementText("string", "MacOSX") +
          KVXML::ElementText("/array", nullptr);
  text += pair("CFBundleVersion", "1");
  text += pair("DTCompiler", "com.apple.compilers.llvm.clang.1_0");
  text += pair("DTPlatformBuild", "12D4e");
  text += pair("DTPlatformVersion", "11.1");
  text += pair("DTSDKBuild", "20C63");
  text += pair("DTSDKName", "macosx11.1");
  text += pair("DTXcode", "1240");
  text += pair("DTXcodeBuild", "12D4e");
  text += pair("LSMinimumSystemVersion", "10.15");
  text += KVXML::ElementText("key", "NSAppTransportSecurity");
  text += KVXML::ElementText("dict", nullptr) + KVXML::ElementText("key", "NSAllowsArbitraryLoads") +
          KVXML::ElementText("true/", nullptr) + KVXML::ElementText("/dict", nullptr);
  text += pair("NSHumanReadableCopyright", version.legalCopyright);
  text += pair("NSPrincipalClass", "NSApplication");
  text += KVXML::ElementText("/dict", nullptr);
  text += KVXML::ElementText("/plist", nullptr);
  return text;
}

bool BuildBundle(const KVProject& project, const KVVersion& version, std::string& executablePath) {
  executablePath.clear();
  const std::string& name = project.Name();
  // The name becomes folder and file names: it must stay inside the project folder.
  if (project.Folder().empty() || !IsSafeOutputFileName(name)) return false;

  constexpr char sep = kvplatform::kPathSeparator;
  const std::string bundle = project.Folder() + name + ".app";
  const std::string contents = bundle + sep + "Contents" + sep;
  const std::string resources = contents + "Resources" + sep;
  const std::string macos = contents + "MacOS" + sep;
  if (!EnsureFolder(bundle) || !EnsureFolder(contents) || !EnsureFolder(resources)) return false;

  if (!WriteFileBytes(contents + "PkgInfo", "APPL????", "wb")) return false;

  KVXML plist;
  if (!plist.Load(BundleInfoPlist(name, version)) || !plist.Save(contents + "Info.plist")) return false;

  // Without a usable icon the bundle has none, not one left by an earlier build.
  const std::string icon = IconPath(project);
  const std::string icns = resources + name + ".icns";
  if (icon.empty() || !WriteIcns(icon, icns)) kvplatform::DeleteFileAt(icns);

  if (!EnsureFolder(macos)) return false;
  executablePath = macos + name;
  return true;
}
