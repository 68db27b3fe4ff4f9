#!/usr/bin/env bash
# The runtimes and the default icon come out of the packed KelVoxStudio.exe exactly as they
# went into its pack, through the IDE's own extraction code (built natively here).
set -euo pipefail
. "$(dirname "$0")/lib/e2e.sh"

export KV_PACKED_IDE=$E2E_EXE
export KV_PACK_ICON=$E2E_ROOT/out/win64/resources/project.ico
export KV_PACK_WIN64=$E2E_ROOT/out/win64/tools/runtime-stub/KelVoxRuntime.exe
export KV_PACK_WIN32=$E2E_ROOT/out/win32/tools/runtime-stub/KelVoxRuntime.exe
export KV_PACK_MACOS=$E2E_ROOT/out/win64/tools/runtime-stub/KelVoxRuntime-macos
"$E2E_ROOT/out/native/tests/build/kv_build_tests" --gtest_filter='PackedIde.*' --gtest_brief=1 ||
  e2e_fail "extraction from the packed IDE differs from the pack's inputs"
echo "runtime-extraction: ok"
