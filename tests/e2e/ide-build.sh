#!/usr/bin/env bash
# Build and Run in the IDE as a user does them: Ctrl+N a project, F7. The executable appears
# in the project folder with the payload, and run under Wine it reports main.js and the
# window. F5 starts it; F7 while it runs ends at the extraction and leaves the running
# executable as it was; once it is closed F7 builds again to the same size. Then the target
# selector: macOS gives the bundle, byte for byte what the command-line build writes for the
# same project, and Windows 32 an x86 executable that runs. Open File Location shows the
# project folder.
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

e2e_fresh_documents
demo="$E2E_DOCUMENTS/KelVox Studio/Projects/BuildDemo"
exe=$demo/BuildDemo.exe

e2e_start
e2e_key ctrl+n
e2e_answer_prompt 'Project Name' 'BuildDemo'
timeout 10 xdotool search --sync --onlyvisible --name '^KelVox Studio - BuildDemo$' >/dev/null ||
  e2e_fail "the new project did not open"

# wait_for_build: the build is done when an executable newer than the marker has its payload
# and the temporary files are gone. An F7 that Wine delivered to no window (nothing newer
# than the marker after 10 s) is pressed once more.
marker=$(mktemp)
trap 'rc=$?; e2e_cleanup; rm -rf "$marker" "$marker.app"; exit $rc' EXIT
wait_for_build() {
  local i
  for i in $(seq 150); do
    if [ -n "$(find "$exe" -newer "$marker" 2>/dev/null)" ] && [ -z "$(find "$demo" -maxdepth 1 -name '*.bin' -o -maxdepth 1 -name '*.tmp' -o -maxdepth 1 -name '*.kvs_' -o -maxdepth 1 -name '*.kvtmp')" ] &&
      "$E2E_ROOT/out/native/tools/kvcli" inspect "$exe" 2>/dev/null | grep -q '^  source main.js '; then
      return 0
    fi
    if [ "$i" = 50 ] && [ -z "$(find "$demo" -maxdepth 1 -newer "$marker" -name 'BuildDemo*' 2>/dev/null)" ]; then
      e2e_key F7
    fi
    sleep 0.2
  done
  e2e_fail "F7 left no built executable: $(ls -la --full-time "$demo" "$marker"; "$E2E_ROOT/out/native/tools/kvcli" inspect "$exe" 2>&1 | head -20)"
}

touch "$marker"
sleep 1
e2e_key F7
wait_for_build
e2e_screenshot ide-build-done
"$E2E_ROOT/tools/wine-run" "$exe" --kv-report >"$E2E_SHOTS/ide-build-report.txt" || e2e_fail "the built application fails"
grep -Eq '^source main.js [0-9]+ [0-9]+ [0-9a-f]{8}$' "$E2E_SHOTS/ide-build-report.txt" &&
  grep -Eq '^window mainWin ' "$E2E_SHOTS/ide-build-report.txt" &&
  grep -qx 'version 1.0.0.1' "$E2E_SHOTS/ide-build-report.txt" ||
  e2e_fail "the built application reports: $(cat "$E2E_SHOTS/ide-build-report.txt")"
size=$(stat -c %s "$exe")

# F5 runs the build; its window shows the report.
e2e_key F5
runtime=$(timeout 20 xdotool search --sync --onlyvisible --name '^KelVox Runtime$' | head -n 1) || e2e_fail "F5 started nothing"
e2e_screenshot ide-build-running
before=$(sha256sum <"$exe")
e2e_key F7
sleep 3
[ "$(sha256sum <"$exe")" = "$before" ] || e2e_fail "a build while the application runs changed its executable"
[ -z "$(find "$demo" -maxdepth 1 -name '*.kvs_' -o -maxdepth 1 -name '*.bin' -o -maxdepth 1 -name '*.tmp' -o -maxdepth 1 -name '*.kvtmp')" ] ||
  e2e_fail "the failed build left files behind: $(ls -a "$demo")"
# The failed build says so.
box=$(timeout 10 xdotool search --sync --onlyvisible --name '^KelVox Studio$' | head -n 1) ||
  e2e_fail "the build that could not replace the running application said nothing"
e2e_screenshot ide-build-failed
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
for i in $(seq 25); do
  xdotool search --onlyvisible --name '^KelVox Studio$' >/dev/null 2>&1 || break
  sleep 0.2
done
# Closed with its caption's close button: the keyboard stays with the IDE, which started it.
# The first click may only bring it to the front after the IDE's message had the foreground.
eval "$(xdotool getwindowgeometry --shell "$runtime")"
closed=no
for i in $(seq 60); do
  [ $((i % 15)) = 1 ] && xdotool mousemove --window "$runtime" $((WIDTH - 10)) 10 click 1
  xdotool search --onlyvisible --name '^KelVox Runtime$' >/dev/null 2>&1 || { closed=yes; break; }
  sleep 0.2
done
[ "$closed" = yes ] || e2e_fail "the application does not close"
sleep 1
touch "$marker"
sleep 1
e2e_key F7
wait_for_build
[ "$(stat -c %s "$exe")" = "$size" ] || e2e_fail "building again changed the size from $size to $(stat -c %s "$exe")"

e2e_choose_target 3
e2e_screenshot ide-build-macos-chosen
e2e_key F7
contents=$demo/BuildDemo.app/Contents
for i in $(seq 100); do
  [ -f "$contents/MacOS/BuildDemo.bin" ] && break
  sleep 0.2
done
sleep 1
listing=$(cd "$demo/BuildDemo.app" && find . -type f | sort | tr '\n' ' ')
[ "$listing" = "./Contents/Info.plist ./Contents/MacOS/BuildDemo ./Contents/MacOS/BuildDemo.bin ./Contents/PkgInfo ./Contents/Resources/BuildDemo.icns " ] ||
  e2e_fail "the bundle holds: $listing"
cp -r "$demo/BuildDemo.app" "$marker.app"
"$E2E_ROOT/out/native/tools/kvcli" build "$demo/BuildDemo.kvproj" --ide "$E2E_EXE" --target macos >/dev/null ||
  e2e_fail "the command-line build of the same project failed"
for f in PkgInfo Info.plist MacOS/BuildDemo MacOS/BuildDemo.bin Resources/BuildDemo.icns; do
  cmp -s "$marker.app/Contents/$f" "$contents/$f" || e2e_fail "F7 and kvcli write different $f"
done
rm -rf "$marker.app"

e2e_choose_target 1
touch "$marker"
sleep 1
e2e_key F7
wait_for_build
[ "$(od -An -tx2 -j "$(($(od -An -tu4 -j60 -N4 "$exe") + 4))" -N2 "$exe" | tr -d ' ')" = 014c ] ||
  e2e_fail "the Windows 32 build is not an x86 executable"
"$E2E_ROOT/tools/wine-run" "$exe" --kv-report | grep -Eq '^source main.js ' || e2e_fail "the x86 build does not run"

# Project > Open File Location: the shell shows the project folder (Wine's explorer, which
# this test ends itself).
e2e_key alt+p Down Down Return
folder_window=$(timeout 20 xdotool search --sync --onlyvisible --name '^[^-]*BuildDemo$' | head -n 1) ||
  e2e_fail "Open File Location showed no window for the project folder"
e2e_screenshot ide-build-file-location
# Closed with its caption's close button: an explorer that is killed leaves its instance
# registered with the prefix's server, and the next folder opened there then shows nothing.
eval "$(xdotool getwindowgeometry --shell "$folder_window")"
xdotool mousemove --window "$folder_window" $((WIDTH - 10)) 10 click 1
for i in $(seq 50); do
  xdotool search --onlyvisible --name '^[^-]*BuildDemo$' >/dev/null 2>&1 || break
  sleep 0.2
done
pkill -f 'explorer\.exe .*BuildDemo' || true
sleep 1
# The folder window took the foreground: a click on the caption gives it back to the IDE.
xdotool mousemove --window "$E2E_WINDOW" 300 10 click 1
sleep 0.5
e2e_key alt+F4
e2e_wait_exit 0
echo "ide-build: ok"
