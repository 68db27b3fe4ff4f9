# Functions behind ./kelvox: packages, source packages, the Wine prefix, the X display and
# the test summary. Sourced, not run.

kv_log() { printf '[kelvox] %s\n' "$*" >&2; }

kv_as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Debian packages the project needs: native toolchain and libraries, the mingw-w64
# cross compilers, Wine (64- and 32-bit), the X server and tools the GUI tests drive,
# what the image pipeline renders with, and the independent readers tests check
# built executables with (pefile, icoutils' wrestool).
KV_PACKAGES=(
  cmake ninja-build g++ pkg-config dpkg-dev
  libxml2-dev liblzma-dev libgtest-dev libgmock-dev googletest libpng-dev
  clang-14 libfuzzer-14-dev libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 wine32:i386 fonts-wine fonts-dejavu-core
  xvfb xdotool x11-utils imagemagick librsvg2-bin file xz-utils python3 python3-pefile icoutils
)

kv_install_packages() {
  local missing=() p
  for p in "${KV_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  kv_log "installing ${missing[*]}"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    kv_as_root dpkg --add-architecture i386 || return 1
  fi
  kv_as_root apt-get update -q >/dev/null || return 1
  kv_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" \
    >"${TMPDIR:-/tmp}/kelvox-apt.log" 2>&1 || { tail -n 30 "${TMPDIR:-/tmp}/kelvox-apt.log" >&2; return 1; }
}

KV_SOURCES_FILE=/etc/apt/sources.list.d/kelvox-deb-src.sources

# Writes deb-src entries derived from the system's own deb entries of this release
# (its codename and the suites named after it, such as -updates and -security), so that
# `apt-get source` fetches from the same archives the packages came from.
kv_derive_source_entries() {
  local codename
  codename=$(. /etc/os-release && printf '%s' "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || return 1
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] && [ "$f" != "$KV_SOURCES_FILE" ] || continue
    kv_deb822_to_source "$codename" <"$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -e "$f" ] || continue
    kv_one_line_to_source "$codename" <"$f"
  done
}

# One deb822 file on stdin: every stanza whose Types include deb, with its suites cut to
# those of the release, is printed with Types: deb-src.
kv_deb822_to_source() {
  local codename=$1 line stanza="" types="" suites=""
  flush() {
    local keep="" s
    for s in $suites; do
      case "$s" in "$codename"|"$codename"-*) keep="$keep $s" ;; esac
    done
    if [ -n "$stanza" ] && [[ " $types " == *" deb "* ]] && [ -n "$keep" ]; then
      printf 'Types: deb-src\nSuites:%s\n%s\n' "$keep" "$stanza"
    fi
    stanza="" types="" suites=""
  }
  while IFS= read -r line || [ -n "$line" ]; do
    case "$line" in
      "") flush ;;
      Types:*) types=${line#Types:} ;;
      Suites:*) suites=${line#Suites:} ;;
      \#*) ;;
      *) stanza+="$line"$'\n' ;;
    esac
  done
  flush
}

# One-line sources on stdin: "deb [opts] URI suite components" of the release become deb-src.
# Of the options only the key and trust settings matter for sources.
kv_one_line_to_source() {
  local codename=$1 line opt extra
  while IFS= read -r line || [ -n "$line" ]; do
    [[ "$line" =~ ^deb[[:space:]]+(\[([^]]*)\][[:space:]]+)?([^[:space:]]+)[[:space:]]+([^[:space:]]+)[[:space:]]+(.+)$ ]] || continue
    case "${BASH_REMATCH[4]}" in "$codename"|"$codename"-*) ;; *) continue ;; esac
    extra=""
    for opt in ${BASH_REMATCH[2]}; do
      case "$opt" in
        signed-by=*) extra+="Signed-By: ${opt#signed-by=}"$'\n' ;;
        trusted=*) extra+="Trusted: ${opt#trusted=}"$'\n' ;;
      esac
    done
    printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n%s\n' \
      "${BASH_REMATCH[3]}" "${BASH_REMATCH[4]}" "${BASH_REMATCH[5]}" "$extra"
  done
}

kv_enable_source_packages() {
  local wanted
  wanted=$(kv_derive_source_entries) || { kv_log "cannot read this system's release"; return 1; }
  [ -n "$wanted" ] || { kv_log "no apt entries of this release to derive source entries from"; return 1; }
  grep -q -- '-security' <<<"$wanted" || kv_log "warning: no security suite among the apt entries"
  if [ "$(cat "$KV_SOURCES_FILE" 2>/dev/null)" != "$wanted" ]; then
    kv_log "enabling source packages in $KV_SOURCES_FILE"
    printf '%s\n' "$wanted" | kv_as_root tee "$KV_SOURCES_FILE" >/dev/null || return 1
    kv_as_root apt-get update -q >/dev/null || return 1
  elif ! apt-get source --print-uris scite >/dev/null 2>&1; then
    kv_as_root apt-get update -q >/dev/null || return 1
  fi
}

# The project's own Wine prefix: made once, with real Documents-style folders instead of
# links into $HOME, and without the window manager hand-off that slows every dialog close
# on a bare X server.
kv_wine_prefix() {
  local stamp=$KV_WINEPREFIX/.kelvox-ready version
  # Bump the suffix when the prefix's preparation changes, so that old prefixes are redone.
  version="$(wine --version 2>/dev/null) prefix-4"
  [ "$(cat "$stamp" 2>/dev/null)" = "$version" ] && return 0
  kv_log "creating the Wine prefix $KV_WINEPREFIX"
  rm -rf "$KV_WINEPREFIX"
  mkdir -p "$(dirname "$KV_WINEPREFIX")"
  local run=(env WINEPREFIX="$KV_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=")
  "${run[@]}" wineboot -i >/dev/null 2>&1 || { kv_log "wineboot failed"; return 1; }
  local user_dir link
  for user_dir in "$KV_WINEPREFIX"/drive_c/users/*; do
    [ "$(basename "$user_dir")" = Public ] && continue
    for link in "$user_dir"/*; do
      if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
    done
  done
  # Wine draws the caption buttons of its own window frames with Marlett, which it does not
  # find in Debian's font folder.
  cp /usr/share/wine/fonts/*.ttf "$KV_WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  "${run[@]}" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || return 1
  # The source editor asks for Consolas and the credits for Courier New, which only Windows
  # ships; without a stand-in Wine falls back to a proportional face and text loses its columns.
  local face
  for face in Consolas 'Courier New'; do
    "${run[@]}" wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'DejaVu Sans Mono' /f \
      >/dev/null 2>&1 || return 1
  done
  # A crashing program prints its backtrace and ends instead of waiting for a dialog no one
  # will answer.
  "${run[@]}" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || return 1
  "${run[@]}" wineserver -k >/dev/null 2>&1
  printf '%s' "$version" >"$stamp"
}

KV_XVFB_PID=

# Makes sure DISPLAY names a working X server; starts a private Xvfb when it does not and
# stops exactly that one when the script ends.
kv_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  KV_XVFB_PID=$!
  trap kv_stop_display EXIT
  export DISPLAY=":$n"
  local i
  for i in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  kv_log "Xvfb did not start on :$n"
  return 1
}

kv_stop_display() {
  [ -n "$KV_XVFB_PID" ] && kill "$KV_XVFB_PID" 2>/dev/null
  KV_XVFB_PID=
}

# Test bookkeeping: every suite adds its counts; the summary ends the run.
KV_PASSED=0
KV_FAILED=0
KV_FAILURES=()

kv_results_reset() { KV_PASSED=0; KV_FAILED=0; KV_FAILURES=(); }
kv_record_failure() { KV_FAILED=$((KV_FAILED + 1)); KV_FAILURES+=("$1"); }
kv_record_pass() { KV_PASSED=$((KV_PASSED + 1)); }

kv_run_ctest() {
  local preset=$1 log
  log=$(mktemp)
  ctest --preset "$preset" 2>&1 | tee "$log"
  local line total failed
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  rm -f "$log"
  if [ -z "$line" ]; then
    kv_record_failure "ctest $preset (no result)"
    return
  fi
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  failed=$(sed -E 's/.*tests passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  KV_PASSED=$((KV_PASSED + total - failed))
  KV_FAILED=$((KV_FAILED + failed))
  [ "$failed" = 0 ] || KV_FAILURES+=("ctest $preset: $failed failed")
}

# A run of every fuzzer (kv_fuzz_NAME), or only of the one named by the third argument,
# over its committed corpus (corpus/NAME) for KV_FUZZ_SECONDS each: short (20) by default,
# long runs on demand (./kelvox fuzz).
kv_run_fuzzers() {
  local bin=$1 corpus=$2 only=${3:-} f name work
  for f in "$bin"/fuzz/kv_fuzz_${only:-*}; do
    [ -x "$f" ] || continue
    name=${f##*/kv_fuzz_}
    work=$(mktemp -d)
    # A crashing input is kept under the build folder, never in the current folder.
    mkdir -p "$bin/artifacts"
    if "$f" -max_total_time="${KV_FUZZ_SECONDS:-20}" -print_final_stats=1 -artifact_prefix="$bin/artifacts/$name-" \
      "$work" "$corpus/$name" >"$work.log" 2>&1; then
      echo "fuzz $name: ok ($(grep -o 'stat::number_of_executed_units: [0-9]*' "$work.log" | grep -o '[0-9]*$') runs)"
      kv_record_pass
      [ "${KV_FUZZ_MERGE:-0}" = 1 ] && kv_merge_corpus "$f" "$corpus/$name" "$work"
    else
      tail -n 30 "$work.log"
      kv_record_failure "fuzz $name"
    fi
    rm -rf "$work" "$work.log"
  done
}

# Makes the kept corpus the smallest set of inputs that reaches all the code the kept inputs and
# a run's finds reach (libFuzzer's merge into an empty folder). Seeds with names of their own,
# the inputs of past findings, always stay, and under their names only.
kv_merge_corpus() {
  local fuzzer=$1 kept=$2 found=$3 merged="$3.merged" before f
  before=$(find "$kept" -type f | wc -l)
  rm -rf "$merged"
  mkdir -p "$merged"
  # A merge that fails or keeps nothing leaves the kept corpus as it is.
  if ! "$fuzzer" -merge=1 "$merged" "$kept" "$found" >"$found.merge.log" 2>&1 || [ -z "$(ls -A "$merged")" ]; then
    tail -n 30 "$found.merge.log"
    kv_record_failure "fuzz merge ${kept##*/}"
    rm -rf "$merged" "$found.merge.log"
    return
  fi
  for f in "$kept"/*; do
    [ -f "$f" ] || continue
    if [[ "${f##*/}" =~ ^[0-9a-f]{40}$ ]]; then
      rm -f "$f"
    else
      rm -f "$merged/$(sha1sum "$f" | cut -c1-40)"
    fi
  done
  mv "$merged"/* "$kept"/ 2>/dev/null
  echo "fuzz ${kept##*/}: $(find "$kept" -type f | wc -l) inputs kept in $kept (before: $before)"
  rm -rf "$merged" "$found.merge.log"
}

# End-to-end scripts: each tests/e2e/*.sh exits 0 on success.
kv_run_e2e() {
  local dir=$1 t
  for t in "$dir"/*.sh; do
    [ -f "$t" ] || continue
    if bash "$t"; then
      echo "e2e $(basename "$t" .sh): ok"
      kv_record_pass
    else
      echo "e2e $(basename "$t" .sh): FAILED"
      kv_record_failure "e2e $(basename "$t" .sh)"
    fi
  done
}

kv_results_summary() {
  local f
  for f in "${KV_FAILURES[@]}"; do echo "failed: $f"; done
  echo "total: $KV_PASSED passed, $KV_FAILED failed"
  [ "$KV_FAILED" = 0 ]
}
