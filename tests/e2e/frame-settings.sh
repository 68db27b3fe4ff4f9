#!/usr/bin/env bash
# KelVox Studio as a user meets it: a first start writes the default settings, the window is
# moved by its caption and closed with Alt+F4, the settings hold where it was, and the next
# start puts it there again with the last project reopened. Screenshots go to out/e2e/.
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

e2e_fresh_documents
settings_dir=$E2E_DOCUMENTS/KelVox\ Studio
config=$settings_dir/config.xml

# First start.
e2e_start
[ -d "$settings_dir/Projects" ] || e2e_fail "the projects folder was not made"
expected='<Settings><Position><Left>100</Left><Top>100</Top><Width>800</Width><Height>600</Height></Position><LastProject/><ProjectTreeWidth>200</ProjectTreeWidth></Settings>'
[ "$(cat "$config")" = "$expected" ] || e2e_fail "first start wrote: $(cat "$config")"
e2e_expect_geometry 100 100 800 600
e2e_screenshot first-start

# The File menu, as a user opens it.
e2e_key alt+f
sleep 0.5
e2e_screenshot file-menu
e2e_key Escape Escape

# Move the window by dragging its caption, then close it.
xdotool mousemove 400 112 mousedown 1 sleep 0.2 mousemove 450 140 sleep 0.2 mousemove 530 182 sleep 0.2 mouseup 1
sleep 0.5
e2e_key alt+F4
e2e_wait_exit 0
grep -q '<Position><Left>230</Left><Top>170</Top><Width>800</Width><Height>600</Height></Position>' "$config" ||
  e2e_fail "closing saved: $(cat "$config")"
grep -q '<OutputVisible>0</OutputVisible>' "$config" || e2e_fail "OutputVisible not saved"

# A project named as the last one reopens with the window where it was.
project_dir=$settings_dir/Projects/Demo
mkdir -p "$project_dir/Source Files" "$project_dir/Resources"
printf 'let x = 1;\r\n' >"$project_dir/Source Files/main.js"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<Project><Name>Demo</Name><ExeName>Demo.exe</ExeName><Engine>1</Engine><Icon>Demo.ico</Icon><SourceFiles><Name>main.js</Name></SourceFiles><WindowFiles/><LibraryFiles/></Project>\n' \
  >"$project_dir/Demo.kvproj"
windows_path="C:\\users\\$E2E_USER\\Documents\\KelVox Studio\\Projects\\Demo\\Demo.kvproj"
sed -i "s|<LastProject/>|<LastProject>${windows_path//\\/\\\\}</LastProject>|" "$config"

e2e_start 'KelVox Studio - Demo'
e2e_expect_geometry 230 170 800 600
[ -f "$project_dir/Resources/version.xml" ] || e2e_fail "opening the project wrote no version information"
grep -q "<pid>" "$project_dir/Demo.kvproj" || e2e_fail "the open project names no holder"
e2e_screenshot project-open
xdotool windowfocus --sync "$E2E_WINDOW"
e2e_key ctrl+F4 ctrl+s F7
# The project names an icon file that is not there: the build says it failed at the icon.
box=$(timeout 10 xdotool search --sync --onlyvisible --name '^KelVox Studio$' | head -n 1) ||
  e2e_fail "the build without its icon said nothing"
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
sleep 0.5
e2e_key alt+F4
e2e_wait_exit 0
grep -q "<pid>" "$project_dir/Demo.kvproj" && e2e_fail "the closed project still names a holder"
grep -qF "<ProjectFile>$windows_path</ProjectFile>" "$config" || e2e_fail "the project is not among the recent ones"
echo "frame-settings: ok"
