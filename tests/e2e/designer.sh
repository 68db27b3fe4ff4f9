#!/usr/bin/env bash
# Designing a dialog window as a user does: New Project, mainWin opened from the project tree
# with the keyboard, a button added from the right-click menu and an edit control from the
# menu of Shift+F10, the button dragged with the mouse, the edit control moved and resized
# with the arrow keys, Ctrl+S; the saved .win file is the template plus exactly those two
# controls, byte for byte. Then File, New, Dialog Window opens a new window on the surface.
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
e2e_screenshot designer-open

# The designed window's client area on the screen: its caption is the first pixel of the
# inactive caption's grey (a disabled window's caption) in the editor area, and the client
# area starts one pixel below the caption's last row (a line in the face colour lies between).
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

# Right click at (20, 20) in the window: Properties, Add Menu, Add Button.
xdotool mousemove $((x0 + 20)) $((y0 + 20)) click 3
sleep 0.5
e2e_screenshot designer-context-menu
xdotool key Down Down Down Return
sleep 0.5

# Shift+F10 with the pointer at (20, 80): the sixth entry is Add Edit Control.
xdotool mousemove $((x0 + 20)) $((y0 + 80))
e2e_key shift+F10
sleep 0.5
xdotool key Down Down Down Down Down Down Return
sleep 0.5
e2e_screenshot designer-added

# The button dragged by (100, 50), in steps as a hand moves it.
xdotool mousemove $((x0 + 50)) $((y0 + 30)) mousedown 1
for step in 1 2 3 4 5; do
  xdotool mousemove $((x0 + 50 + step * 20)) $((y0 + 30 + step * 10))
  sleep 0.1
done
e2e_screenshot designer-dragging
xdotool mouseup 1
sleep 0.3

# The edit control selected with a click, moved right by 2 and made 5 wider and 3 higher.
xdotool mousemove $((x0 + 50)) $((y0 + 90)) click 1
sleep 0.3
e2e_key Right Right shift+Right shift+Right shift+Right shift+Right shift+Right shift+Down shift+Down shift+Down
e2e_screenshot designer-moved
e2e_key ctrl+s
sleep 0.5
e2e_screenshot designer-saved

expected=$(mktemp)
{
  cat "$template"
  printf 'button 1409368064 0 0 100 120 70 75 25 "button100" "Button" "" "Default" ""\r\n'
  printf 'edit 1409351680 512 0 101 22 80 75 23 "edit101" "" "" "Default" ""\r\n'
} >"$expected"
cmp -s "$expected" "$win" || {
  diff "$expected" "$win" >&2 || true
  e2e_fail "mainWin.win is not the template plus the two controls"
}

# File, New, Dialog Window: the new window opens on the surface with the name as its caption.
e2e_key alt+f n d
e2e_answer_prompt 'Dialog Window Name' 'About'
sleep 1
e2e_screenshot designer-new-window
about=$E2E_DOCUMENTS/KelVox\ Studio/Projects/Demo/Dialog\ Windows/About.win
[ -f "$about" ] || e2e_fail "New Dialog Window wrote no About.win"
shot=$(mktemp --suffix=.png)
import -window root "$shot"
captions=$(convert "$shot" -crop 1000x700+200+150 txt:- | grep -c '#808080' || true)
[ "$captions" -gt 0 ] || e2e_fail "the new dialog window is not on the surface"
rm -f "$shot"

e2e_key alt+F4
e2e_wait_exit 0
rm -f "$template" "$expected"
echo "designer: ok"
