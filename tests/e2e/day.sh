#!/usr/bin/env bash
# A day with KelVox Studio, with keys and clicks only, from a fresh Documents folder: New
# Project; a folder and two sources in the tree, one of them included from main.js; mainWin
# designed with three controls and a menu; code typed with a member list and a call tip; Find
# in Files and a double click on a hit; a new version and icon; builds for macOS, Windows 32
# and Windows 64, and the Windows build run. After closing and starting the IDE again the
# project, its tabs, caret lines, tree, window position and output pane are as they were left.
# Every file the day touched is checked on disk at the end. Screenshots: out/e2e/day-*.png.
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

e2e_fresh_documents
settings=$E2E_DOCUMENTS/KelVox\ Studio
demo=$settings/Projects/Demo
project=$demo/Demo.kvproj
sources=$demo/Source\ Files
win=$demo/Dialog\ Windows/mainWin.win
kvcli=$E2E_ROOT/out/native/tools/kvcli
work=$(mktemp -d)
trap 'rc=$?; e2e_cleanup; rm -rf "$work"; exit $rc' EXIT

# wait_file PATH: up to 10 s for a file to appear.
wait_file() {
  local i
  for i in $(seq 100); do
    [ -e "$1" ] && return 0
    sleep 0.1
  done
  e2e_fail "$1 did not appear"
}

# wait_saved PATH: up to 5 s for a file to be newer than the marker.
wait_saved() {
  local i
  for i in $(seq 50); do
    [ -n "$(find "$1" -newer "$work/marker" 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  e2e_fail "$1 was not saved"
}

# tree_open NAME: a click on the tree's empty part gives it the keyboard; the document whose
# name begins with NAME is found by typing it and opened with Enter.
tree_open() {
  xdotool mousemove --window "$E2E_WINDOW" 100 440 click 1
  sleep 0.2
  e2e_key Home
  xdotool type --delay 40 "$1"
  e2e_key Return
  sleep 0.5
}
# save_active PATH: Ctrl+S and a wait for PATH to be written. The pause keeps the marker apart
# from an earlier write where the file system keeps whole seconds.
save_active() {
  sleep 1.1
  touch "$work/marker"
  e2e_key ctrl+s
  wait_saved "$1"
}

# ---- Step 1: a first start and New Project.
e2e_start
e2e_new_project Demo
cp "$sources/main.js" "$work/main.js"
cp "$win" "$work/mainWin.win"
e2e_screenshot day-01-new-project

# ---- Step 2: the tree. F6 reaches it; the Source Files menu makes the folder Lib (named with
# F2) and the sources util.js and helper.js; helper.js is dragged into Lib with the mouse.
# Rows, 16 pixels high at 96 DPI from the project's row: Demo, Source Files, main.js, Lib,
# util.js, helper.js.
eval "$(xdotool getwindowgeometry --shell "$E2E_WINDOW")"
row_y() { echo $((Y + 86 + 16 * $1)); }
e2e_key F6 Home Down shift+F10 Up Return F2
xdotool type --delay 30 'Lib'
e2e_key Return
for name in util helper; do
  e2e_key Home Down shift+F10 Return
  e2e_answer_prompt 'Source File Name' "$name"
  wait_file "$sources/$name.js"
  # The new file's editor has the keyboard; Shift+F6 gives it back to the tree.
  e2e_key shift+F6
done
cp "$sources/util.js" "$work/util.js"
# The pointer ends on Lib's short label: a drop right of a label is on no node.
from_x=$((X + 92))
from_y=$(row_y 5)
xdotool mousemove "$from_x" "$from_y"
sleep 0.2
xdotool mousedown 1
for i in $(seq 16); do
  xdotool mousemove $((from_x - i / 2)) $((from_y - 2 * i))
  sleep 0.05
done
sleep 0.3
xdotool mouseup 1
sleep 0.5
e2e_screenshot day-02-tree

# ---- Step 3: mainWin in the designer, opened from the tree by typing its name. Its client
# area on the screen: the caption is the first pixel of the inactive caption's grey in the
# editor area, the client area starts below the caption's grey rows.
tree_open mainWin
sleep 1
shot=$work/shot.png
import -window root "$shot"
read -r left top < <(convert "$shot" -crop 1000x700+200+150 txt:- |
  awk -F'[ ,:]+' '/#808080/ {print $1 + 200, $2 + 150; exit}')
[ -n "${left:-}" ] || e2e_fail "the designed window is not on the surface"
client_top=$(convert "$shot" -crop 1x60+$((left + 100))+"$top" txt:- |
  awk -F'[ ,:]+' 'NR > 1 && $0 !~ /#808080|#C8C8C8/ {print $2 + 1 + '"$top"'; exit}')
x0=$left
y0=$client_top
# add_control X Y DOWNS: the right-click menu at (X, Y) of the window, its DOWNS-th entry.
add_control() {
  xdotool mousemove $((x0 + $1)) $((y0 + $2)) click 3
  sleep 0.4
  local i
  for i in $(seq "$3"); do xdotool key Down; sleep 0.05; done
  xdotool key Return
  sleep 0.4
}
add_control 20 20 3   # Add Button
add_control 20 80 4   # Add Check Box
add_control 200 20 8  # Add Static Text
e2e_screenshot day-03-controls
add_control 250 150 2 # Add Menu
e2e_screenshot day-03-designer
save_active "$win"

# ---- Step 4: code. helper.js, found in the tree by its name, declares a file object and a
# function; main.js includes it. Once saved, "log." offers the File members and "(" shows
# the call tip of writeLine.
tree_open helper
sleep 0.5
for line in 'var log = kv.fs.File();' 'function greet(name)' '{' 'kv.msgbox("Hello " + name);' '}'; do
  xdotool type --delay 30 "$line"
  xdotool key Return
done
save_active "$sources/helper.js"
tree_open main
sleep 0.5
e2e_key ctrl+End
xdotool type --delay 30 'kv.include("helper.js");'
xdotool key Return
save_active "$sources/main.js"
xdotool type --delay 40 'greet("day");'
xdotool key Return
xdotool type --delay 40 'log.'
sleep 0.5
e2e_screenshot day-04-member-list
xdotool key Escape
xdotool type --delay 40 'writeLine('
sleep 0.5
e2e_screenshot day-04-call-tip
xdotool type --delay 40 '"started");'
xdotool key Return
save_active "$sources/main.js"
# The caret is left on the third line, which stays in view when the output pane takes room.
e2e_key ctrl+Home Down Down

# ---- Step 5: version 2.3.0.7 and a company in the version editor, from the tree. The fields
# run Release, Major, Minor, Build, Company.
tree_open Version
sleep 0.5
e2e_key ctrl+a
xdotool type --delay 30 '2'
e2e_key Tab ctrl+a
xdotool type --delay 30 '3'
e2e_key Tab Tab ctrl+a
xdotool type --delay 30 '7'
e2e_key Tab
xdotool type --delay 30 'Day & Night'
e2e_screenshot day-05-version
save_active "$demo/Resources/version.xml"

# ---- Step 6: the icon replaced through Browse (Alt+B) in the icon editor.
python3 - "$work/Brand.ico" <<'PY'
import struct, sys, zlib
def png(side):
    raw = b''.join(b'\0' + bytes([200, 90, 40, 255]) * side for _ in range(side))
    chunk = lambda t, d: struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', side, side, 8, 6, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b'')
images = [png(256), png(48)]
out = struct.pack('<HHH', 0, 1, len(images))
offset = 6 + 16 * len(images)
for side, image in zip((0, 48), images):
    out += struct.pack('<BBBBHHII', side, side, 0, 0, 1, 32, len(image), offset)
    offset += len(image)
open(sys.argv[1], 'wb').write(out + b''.join(images))
PY
tree_open Icon
sleep 0.5
e2e_key alt+b
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Open$' | head -n 1) || e2e_fail "Browse opened no file dialog"
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool type --delay 20 "Z:${work//\//\\}\\Brand.ico"
xdotool key Return
for i in $(seq 50); do
  xdotool search --onlyvisible --name '^Open$' >/dev/null 2>&1 || break
  sleep 0.1
done
sleep 0.5
e2e_screenshot day-06-icon
sleep 1.1
touch "$work/marker"
e2e_key ctrl+s
wait_file "$demo/Resources/Brand.ico"

# ---- Step 7: Find in Files for "greet"; a double click on the hit in helper.js opens it
# there. The report's lines: the search, main.js's hit, helper.js's hit.
e2e_key ctrl+shift+f
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Find in Files$' | head -n 1) ||
  e2e_fail "no Find in Files dialog"
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool type --delay 40 'greet'
xdotool key Return
for i in $(seq 50); do
  xdotool search --onlyvisible --name '^Find in Files$' >/dev/null 2>&1 || break
  sleep 0.1
done
sleep 0.5
e2e_screenshot day-07-find
eval "$(xdotool getwindowgeometry --shell "$E2E_WINDOW")"
xdotool mousemove $((X + 245)) $((Y + 437)) click --repeat 2 --delay 80 1
sleep 0.5
e2e_screenshot day-07-hit

# ---- Step 8: builds for Windows 32, macOS and Windows 64, each chosen in the target selector.
exe=$demo/Demo.exe
# build_windows: F7, then up to 30 s for an executable newer than the marker that carries its
# payload, with the build's temporary files gone. An F7 that Wine gave to no window (nothing
# new after 10 s) is pressed once more.
build_windows() {
  local i
  sleep 1.1
  touch "$work/marker"
  e2e_key F7
  for i in $(seq 150); do
    if [ -n "$(find "$exe" -newer "$work/marker" 2>/dev/null)" ] &&
      [ -z "$(find "$demo" -maxdepth 1 \( -name '*.bin' -o -name '*.tmp' -o -name '*.kvs_' -o -name '*.kvtmp' \))" ] &&
      "$kvcli" inspect "$exe" 2>/dev/null | grep -q '^  source main.js '; then
      return 0
    fi
    [ "$i" = 50 ] && [ -z "$(find "$demo" -maxdepth 1 -newer "$work/marker" -name 'Demo*')" ] && e2e_key F7
    sleep 0.2
  done
  e2e_fail "F7 left no built executable: $(ls -la "$demo")"
}
# machine: the PE machine field of the built executable.
machine() { od -An -tx2 -j "$(($(od -An -tu4 -j60 -N4 "$exe") + 4))" -N2 "$exe" | tr -d ' '; }
report() {
  "$E2E_ROOT/tools/wine-run" "$exe" --kv-report >"$work/report.txt" || e2e_fail "the built application fails"
  grep -qx 'version 2.3.0.7' "$work/report.txt" && grep -Eq '^source main.js ' "$work/report.txt" &&
    grep -Eq '^source helper.js ' "$work/report.txt" && grep -Eq '^window mainWin ' "$work/report.txt" &&
    grep -qx 'icons 2' "$work/report.txt" ||
    e2e_fail "the built application reports: $(cat "$work/report.txt")"
}

e2e_choose_target 1
build_windows
[ "$(machine)" = 014c ] || e2e_fail "the Windows 32 build is not an x86 executable"
report
e2e_screenshot day-08-built-win32

e2e_choose_target 3
sleep 1.1
touch "$work/marker"
e2e_key F7
bundle=$demo/Demo.app
for i in $(seq 150); do
  [ -n "$(find "$bundle/Contents/MacOS/Demo.bin" -newer "$work/marker" 2>/dev/null)" ] && break
  sleep 0.2
done
sleep 1
listing=$(cd "$bundle" && find . -type f | sort | tr '\n' ' ')
[ "$listing" = "./Contents/Info.plist ./Contents/MacOS/Demo ./Contents/MacOS/Demo.bin ./Contents/PkgInfo ./Contents/Resources/Demo.icns " ] ||
  e2e_fail "the bundle holds: $listing"
grep -qF '<key>CFBundleShortVersionString</key><string>2.3.0.7</string>' "$bundle/Contents/Info.plist" ||
  e2e_fail "the bundle's Info.plist: $(cat "$bundle/Contents/Info.plist")"
"$kvcli" inspect "$bundle" | grep -q '^  source helper.js ' || e2e_fail "the bundle's payload lacks helper.js"
e2e_screenshot day-08-built-macos

e2e_choose_target 2
build_windows
[ "$(machine)" = 8664 ] || e2e_fail "the Windows 64 build is not an x64 executable"
report

# ---- Step 9: F5 runs the Windows 64 build; its window is closed with its close button.
e2e_key F5
runtime=$(timeout 20 xdotool search --sync --onlyvisible --name '^KelVox Runtime$' | head -n 1) || e2e_fail "F5 started nothing"
sleep 0.5
e2e_screenshot day-09-running
eval "$(xdotool getwindowgeometry --shell "$runtime")"
closed=no
for i in $(seq 60); do
  [ $((i % 15)) = 1 ] && xdotool mousemove --window "$runtime" $((WIDTH - 10)) 10 click 1
  xdotool search --onlyvisible --name '^KelVox Runtime$' >/dev/null 2>&1 || { closed=yes; break; }
  sleep 0.2
done
[ "$closed" = yes ] || e2e_fail "the application does not close"
sleep 0.5

# ---- Step 10: the window moved by its caption to 230, 170, and the IDE closed.
xdotool mousemove --window "$E2E_WINDOW" 300 10 click 1
sleep 0.3
xdotool mousemove 400 112 mousedown 1 sleep 0.2 mousemove 450 140 sleep 0.2 mousemove 530 182 sleep 0.2 mouseup 1
sleep 0.5
e2e_expect_geometry 230 170 800 600
e2e_screenshot day-10-before-close
tab_strip() { import -window root -crop 590x18+$((230 + 205))+$((170 + 80)) "$1"; }
tab_strip "$work/tabs-before.png"
e2e_key alt+F4
e2e_wait_exit 0

# ---- Every file the day touched.
expect_file() { # PATH: the expected bytes on stdin
  cat >"$work/expected"
  cmp -s "$work/expected" "$1" || {
    diff <(od -c "$work/expected") <(od -c "$1") | head -20 >&2 || true
    e2e_fail "$(basename "$1") is not what the day typed into it"
  }
}
{ cat "$work/main.js"; printf '%s\r\n' 'kv.include("helper.js");' 'greet("day");' 'log.writeLine("started");'; } |
  expect_file "$sources/main.js"
printf '%s\r\n' 'var log = kv.fs.File();' 'function greet(name)' '{' 'kv.msgbox("Hello " + name);' '}' |
  expect_file "$sources/helper.js"
expect_file "$sources/util.js" <"$work/util.js"
{
  cat "$work/mainWin.win"
  printf '%s\r\n' 'button 1409368064 0 0 100 20 20 75 25 "button100" "Button" "" "Default" ""' \
    'check 1409351683 0 0 101 20 80 70 20 "check101" "Checkbox" "" "Default" ""' \
    'text 1409286656 0 0 102 200 20 70 20 "text102" "Text" "" "Default" ""' \
    'menu' 'submenu "&File"' 'command 103 "E&xit" "onFileExit" 0 0 0 1 ' 'endsubmenu' 'endmenu'
} | expect_file "$win"
grep -qF '<FixedFileVersion><Release>2</Release><Major>3</Major><Minor>0</Minor><Build>7</Build></FixedFileVersion><CompanyName>Day &amp; Night</CompanyName><Description>KelVox.js Application</Description><ProductName>Demo</ProductName>' \
  "$demo/Resources/version.xml" || e2e_fail "version.xml: $(cat "$demo/Resources/version.xml")"
cmp -s "$work/Brand.ico" "$demo/Resources/Brand.ico" || e2e_fail "the picked icon is not in Resources"
# The built executable carries the new icon's two images, of their sizes.
"$kvcli" inspect "$exe" >"$work/inspect.txt"
grep -q '^  type 3 name 1 language 1033: 857 bytes$' "$work/inspect.txt" &&
  grep -q '^  type 3 name 2 language 1033: 157 bytes$' "$work/inspect.txt" ||
  e2e_fail "the executable does not carry the new icon: $(grep 'type 3 ' "$work/inspect.txt")"
[ -s "$bundle/Contents/Resources/Demo.icns" ] || e2e_fail "the bundle has no icon"
tabs='<Tabs><Name type="0" line="0" position="39">main.js</Name><Name type="0" line="0" position="0">util.js</Name><Name type="0" line="0" position="25">helper.js</Name><Name type="1">mainWin</Name><Name type="3">Version Info</Name><Name type="4">Icon</Name><Selected type="0">helper.js</Selected></Tabs>'
layout='<Layout><SourceFiles><Item><Name>main.js</Name></Item><Item><Name>Lib</Name><Folder/><Item><Name>helper.js</Name></Item></Item><Item><Name>util.js</Name></Item></SourceFiles></Layout>'
check_project() {
  grep -qF '<Engine>1</Engine><Icon>Brand.ico</Icon><SourceFiles><Name>main.js</Name><Name>util.js</Name><Name>helper.js</Name></SourceFiles>' "$project" &&
    grep -qF "$tabs$layout" "$project" || e2e_fail "$1: the project file holds $(cat "$project")"
  grep -qF '<Position><Left>230</Left><Top>170</Top><Width>800</Width><Height>600</Height></Position>' "$settings/config.xml" &&
    grep -qF '<OutputVisible>1</OutputVisible>' "$settings/config.xml" || e2e_fail "$1: the settings hold $(cat "$settings/config.xml")"
}
check_project "closed"

# ---- Step 11: the next start: the same window, project, tabs and tree; closed again, the
# project file and the settings say the same.
e2e_start 'KelVox Studio - Demo'
e2e_expect_geometry 230 170 800 600
sleep 0.5
e2e_screenshot day-11-reopened
tab_strip "$work/tabs-after.png"
[ "$(compare -metric AE "$work/tabs-before.png" "$work/tabs-after.png" null: 2>&1)" = 0 ] ||
  e2e_fail "the tab strip looks different after the restart"
e2e_key alt+F4
e2e_wait_exit 0
check_project "reopened"
echo "day: ok"
