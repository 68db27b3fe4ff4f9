#!/usr/bin/env bash
# The project tree as a user works it, with the keyboard wherever a user can: F6 reaches
# the tree, Shift+F10 opens a node's menu at the node, folders are made and named with F2,
# a new source file is made from the Source Files menu, dragged into a folder with the
# mouse, main.js is renamed in its label editor (Delete there deletes a character), and a
# file removed with the Delete key after its question stays on disk. After closing and
# starting the IDE again the tree is the same, and the project file keeps it.
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

e2e_fresh_documents
demo=$E2E_DOCUMENTS/KelVox\ Studio/Projects/Demo
project=$demo/Demo.kvproj

e2e_start
e2e_new_project Demo
e2e_screenshot project-tree-new

# Rows of the tree, 16 pixels high at 96 DPI, counted from the project's row; a label's
# left part at the depth given.
eval "$(xdotool getwindowgeometry --shell "$E2E_WINDOW")"
row_y() { echo $((Y + 86 + 16 * $1)); }
label_x() { echo $((X + 62 + 18 * $1)); }

# F6 goes from the editor to the tree; the Source Files menu's last entry makes a folder,
# which F2 names. The folder's own menu makes a folder inside it.
e2e_key F6 Home Down shift+F10
sleep 0.3
e2e_screenshot project-tree-menu
e2e_key Up Return F2
xdotool type --delay 30 'Lib'
e2e_key Return shift+F10 Return F2
xdotool type --delay 30 'Inner'
e2e_key Return

# New Source File from the Source Files menu: the file opens and its node is selected.
e2e_key Home Down shift+F10 Return
e2e_answer_prompt 'Source File Name' 'util'
sleep 0.5
[ -f "$demo/Source Files/util.js" ] || e2e_fail "util.js was not created"
e2e_screenshot project-tree-folders

# Shift+F6 comes back to the tree. Rows: Demo, Source Files, main.js, Lib, Inner, util.js.
# util.js is dragged up onto Inner in small steps.
e2e_key shift+F6
from_x=$(label_x 2)
from_y=$(row_y 5)
xdotool mousemove "$from_x" "$from_y"
sleep 0.2
xdotool mousedown 1
for i in 1 2 3 4 5 6 7 8; do
  xdotool mousemove $((from_x + i)) $((from_y - 2 * i))
  sleep 0.1
done
sleep 0.3
e2e_screenshot project-tree-dragging
xdotool mouseup 1
sleep 0.5
e2e_screenshot project-tree-dropped

# main.js is renamed in its label editor: Home, four Deletes and "app" make app.js.
e2e_key Home Down Down F2 Home Delete Delete Delete Delete
xdotool type --delay 30 'app'
e2e_key Return
sleep 0.3
[ -f "$demo/Source Files/app.js" ] && [ ! -e "$demo/Source Files/main.js" ] ||
  e2e_fail "main.js was not renamed to app.js: $(ls "$demo/Source Files")"
e2e_screenshot project-tree-renamed

# A second new file is removed with the Delete key after its question; it stays on disk.
e2e_key Home Down shift+F10 Return
e2e_answer_prompt 'Source File Name' 'scratch'
sleep 0.5
e2e_key shift+F6 Delete
question=$(timeout 10 xdotool search --sync --onlyvisible --name '^KelVox Studio$' | head -n 1) ||
  e2e_fail "Delete in the tree asked nothing"
e2e_screenshot project-tree-remove-question
xdotool windowfocus --sync "$question" 2>/dev/null || true
xdotool key Return
sleep 0.5
[ -f "$demo/Source Files/scratch.js" ] || e2e_fail "removing scratch.js from the project deleted its file"
e2e_screenshot project-tree-removed

e2e_key alt+F4
e2e_wait_exit 0
layout='<Layout><SourceFiles><Item><Name>app.js</Name></Item><Item><Name>Lib</Name><Folder/><Item><Name>Inner</Name><Folder/><Item><Name>util.js</Name></Item></Item></Item></SourceFiles></Layout>'
grep -qF "$layout" "$project" || e2e_fail "the project file does not keep the tree: $(cat "$project")"
grep -qF '<SourceFiles><Name>app.js</Name><Name>util.js</Name></SourceFiles>' "$project" ||
  e2e_fail "the project's source files are not app.js and util.js: $(cat "$project")"

# The same tree after a restart, and in the project file once more.
e2e_start 'KelVox Studio - Demo'
sleep 0.5
e2e_screenshot project-tree-reopened
e2e_key alt+F4
e2e_wait_exit 0
grep -qF "$layout" "$project" || e2e_fail "the reopened project lost its tree: $(cat "$project")"
echo "project-tree: ok"
