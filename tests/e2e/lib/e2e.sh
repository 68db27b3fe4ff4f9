# Helpers for the end-to-end scripts: start KelVoxStudio.exe under Wine, find its window,
# drive it with xdotool and check what it left on disk. Sourced by tests/e2e/*.sh.

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
E2E_EXE=${E2E_EXE:-$E2E_ROOT/out/win64/app/KelVoxStudio.exe}
E2E_SHOTS=$E2E_ROOT/out/e2e
E2E_PREFIX=${KV_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/kelvox/wine}
E2E_USER=$(id -un)
E2E_DOCUMENTS=$E2E_PREFIX/drive_c/users/$E2E_USER/Documents
E2E_PID=
E2E_WINDOW=
mkdir -p "$E2E_SHOTS"

e2e_cleanup() {
  if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
    kill "$E2E_PID" 2>/dev/null
    wait "$E2E_PID" 2>/dev/null
  fi
  E2E_PID=
}
trap 'rc=$?; e2e_cleanup; exit $rc' EXIT

e2e_screenshot() { import -window root "$E2E_SHOTS/$1.png"; }

e2e_fail() {
  echo "FAIL: $*" >&2
  e2e_screenshot "failure-$(basename "$0" .sh)" 2>/dev/null
  exit 1
}

# A Documents folder without KelVox Studio's settings, as on a first start.
e2e_fresh_documents() {
  [ -d "$E2E_DOCUMENTS" ] || e2e_fail "no Documents folder in $E2E_PREFIX"
  rm -rf "$E2E_DOCUMENTS/KelVox Studio"
}

# Prints the first visible window titled $1, waiting up to $2 tenths of a second for it.
# Polled rather than searched with --sync: a window that goes away during the search (the
# previous run's, or a splash of Wine's) ends a synchronous search with an X error.
e2e_wait_window() {
  local title=$1 tries=$2 found i
  for i in $(seq "$tries"); do
    found=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1) || true
    if [ -n "$found" ]; then
      echo "$found"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Starts the IDE and waits for its frame window, whose title is the argument.
e2e_start() {
  local title=${1:-KelVox Studio}
  "$E2E_ROOT/tools/wine-run" "$E2E_EXE" &
  E2E_PID=$!
  E2E_WINDOW=$(e2e_wait_window "$title" 300) || e2e_fail "no window titled '$title' appeared"
  sleep 0.5
}

# Keys for the IDE's frame. Under Wine the X focus alone does not always bring the keyboard
# back once another Wine program (a started application, the shell's folder window) had the
# foreground: a click on the frame's caption does, as it does for a user.
e2e_key() {
  if [ "$(xdotool getwindowfocus 2>/dev/null)" != "$E2E_WINDOW" ]; then
    # Near the caption's right end, left of its buttons: a window the IDE started tends to
    # cover the left of it.
    local WIDTH=800
    eval "$(xdotool getwindowgeometry --shell "$E2E_WINDOW" 2>/dev/null | grep '^WIDTH=')"
    xdotool mousemove --window "$E2E_WINDOW" $((WIDTH - 120)) 10 click 1 2>/dev/null || true
    sleep 0.2
  fi
  xdotool windowfocus --sync "$E2E_WINDOW" 2>/dev/null || true
  local key
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.2
  done
}

# Answers the one-line prompt titled $1 with the text $2 and Enter, as a user does. Under
# Wine an X key event now and then reaches a window that has just lost the focus, so Enter is
# pressed again while the prompt is still up; the text is typed once.
e2e_answer_prompt() {
  local title=$1 text=$2 prompt attempt i
  prompt=$(timeout 10 xdotool search --sync --onlyvisible --name "^${title}\$" | head -n 1) ||
    e2e_fail "no prompt titled '$title'"
  xdotool windowfocus --sync "$prompt" 2>/dev/null || true
  xdotool type --delay 30 "$text"
  for attempt in 1 2 3; do
    xdotool key Return
    for i in $(seq 20); do
      xdotool search --onlyvisible --name "^${title}\$" >/dev/null 2>&1 || return 0
      sleep 0.1
    done
    prompt=$(xdotool search --onlyvisible --name "^${title}\$" | head -n 1) || return 0
    xdotool windowfocus --sync "$prompt" 2>/dev/null || true
  done
  e2e_fail "the prompt '$title' did not take Enter"
}

e2e_expect_geometry() {
  local geometry
  geometry=$(xdotool getwindowgeometry "$E2E_WINDOW")
  grep -q "Position: $1,$2 " <<<"$geometry" && grep -q "Geometry: $3x$4" <<<"$geometry" ||
    e2e_fail "window at $(tr '\n' ' ' <<<"$geometry"), expected $1,$2 $3x$4"
}

# Waits for the IDE to end and checks its exit code.
e2e_wait_exit() {
  local code=0 i
  for i in $(seq 100); do
    kill -0 "$E2E_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$E2E_PID" 2>/dev/null && e2e_fail "the IDE did not end"
  wait "$E2E_PID" || code=$?
  E2E_PID=
  [ "$code" = "$1" ] || e2e_fail "the IDE ended with exit code $code, expected $1"
}

# Chooses the Nth entry of the target selector's menu (1 Windows 32, 2 Windows 64, 3 macOS),
# opened with a click on the selector as a user opens it. The selector sits at 410, 56 in the
# frame's X window: Wine draws the caption inside it.
e2e_choose_target() {
  local i before
  before=$(xdotool search --onlyvisible --name '' | wc -l)
  xdotool windowfocus --sync "$E2E_WINDOW" 2>/dev/null || true
  xdotool mousemove --window "$E2E_WINDOW" 410 56 click 1
  sleep 0.5
  [ "$(xdotool search --onlyvisible --name '' | wc -l)" -gt "$before" ] || e2e_fail "the target selector's menu did not open"
  for i in $(seq "$1"); do xdotool key Down; sleep 0.1; done
  xdotool key Return
  sleep 0.3
}

# Ctrl+N in the started IDE, the name answered, and the frame showing the new project.
e2e_new_project() {
  e2e_key ctrl+n
  e2e_answer_prompt 'Project Name' "$1"
  e2e_wait_window "KelVox Studio - $1" 100 >/dev/null || e2e_fail "the new project $1 did not open"
  sleep 0.5
}
