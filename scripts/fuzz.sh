#!/usr/bin/env bash
# Builds the fuzzers with clang, AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/
# and runs each for SECONDS (default 60) on a seed corpus made here. Inputs that crash, hang or
# trip a sanitizer are kept in build-fuzz/findings/; the script then fails.
#   scripts/fuzz.sh [SECONDS] [FUZZER...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
dir=build-fuzz

# clang and its runtime with libFuzzer (Debian 12: clang, libclang-rt-14-dev).
fuzzer_runtime() { [ -f "$(clang -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null)" ]; }
if ! command -v clang++ >/dev/null || ! fuzzer_runtime; then
  SUDO=
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
fi

if [ ! -f $dir/CMakeCache.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B $dir -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPELZO_SANITIZE=ON -DPELZO_FUZZ=ON > $dir.configure.log 2>&1 || { cat $dir.configure.log; exit 1; }
  mv $dir.configure.log $dir/configure.log
fi
cmake --build $dir --target fuzz -j"$(nproc)"

fuzzers=("$@")
[ ${#fuzzers[@]} -gt 0 ] || fuzzers=($(cd $dir/fuzz/bin && ls fuzz_*))
seeds=$(mktemp -d)
trap 'rm -rf "$seeds"' EXIT
bash fuzz/seeds.sh "$seeds"
mkdir -p $dir/findings

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LC_ALL=C.UTF-8
failed=()
for f in "${fuzzers[@]}"; do
  corpus=$dir/corpus/$f
  mkdir -p "$corpus"
  echo "== $f: ${seconds}s"
  # Inputs up to 64 KiB (the card image seeds); a single input taking 10 s counts as a hang.
  if ! "$dir/fuzz/bin/$f" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65600 \
       -print_final_stats=1 -artifact_prefix="$dir/findings/$f-" "$corpus" "$seeds/$f" \
       > "$dir/findings/$f.log" 2>&1; then
    failed+=("$f")
    tail -60 "$dir/findings/$f.log"
  else
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$dir/findings/$f.log" || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]} (inputs in $dir/findings/)" >&2
  exit 1
fi
echo "fuzz: ${#fuzzers[@]} fuzzers, ${seconds}s each, no findings"
