// The macOS application bundle of a project: name.app in the project folder with
// Contents/PkgInfo, Contents/Info.plist, Contents/Resources/name.icns and the Contents/MacOS
// folder into which the build then writes the runtime and the payload.
#pragma once

#include <string>

class KVProject;
class KVVersion;

// The Info.plist text for the bundle: executable, icon, identifier and name are all the
// project name; the short version string and the copyright come from version.
std::string BundleInfoPlist(const std::string& name, const KVVersion& version);

// Creates the bundle's folders (existing ones are kept), PkgInfo, Info.plist and the icns icon
// made from the project's icon, and sets executablePath to Contents/MacOS/name. An icon that
// is missing or unusable leaves the bundle without an icns file. False when the project has
// no folder or name, or the folders, PkgInfo or Info.plist cannot be made.
bool BuildBundle(const KVProject& project, const KVVersion& version, std::string& executablePath);
