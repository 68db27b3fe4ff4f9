#!/usr/bin/env bash
# Searching as a user does: lines typed into main.js and saved; Ctrl+Shift+F with a text and
# Enter writes the report into the output pane, and a double click on a hit opens main.js at
# that line. Ctrl+F and Enter select the next match after the caret, Escape closes the panel,
# and F3 goes on to the following match. What is typed at each place shows on disk.
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

e2e_fresh_documents
main=$E2E_DOCUMENTS/KelVox\ Studio/Projects/Demo/Source\ Files/main.js

e2e_start
e2e_new_project Demo
template=$(mktemp)
cp "$main" "$template"

e2e_key ctrl+End
for line in 'var needle = 1;' 'var other = 2;' 'needle = needle + 1;'; do
  xdotool type --delay 40 "$line"
  xdotool key Return
done
e2e_key ctrl+s
sleep 0.5

e2e_key ctrl+shift+f
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Find in Files$' | head -n 1) ||
  e2e_fail "no Find in Files dialog"
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool type --delay 40 'NEEDLE'
xdotool key Return
sleep 0.8
e2e_screenshot find-report

# The report's third line is the hit on "needle = needle + 1;": a double click opens main.js
# there with the caret at the line's start. The frame has the size of a first start, so the
# line's place is known.
eval "$(xdotool getwindowgeometry --shell "$E2E_WINDOW")"
xdotool mousemove $((X + 245)) $((Y + 437)) click --repeat 2 --delay 80 1
sleep 0.5
e2e_screenshot find-opened
xdotool type --delay 40 'X'

# Ctrl+F with Enter selects the first "needle" after the caret; Escape closes the panel and
# F3 selects the next one, which the typed "Y" replaces.
e2e_key ctrl+f
sleep 0.3
xdotool type --delay 40 'needle'
xdotool key Return
sleep 0.3
e2e_screenshot find-panel
xdotool key Escape
sleep 0.3
e2e_key F3
xdotool type --delay 40 'Y'
e2e_key ctrl+s
sleep 0.5

expected=$(mktemp)
{ cat "$template"; printf 'var needle = 1;\r\nvar other = 2;\r\nXneedle = Y + 1;\r\n'; } >"$expected"
cmp -s "$expected" "$main" || {
  diff <(tail -c 120 "$expected" | od -c) <(tail -c 120 "$main" | od -c) >&2 || true
  e2e_fail "main.js does not hold the edits made at the found places"
}
e2e_key alt+F4
e2e_wait_exit 0
rm -f "$template" "$expected"
echo "find: ok"
