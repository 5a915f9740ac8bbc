#!/usr/bin/env bash
# Fuzzes loading and drawing with libFuzzer for a given time.
# Usage: scripts/fuzz.sh [seconds=600] [extra libFuzzer flags...]
# Needs clang and libclang-rt-14-dev (installed if missing).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}; shift || true

for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ -n "${missing[*]:-}" ]; then
  sudo=(); [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq && "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
scripts/install-deps.sh run

cmake -S . -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVESK_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz --target fuzz_load -j "$(nproc)"

corpus=fuzz/corpus; seeds=fuzz/seeds
mkdir -p "$corpus" fuzz/artifacts
export QT_QPA_PLATFORM=offscreen QT_FONT_DPI=96
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
build/fuzz/fuzz/fuzz_load "$corpus" "$seeds" examples tests/data \
  -max_total_time="$seconds" -timeout=1 -rss_limit_mb=2048 -max_len=200000 \
  -artifact_prefix=fuzz/artifacts/ -dict=fuzz/vesk.dict -print_final_stats=1 "$@"
