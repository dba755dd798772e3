#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and runs
# the whole test suite there. Tests labelled no_asan cannot run under the sanitizers and are left
# out (none at present: the LibreOffice tests run too, without the leak scan at their exit).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-asan
generator=()
command -v ninja >/dev/null && [ ! -f $dir/CMakeCache.txt ] && generator=(-G Ninja)
cmake -S . -B $dir "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELZO_SANITIZE=ON > /dev/null
cmake --build $dir -j"$(nproc)"
# The umockdev preload comes before the sanitizer runtime in the library list of every process
# that runs under the virtual meter; its programs set this themselves, the scripts' children too.
export ASAN_OPTIONS=${ASAN_OPTIONS:-verify_asan_link_order=0:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd $dir
ctest --output-on-failure --timeout 300 -j"$(nproc)" -LE no_asan
