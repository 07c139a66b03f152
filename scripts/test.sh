#!/usr/bin/env bash
# Sets everything up, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# runs every test, and runs the benchmarks once as smoke checks.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$top/build-asan

"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$build_dir" -DMIMICRY_SANITIZE=ON

export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export LSAN_OPTIONS=suppressions=$top/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cd "$build_dir"
status=0
# Tests that share a fixed port take a lock, so two at a time is safe.
ctest -j2 --output-on-failure --timeout 600 || status=$?

if [ -d "$build_dir/bench" ]; then
    echo "== benchmarks (smoke) =="
    for bench in "$build_dir"/bench/bench_*; do
        [ -f "$bench" ] && [ -x "$bench" ] || continue
        QT_QPA_PLATFORM=offscreen "$bench" --quick || status=1
    done
fi
exit $status
