#!/usr/bin/env bash
# The runtime stubs with a project attached, as a build leaves them: the x64 and the x86 stub
# each get a payload appended by the IDE's section appender and, run with --kv-report, list
# every entry with its sizes and the CRC-32 of its contents, then their own version strings
# and icon count; an icon stamped in before replaces the stub's own. A damaged entry ends in
# exit code 1, a stub without a project in 2. Run without arguments the stub shows its report
# in a window; closing it ends the program with 0.
# Then the runtime pack in KelVoxStudio.exe is read back with the shell's own tools and
# compared with what went in.
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

fixture=$E2E_ROOT/out/native/tests/tools/kv_snapshot_fixture
stamper=$E2E_ROOT/out/win64/tests/tools/kv_stamp_fixture.exe
stub64=$E2E_ROOT/out/win64/tools/runtime-stub/KelVoxRuntime.exe
stub32=${KV_WIN32_STUB:-$E2E_ROOT/out/win32/tools/runtime-stub/KelVoxRuntime.exe}
macos_stub=$E2E_ROOT/out/win64/tools/runtime-stub/KelVoxRuntime-macos
project_icon=$E2E_ROOT/out/win64/resources/project.ico
studio_exe=$E2E_EXE
for f in "$fixture" "$stamper" "$stub64" "$stub32" "$macos_stub" "$project_icon" "$E2E_EXE"; do
  [ -f "$f" ] || e2e_fail "$f is not built"
done

work=$(mktemp -d)
trap 'rc=$?; e2e_cleanup; rm -rf "$work"; exit $rc' EXIT

# A small project: sources with CRLF lines, one with a non-ASCII name holding a space, an
# empty one, a dialog window and a compiled library block with no functions.
mkdir -p "$work/project"
for i in $(seq 200); do printf 'kv.print("line %d");\r\n' "$i"; done >"$work/project/main.js"
printf 'function helper() { return "\xc3\xa9t\xc3\xa9"; }\r\n' >"$work/project/helper.js"
: >"$work/project/empty.js"
printf 'window mainWin 0 0 300 200 "Main"\r\nbutton ok 10 10 80 24 "OK"\r\n' >"$work/project/mainWin.win"
printf '\0\0\0\0' >"$work/project/user32.lib"
entries=(
  "source:main.js=$work/project/main.js"
  "source:$(printf '\xc3\x9c')ber uns.js=$work/project/helper.js"
  "source:empty.js=$work/project/empty.js"
  "window:mainWin=$work/project/mainWin.win"
  "library:user32.dll=$work/project/user32.lib"
)

# CRC-32 as gzip stores it in its trailer, little-endian like this machine.
crc32() { gzip -c <"$1" | tail -c 8 | head -c 4 | od -An -tx4 | tr -d ' \n'; }

# The report lines a payload of the entries above must give: what the writer recorded, the
# file's size and its CRC computed here.
expected_entries() {
  local recorded=$1 line entry file table_name size packed
  local i=0
  while IFS= read -r line; do
    entry=${entries[$i]}
    file=${entry#*=}
    read -r size packed <<<"$(awk '{print $(NF-1), $NF}' <<<"$line")"
    [ "$size" = "$(stat -c %s "$file")" ] || e2e_fail "the fixture recorded $size bytes for $file"
    table_name=${line% * *}
    printf '%s %s %s %s\n' "$table_name" "$size" "$packed" "$(crc32 "$file")"
    i=$((i + 1))
  done <"$recorded"
}

own_resources=$'version 1.0.0.0\nproduct KelVox Runtime Stub\nicons 2'

# run_report EXE NAME: runs EXE --kv-report; leaves stdout, stderr and the exit code in
# $work/NAME.{out,err,rc}.
run_report() {
  local rc=0
  "$E2E_ROOT/tools/wine-run" "$1" --kv-report >"$work/$2.out" 2>"$work/$2.err" || rc=$?
  echo "$rc" >"$work/$2.rc"
}

expect_report() {
  local name=$1 rc=$2 stdout=$3 message=${4:-}
  [ "$(cat "$work/$name.rc")" = "$rc" ] ||
    e2e_fail "$name: exit code $(cat "$work/$name.rc"), expected $rc; stderr: $(cat "$work/$name.err")"
  [ "$(cat "$work/$name.out")" = "$stdout" ] ||
    e2e_fail "$name: printed"$'\n'"$(cat "$work/$name.out")"$'\n'"expected"$'\n'"$stdout"
  if [ -n "$message" ]; then
    grep -qF "$message" "$work/$name.err" || e2e_fail "$name: stderr lacks '$message': $(cat "$work/$name.err")"
  fi
}

check_stub() {
  local bits=$1 stub=$2
  local plain=$work/plain$bits.exe good=$work/good$bits.exe damaged=$work/damaged$bits.exe

  cp "$stub" "$plain"
  run_report "$plain" "plain$bits"
  expect_report "plain$bits" 2 "$own_resources" "has no snapshot section"

  "$fixture" "$good" "$stub" "${entries[@]}" >"$work/good$bits.recorded"
  run_report "$good" "good$bits"
  expect_report "good$bits" 0 "$(expected_entries "$work/good$bits.recorded")"$'\n'"$own_resources"

  "$fixture" "$damaged" "$stub" --damage main.js "${entries[@]}" >"$work/damaged$bits.recorded"
  run_report "$damaged" "damaged$bits"
  expect_report "damaged$bits" 1 "$(expected_entries "$work/damaged$bits.recorded" | grep -v '^source main.js ')"$'\n'"$own_resources" \
    "source 'main.js': its stream is damaged"

  # Stamped as a build stamps a project's icon, then given the project: the stub's own
  # icon group is replaced, not joined by a second one.
  local stamped=$work/stamped$bits.exe
  cp "$stub" "$stamped"
  "$E2E_ROOT/tools/wine-run" "$stamper" "Z:${stamped//\//\\}" 4 || e2e_fail "stamping the $bits-bit stub failed"
  "$fixture" "$work/stamped$bits-project.exe" "$stamped" "${entries[@]}" >"$work/stamped$bits.recorded"
  run_report "$work/stamped$bits-project.exe" "stamped$bits"
  expect_report "stamped$bits" 0 "$(expected_entries "$work/stamped$bits.recorded")"$'\n'"${own_resources%icons 2}icons 4"
  echo "runtime-stub: the $bits-bit stub reports its payload and its stamped icon"
}

check_stub 64 "$stub64"
check_stub 32 "$stub32"

# Without arguments: the report in a window, closed as a user closes it.
E2E_EXE=$work/good64.exe
e2e_start 'KelVox Runtime'
e2e_screenshot runtime-stub-window
e2e_key alt+F4
e2e_wait_exit 0
echo "runtime-stub: the window shows and closes"

# The runtime pack: the last section of KelVoxStudio.exe, read with dd and od.
u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
bytes() { dd if="$1" iflag=skip_bytes,count_bytes skip="$2" count="$3" bs=64K status=none; }
studio=$studio_exe
pe=$(u32 "$studio" 60)
sections=$(u16 "$studio" $((pe + 6)))
last=$((pe + 24 + $(u16 "$studio" $((pe + 20))) + (sections - 1) * 40))
[ "$(bytes "$studio" "$last" 8 | tr -d '\0')" = kvrsrc ] || e2e_fail "the last section of $studio is not kvrsrc"
[ "$(u32 "$studio" $((last + 36)))" = $((0x02000000)) ] || e2e_fail "kvrsrc is not only discardable"
pack=$(u32 "$studio" $((last + 20)))
pack_size=$(u32 "$studio" $((last + 8)))
inputs=("$project_icon" "$stub64" "$stub32" "$macos_stub")
next=32
for entry in 0 1 2 3; do
  offset=$(u32 "$studio" $((pack + 8 * entry)))
  size=$(u32 "$studio" $((pack + 8 * entry + 4)))
  [ "$offset" = "$next" ] || e2e_fail "pack entry $entry at $offset, expected $next"
  next=$((offset + size))
  bytes "$studio" $((pack + offset)) "$size" >"$work/entry$entry"
  if [ "$entry" = 0 ]; then
    cmp -s "$work/entry0" "${inputs[0]}" || e2e_fail "pack entry 0 is not the default project icon"
    continue
  fi
  [ "$(od -An -tx1 -j6 -N2 "$work/entry$entry" | tr -d ' ')" = 0004 ] || e2e_fail "pack entry $entry is not checked with CRC64"
  xz -dc "$work/entry$entry" >"$work/runtime$entry" || e2e_fail "pack entry $entry is not one intact XZ stream"
  cmp -s "$work/runtime$entry" "${inputs[$entry]}" || e2e_fail "pack entry $entry is not ${inputs[$entry]}"
done
[ "$next" = "$pack_size" ] || e2e_fail "the pack's entries end at $next, the section holds $pack_size bytes"
echo "runtime-stub: KelVoxStudio.exe carries the runtime pack"
