#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (FUZZ_SECONDS,
# default 60). Any crash, leak or sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=(sign parameter_file gateway_reply list_reply version_file package)
# The dictionary of the format each target reads.
declare -A dictionary=([sign]=xml [parameter_file]=xml [gateway_reply]=xml [list_reply]=xml
  [version_file]=ini [package]=zip)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DVELPAY_FUZZ=ON -DVELPAY_TESTS=OFF >/dev/null
ninja -C "$build" "${targets[@]/#/fuzz_}"

for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  echo "== fuzz_$target for ${seconds}s =="
  (cd "$build" && "bin/fuzz_$target" -dict="$OLDPWD/tests/fuzz/${dictionary[$target]}.dict" \
    -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -print_final_stats=1 \
    "corpus/$target" "$OLDPWD/tests/fuzz/seeds/$target" 2>&1 | tail -n 12)
done
