#!/usr/bin/env bash
# Editing a source as a user does: New Project opens main.js; lines typed at its end with the
# keyboard, "kv." among them, show the member list; Ctrl+S writes the template plus exactly
# the typed text with CR LF line ends. After closing and starting the IDE again the project
# comes back with its tab and the caret where it was: a character typed then lands there.
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

e2e_fresh_documents
main=$E2E_DOCUMENTS/KelVox\ Studio/Projects/Demo/Source\ Files/main.js
project=$E2E_DOCUMENTS/KelVox\ Studio/Projects/Demo/Demo.kvproj

e2e_start
e2e_new_project Demo
template=$(mktemp)
cp "$main" "$template"
e2e_screenshot editor-open

# The caret starts at the top of main.js; the new lines go after the template's last line.
e2e_key ctrl+End
xdotool type --delay 40 'var f = kv.fs.File();'
xdotool key Return
xdotool type --delay 40 '    kv.'
sleep 0.5
e2e_screenshot editor-member-list
xdotool key Escape
xdotool type --delay 40 'msgbox("saved");'
xdotool key Return
xdotool type --delay 40 'f.close();'
e2e_key ctrl+s
sleep 0.5

expected=$(mktemp)
{ cat "$template"; printf 'var f = kv.fs.File();\r\n    kv.msgbox("saved");\r\n    f.close();'; } >"$expected"
cmp -s "$expected" "$main" || {
  diff <(od -c "$expected") <(od -c "$main") | head -20 >&2
  e2e_fail "main.js is not the template plus the typed lines"
}
e2e_screenshot editor-saved

# The caret goes to the first character of the "kv.msgbox" line (Home stops at the indentation), the IDE closes and starts again.
e2e_key Up Home
e2e_key alt+F4
e2e_wait_exit 0
grep -q '<Name type="0" line="[0-9]*" position="[0-9]*">main.js</Name>' "$project" ||
  e2e_fail "the project file keeps no place for main.js: $(cat "$project")"

e2e_start 'KelVox Studio - Demo'
sleep 0.5
e2e_screenshot editor-reopened
e2e_key Z ctrl+s
sleep 0.5
{ cat "$template"; printf 'var f = kv.fs.File();\r\n    Zkv.msgbox("saved");\r\n    f.close();'; } >"$expected"
cmp -s "$expected" "$main" || e2e_fail "the caret did not come back to its line: $(tail -c 80 "$main" | od -c | tail -5)"
e2e_key alt+F4
e2e_wait_exit 0
rm -f "$template" "$expected"
echo "editor: ok"
