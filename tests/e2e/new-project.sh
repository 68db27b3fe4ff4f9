#!/usr/bin/env bash
# New Project as a user makes one: Ctrl+N, a name typed with blanks and ".EXE", Enter. The
# project folder holds its sub-folders, the project file, the default icon from the IDE's
# own pack and the two templates; the same name again is refused with a message.
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

e2e_fresh_documents
projects=$E2E_DOCUMENTS/KelVox\ Studio/Projects
demo=$projects/Demo

e2e_start
e2e_key ctrl+n
prompt=$(timeout 10 xdotool search --sync --onlyvisible --name '^Project Name$' | head -n 1) || e2e_fail "no name prompt"
xdotool windowfocus --sync "$prompt"
xdotool type --delay 30 '  Demo.EXE '
e2e_screenshot new-project-prompt
xdotool key Return
timeout 10 xdotool search --sync --onlyvisible --name '^KelVox Studio - Demo$' >/dev/null || e2e_fail "the new project did not open"
e2e_screenshot new-project-open

for sub in "Source Files" "Dialog Windows" "External Libraries" "Resources"; do
  [ -d "$demo/$sub" ] || e2e_fail "no $sub folder"
done
grep -q '<Name>Demo</Name><ExeName>Demo.exe</ExeName><Engine>1</Engine><Icon>Demo.ico</Icon>' "$demo/Demo.kvproj" ||
  e2e_fail "project file: $(cat "$demo/Demo.kvproj")"
cmp -s "$demo/Resources/Demo.ico" "$E2E_ROOT/out/win64/resources/project.ico" || e2e_fail "the icon is not the pack's default icon"
# The templates, byte for byte.
printf '%s\r\n' "let mainWin = kv.Window('mainWin');" "" "function onInit()" "{" "    // Initialize dialog controls here" "}" "" \
  "function onSysClose()" "{" "    // Called when the sys menu is used to close the dialog" "    this.close();" "}" "" \
  "function onOK()" "{" "    this.close();" "}" "" "function onCancel()" "{" "    this.close();" "}" "" "mainWin.open();" \
  | cmp -s - "$demo/Source Files/main.js" || e2e_fail "main.js differs from the template"
printf '%s\r\n' 1 "281673728 0" "Main Window" "400 300" onInit onSysClose "" Default "" \
  'button 1409368064 0 0 300 235 265 75 25 "okButton" "OK" "onOK" "Default" ""' \
  'button 1409368064 0 0 301 315 265 75 25 "cancelButton" "Cancel" "onCancel" "Default" ""' \
  | cmp -s - "$demo/Dialog Windows/mainWin.win" || e2e_fail "mainWin.win differs from the template"

# The same name again.
e2e_key ctrl+n
prompt=$(timeout 10 xdotool search --sync --onlyvisible --name '^Project Name$' | head -n 1) || e2e_fail "no second prompt"
xdotool windowfocus --sync "$prompt"
xdotool type --delay 30 'Demo'
xdotool key Return
box=$(timeout 10 xdotool search --sync --onlyvisible --name '^New Project$' | head -n 1) || e2e_fail "no message for an existing folder"
e2e_screenshot new-project-exists
xdotool windowfocus --sync "$box"
xdotool key Return
sleep 0.5
e2e_key alt+F4
e2e_wait_exit 0
echo "new-project: ok"
