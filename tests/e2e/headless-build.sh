#!/usr/bin/env bash
# The command-line build as a CI job runs it: one project, built natively for Windows 64,
# Windows 32 and macOS with the runtime pack of the product's KelVoxStudio.exe. What it
# writes is checked with independent readers (pefile, wrestool, plistlib) and by running the
# built applications under Wine, x64 and x86, whose reports must list the project's files,
# version and icon. Also: the project file is left as it was, nothing temporary stays,
# building again does not grow the executable, a project held by another IDE process is
# refused, and a failure names its step and file.
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

kvcli=$E2E_ROOT/out/native/tools/kvcli
icon=$E2E_ROOT/out/win64/resources/project.ico
macos_stub=$E2E_ROOT/out/win64/tools/runtime-stub/KelVoxRuntime-macos
for f in "$kvcli" "$icon" "$macos_stub" "$E2E_EXE"; do
  [ -f "$f" ] || e2e_fail "$f is not built"
done
command -v wrestool >/dev/null || e2e_fail "wrestool (icoutils) is not installed"
# Debian's python3 has the pefile package; the first python3 on PATH may be a private one.
python=/usr/bin/python3
[ -x "$python" ] || python=python3

work=$(mktemp -d)
sleeper=
trap 'rc=$?; [ -n "$sleeper" ] && kill "$sleeper" 2>/dev/null; e2e_cleanup; rm -rf "$work"; exit $rc' EXIT

# A project as New Project makes one, in a folder whose name holds a space, with a version,
# a bitmap and a bitmap file too short to hold an image.
proj="$work/My Demo"
mkdir -p "$proj/Source Files" "$proj/Dialog Windows" "$proj/External Libraries" "$proj/Resources"
for i in $(seq 300); do printf 'kv.print("line %d");\r\n' "$i"; done >"$proj/Source Files/main.js"
printf '%s\r\n' 1 "281673728 0" "Main Window" "400 300" onInit onSysClose "" Default "" >"$proj/Dialog Windows/mainWin.win"
cp "$icon" "$proj/Resources/Demo.ico"
convert -size 8x8 xc:red "BMP3:$proj/Resources/logo.bmp"
printf 'BM\0\0\0\0\0\0\0\0\0\0\0\0' >"$proj/Resources/tiny.bmp"
printf '%s' '<Version><FixedFileVersion><Release>2</Release><Major>3</Major><Minor>4</Minor><Build>5</Build>' \
  '</FixedFileVersion><Description>Demo app</Description><ProductName>Demo &amp; Co</ProductName>' \
  '<Copyright>(c) 2026 Demo</Copyright></Version>' >"$proj/Resources/version.xml"
project_file="$proj/Demo.kvproj"
write_project() {
  printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' \
    "<Project><Name>Demo</Name><ExeName>Demo.exe</ExeName><Engine>1</Engine><Icon>Demo.ico</Icon>$1<SourceFiles><Name>main.js</Name></SourceFiles><WindowFiles><Name>mainWin.win</Name></WindowFiles><LibraryFiles/><BitmapFiles><Name>logo.bmp</Name><Name>tiny.bmp</Name></BitmapFiles></Project>" \
    >"$project_file"
}
write_project ""
exe="$proj/Demo.exe"

# kvcli build ARGS...: output in $work/build.{out,err}, exit code in $build_rc.
build() {
  build_rc=0
  "$kvcli" build "$project_file" --ide "$E2E_EXE" "$@" >"$work/build.out" 2>"$work/build.err" || build_rc=$?
}
expect_built() {
  [ "$build_rc" = 0 ] || e2e_fail "the build failed ($build_rc): $(cat "$work/build.err")"
  local step
  for step in "$@"; do
    grep -q "^$step " "$work/build.out" || e2e_fail "no '$step' line in"$'\n'"$(cat "$work/build.out")"
  done
}
no_leftovers() {
  local left
  left=$(find "$proj" -name '*.bin' -o -name '*.tmp' -o -name '*.kvs_')
  [ -z "$left" ] || e2e_fail "left behind: $left"
}

crc32() { gzip -c <"$1" | tail -c 8 | head -c 4 | od -An -tx4 | tr -d ' \n'; }
main_size=$(stat -c %s "$proj/Source Files/main.js")
main_crc=$(crc32 "$proj/Source Files/main.js")
win_size=$(stat -c %s "$proj/Dialog Windows/mainWin.win")
win_crc=$(crc32 "$proj/Dialog Windows/mainWin.win")
icon_count=$(od -An -tu2 -j4 -N2 "$icon" | tr -d ' ')

# What pefile finds in the executable: the machine, the payload section, every resource and
# the version strings, checked against the project's files.
check_with_pefile() {
  "$python" - "$1" "$2" "$proj/Resources/Demo.ico" "$proj/Resources/logo.bmp" <<'EOF'
import sys, struct, pefile
path, machine, ico_path, bmp_path = sys.argv[1], int(sys.argv[2], 16), sys.argv[3], sys.argv[4]
pe = pefile.PE(path)
def fail(message):
    sys.exit(f"{path}: {message}")
if pe.FILE_HEADER.Machine != machine:
    fail(f"machine {pe.FILE_HEADER.Machine:#x}")
last = pe.sections[-1]
if last.Name.rstrip(b"\0") != b"snapshot" or not last.get_data().startswith(b"KVPL"):
    fail("the last section is not the payload")
resources = {}
for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
    for name in kind.directory.entries:
        for lang in name.directory.entries:
            key = (kind.id, str(name.name) if name.name is not None else name.id, lang.id)
            resources[key] = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
ico = open(ico_path, "rb").read()
count = struct.unpack_from("<H", ico, 4)[0]
group = resources.get((14, 107, 1033)) or fail("no icon group 107")
if struct.unpack_from("<HHH", group, 0) != (0, 1, count) or len(group) != 6 + 14 * count:
    fail("icon group header")
for i in range(count):
    size, offset = struct.unpack_from("<II", ico, 6 + 16 * i + 8)
    if group[6 + 14 * i: 6 + 14 * i + 12] != ico[6 + 16 * i: 6 + 16 * i + 12]:
        fail(f"group entry {i + 1}")
    if struct.unpack_from("<H", group, 6 + 14 * i + 12)[0] != i + 1:
        fail(f"group entry {i + 1} names another icon")
    if resources.get((3, i + 1, 1033)) != ico[offset: offset + size]:
        fail(f"RT_ICON {i + 1} differs from image {i + 1} of the icon file")
bitmaps = {k[1]: v for k, v in resources.items() if k[0] == 2}
if [k.lower() for k in bitmaps] != ["logo.bmp"]:
    fail(f"bitmaps {list(bitmaps)}")
if next(iter(bitmaps.values())) != open(bmp_path, "rb").read()[14:]:
    fail("the bitmap resource is not the file without its header")
if not any(k[0] == 24 for k in resources):
    fail("the runtime's manifest is gone")
strings = {}
for info in pe.FileInfo[0]:
    for table in getattr(info, "StringTable", []):
        strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
fixed = pe.VS_FIXEDFILEINFO[0]
if (fixed.FileVersionMS, fixed.FileVersionLS) != (0x20003, 0x40005):
    fail("fixed file version")
for key, value in {"FileVersion": "2.3.4.5", "ProductName": "Demo & Co", "LegalCopyright": "(c) 2026 Demo"}.items():
    if strings.get(key) != value:
        fail(f"{key} is {strings.get(key)!r}")
print(f"{path}: {len(resources)} resources, icon group of {count}, payload {last.Misc_VirtualSize} bytes")
EOF
}

check_report() {
  local bits=$1 rc=0
  "$E2E_ROOT/tools/wine-run" "$exe" --kv-report >"$work/report$bits" 2>"$work/report$bits.err" || rc=$?
  [ "$rc" = 0 ] || e2e_fail "the $bits-bit build exits with $rc: $(cat "$work/report$bits.err")"
  grep -Eq "^source main.js $main_size [0-9]+ $main_crc\$" "$work/report$bits" &&
    grep -Eq "^window mainWin $win_size 0 $win_crc\$" "$work/report$bits" &&
    grep -qx "version 2.3.4.5" "$work/report$bits" &&
    grep -qx "product Demo & Co" "$work/report$bits" &&
    grep -qx "icons $icon_count" "$work/report$bits" ||
    e2e_fail "the $bits-bit build reports"$'\n'"$(cat "$work/report$bits")"
  echo "headless-build: the $bits-bit application runs and reports main.js, mainWin, its version and $icon_count icons"
}

# Windows 64, the project's own target.
before=$(sha256sum <"$project_file")
build
expect_built "version info" runtime "version resource" icon bitmaps payload snapshot built
[ "$(sha256sum <"$project_file")" = "$before" ] || e2e_fail "the build changed the project file"
no_leftovers
check_with_pefile "$exe" 8664
wrestool -l "$exe" >"$work/wrestool" || e2e_fail "wrestool cannot read $exe"
for listed in "--type=14 --name=107 --language=1033" "--type=3 --name=1 --language=1033" \
  "--type=3 --name=$icon_count --language=1033" "--type=16 --name=1 --language=1033"; do
  grep -q -- "$listed" "$work/wrestool" || e2e_fail "wrestool lists no $listed:"$'\n'"$(cat "$work/wrestool")"
done
check_report 64
size=$(stat -c %s "$exe")
build
expect_built snapshot
[ "$(stat -c %s "$exe")" = "$size" ] || e2e_fail "building again changed the size from $size to $(stat -c %s "$exe")"
no_leftovers

"$kvcli" inspect "$exe" >"$work/inspect" || e2e_fail "inspect failed: $(cat "$work/inspect")"
for line in "^  source main.js $main_size [0-9]+ $main_crc\$" "^version: 2\.3\.4\.5\$" "^icon group 107: $icon_count images\$" \
  '^bitmap "LOGO\.BMP": ' '^  snapshot '; do
  grep -Eq "$line" "$work/inspect" || e2e_fail "inspect lacks $line:"$'\n'"$(cat "$work/inspect")"
done

# Windows 32, chosen on the command line: the project file keeps its target.
build --target win32
expect_built runtime snapshot
[ "$(sha256sum <"$project_file")" = "$before" ] || e2e_fail "--target changed the project file"
no_leftovers
check_with_pefile "$exe" 14c
check_report 32

# macOS: the bundle, its property list read by plistlib, its icon file and its payload.
build --target macos
expect_built bundle runtime payload built
bundle="$proj/Demo.app/Contents"
[ "$(cat "$bundle/PkgInfo")" = 'APPL????' ] || e2e_fail "PkgInfo: $(od -c "$bundle/PkgInfo")"
cmp -s "$bundle/MacOS/Demo" "$macos_stub" || e2e_fail "the bundle's runtime is not the macOS runtime"
[ -x "$bundle/MacOS/Demo" ] || e2e_fail "the bundle's runtime is not executable"
head -c 4 "$bundle/MacOS/Demo.bin" | grep -q KVPL || e2e_fail "no payload beside the macOS runtime"
[ -z "$(find "$proj" -name '*.tmp' -o -name '*.kvs_' -o -name '*.png')" ] || e2e_fail "temporary files stay in the bundle"
"$python" - "$bundle" <<'EOF' || e2e_fail "the bundle's Info.plist or icns is wrong"
import sys, plistlib, struct
contents = sys.argv[1]
with open(f"{contents}/Info.plist", "rb") as f:
    plist = plistlib.load(f)
keys = ["BuildMachineOSBuild", "CFBundleDevelopmentRegion", "CFBundleExecutable", "CFBundleIconFile",
        "CFBundleIdentifier", "CFBundleInfoDictionaryVersion", "CFBundleName", "CFBundlePackageType",
        "CFBundleShortVersionString", "CFBundleSupportedPlatforms", "CFBundleVersion", "DTCompiler",
        "DTPlatformBuild", "DTPlatformVersion", "DTSDKBuild", "DTSDKName", "DTXcode", "DTXcodeBuild",
        "LSMinimumSystemVersion", "NSAppTransportSecurity", "NSHumanReadableCopyright", "NSPrincipalClass"]
assert list(plist) == keys, list(plist)
assert plist["CFBundleExecutable"] == "Demo" and plist["CFBundleIconFile"] == "Demo", plist
assert plist["CFBundleShortVersionString"] == "2.3.4.5", plist["CFBundleShortVersionString"]
assert plist["NSHumanReadableCopyright"] == "(c) 2026 Demo"
assert plist["NSAppTransportSecurity"] == {"NSAllowsArbitraryLoads": True}
icns = open(f"{contents}/Resources/Demo.icns", "rb").read()
assert icns[:4] == b"icns" and struct.unpack(">I", icns[4:8])[0] == len(icns)
assert icns[8:12] == b"TOC "
toc_length = struct.unpack(">I", icns[12:16])[0]
toc = [(icns[16 + 8 * i: 20 + 8 * i], struct.unpack(">I", icns[20 + 8 * i: 24 + 8 * i])[0])
       for i in range((toc_length - 8) // 8)]
at, found = 8 + toc_length, []
while at < len(icns):
    kind, length = icns[at: at + 4], struct.unpack(">I", icns[at + 4: at + 8])[0]
    found.append((kind, length))
    if kind in (b"ic07", b"ic08"):
        assert icns[at + 8: at + 16] == b"\x89PNG\r\n\x1a\n", kind
    at += length
assert found == toc and at == len(icns), (found, toc)
assert [k for k, _ in found] == [k for k in (b"is32", b"s8mk", b"il32", b"l8mk", b"ic07", b"ic08") if k in dict(found)]
print("headless-build: Info.plist keys in order; icns elements", [k.decode() for k, _ in found])
EOF
"$kvcli" inspect "$proj/Demo.app" >"$work/inspect-app" || e2e_fail "inspect of the bundle failed: $(cat "$work/inspect-app")"
grep -Eq "^  source main.js $main_size [0-9]+ $main_crc\$" "$work/inspect-app" ||
  e2e_fail "inspect of the bundle:"$'\n'"$(cat "$work/inspect-app")"

# A project another IDE process holds: its pid in the project file, its lock held.
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
write_project "<pid>4242</pid>"
# The holder is the process that keeps the locked descriptor, so that killing it frees the lock.
(exec 8>"$XDG_RUNTIME_DIR/kelvox-lock-_KELVOX_STUDIO_PROJECT_4242" && flock 8 && exec sleep 60) >/dev/null 2>&1 &
sleeper=$!
sleep 0.3
build
[ "$build_rc" = 1 ] && grep -q "project: .*Demo.kvproj is open in another KelVox Studio process (pid 4242)" "$work/build.err" ||
  e2e_fail "a held project was built ($build_rc): $(cat "$work/build.err")"
kill "$sleeper"
wait "$sleeper" 2>/dev/null || true
sleeper=
build
expect_built snapshot

# A failure names the step and the file.
"$kvcli" build "$project_file" --ide "$macos_stub" >"$work/build.out" 2>"$work/build.err" && e2e_fail "built without a pack"
grep -q "build failed at runtime: $macos_stub carries no runtime pack" "$work/build.err" ||
  e2e_fail "the failure says: $(cat "$work/build.err")"
echo "headless-build: ok"
