#!/usr/bin/env bash
# The property grid and the menu editor as a user drives them: in a new project's mainWin a
# button is added from the right-click menu and opened in the grid with a double click; the
# button's Properties command gives the grid the keyboard, and its caption and name are typed there, moving
# between rows with Tab. Add Menu makes the menu bar, a double click on it opens Menu
# Properties, where a separator, a submenu and a command with its handler and accelerator are
# added from the keyboard (Shift+F10, F2, Tab). Ctrl+S; the saved .win file is the template
# plus exactly that button and menu, byte for byte.
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

e2e_fresh_documents
win=$E2E_DOCUMENTS/KelVox\ Studio/Projects/Demo/Dialog\ Windows/mainWin.win

e2e_start
e2e_new_project Demo
template=$(mktemp)
cp "$win" "$template"

# F6 reaches the tree; its rows are Demo, Source Files, main.js, Dialog Windows, mainWin.
e2e_key F6 Home Down Down Down Down Return
sleep 1

# The designed window's client area on the screen: its caption is the first pixel of the
# inactive caption's grey in the editor area; the client area starts below the caption.
shot=$(mktemp --suffix=.png)
import -window root "$shot"
read -r left top < <(convert "$shot" -crop 1000x700+200+150 txt:- |
  awk -F'[ ,:]+' '/#808080/ {print $1 + 200, $2 + 150; exit}')
[ -n "${left:-}" ] || e2e_fail "the designed window is not on the surface"
client_top=$(convert "$shot" -crop 1x60+$((left + 100))+"$top" txt:- |
  awk -F'[ ,:]+' 'NR > 1 && $0 !~ /#808080|#C8C8C8/ {print $2 + 1 + '"$top"'; exit}')
rm -f "$shot"
x0=$left
y0=$client_top

# Right click at (20, 20): Properties, Add Menu, Add Button.
xdotool mousemove $((x0 + 20)) $((y0 + 20)) click 3
sleep 0.5
xdotool key Down Down Down Return
sleep 0.5

# A double click on the button shows the grid for it.
xdotool mousemove $((x0 + 50)) $((y0 + 30)) click --repeat 2 --delay 80 1
grid=$(timeout 10 xdotool search --sync --onlyvisible --name '^Properties$' | head -n 1) ||
  e2e_fail "the property grid did not appear"
sleep 0.5
e2e_screenshot properties-grid

# Properties from the button's menu (Shift+F10) gives the grid the keyboard, on its first
# row: Caption.
e2e_key shift+F10
sleep 0.3
xdotool key Down Return
sleep 0.5
[ "$(xdotool getwindowfocus 2>/dev/null)" = "$grid" ] || xdotool windowfocus --sync "$grid" 2>/dev/null || true
xdotool key shift+Home
xdotool type --delay 30 '&Save'
xdotool key Return
sleep 0.2
# Eight rows on to the Programming group's Name; the button's name typed over.
for _ in 1 2 3 4 5 6 7 8 9; do xdotool key Tab; sleep 0.05; done
xdotool key shift+Home
xdotool type --delay 30 'saveButton'
# A quote cannot be stored in a name: it is refused while typed, with the reason shown.
xdotool type --delay 30 '"'
sleep 0.3
e2e_screenshot properties-refused
# Delete in the field deletes a character there, not the control being edited.
xdotool type --delay 30 'x'
xdotool key Left Delete
xdotool key Return
sleep 0.3
e2e_screenshot properties-edited

# Right click on the window's empty part: Properties, Add Menu.
e2e_key Escape
xdotool mousemove $((x0 + 250)) $((y0 + 150)) click 3
sleep 0.5
xdotool key Down Down Return
sleep 0.5

# A double click on the menu bar opens Menu Properties with the tree focused on "Menu".
xdotool mousemove $((x0 + 10)) $((y0 + 8)) click --repeat 2 --delay 80 1
editor=$(timeout 10 xdotool search --sync --onlyvisible --name '^Menu Properties$' | head -n 1) ||
  e2e_fail "the menu editor did not open"
xdotool windowfocus --sync "$editor" 2>/dev/null || true
sleep 0.3
menu_key() {
  local key
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.25
  done
}
# &File: Add Seperator (its fourth entry), then back up to &File: Add Submenu, renamed &Recent,
# and in it Add Menu Item, renamed &Last, with the handler onLast and Ctrl+L.
menu_key Down shift+F10 Down Down Down Down Return
menu_key Up Up shift+F10 Down Down Return F2
xdotool type --delay 30 '&Recent'
menu_key Return shift+F10 Down Down Down Return F2
xdotool type --delay 30 '&Last'
menu_key Return Tab
xdotool type --delay 30 'onLast'
menu_key Tab L Tab space
e2e_screenshot properties-menu-editor
menu_key Return
timeout 5 bash -c 'while xdotool search --onlyvisible --name "^Menu Properties\$" >/dev/null 2>&1; do sleep 0.1; done' ||
  e2e_fail "OK did not close the menu editor"
sleep 0.3

e2e_key ctrl+s
sleep 0.5
e2e_screenshot properties-saved

expected=$(mktemp)
{
  cat "$template"
  printf 'button 1409368064 0 0 100 20 20 75 25 "saveButton" "&Save" "" "Default" ""\r\n'
  printf 'menu\r\n'
  printf 'submenu "&File"\r\n'
  printf 'command 101 "E&xit" "onFileExit" 0 0 0 1 \r\n'
  printf 'separator\r\n'
  printf 'submenu "&Recent"\r\n'
  printf 'command 102 "&Last" "onLast" 1 0 0 1 L\r\n'
  printf 'endsubmenu\r\n'
  printf 'endsubmenu\r\n'
  printf 'endmenu\r\n'
} >"$expected"
cmp -s "$expected" "$win" || {
  diff "$expected" "$win" >&2 || true
  e2e_fail "mainWin.win is not the template plus the button and the menu"
}

e2e_key alt+F4
e2e_wait_exit 0
rm -f "$template" "$expected"
echo "properties: ok"
