#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs every test:
# the unit and widget tests, the core tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the fuzz targets for a while, and the end-to-end test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test

jobs="$(nproc)"
fuzz_seconds="${VORKELN_FUZZ_SECONDS:-60}"
passed=0

# Runs ctest and adds its test count to the total (any failure stops the script).
run_ctest() {
    local log
    log="$(mktemp)"
    ctest "$@" --output-on-failure -j "$jobs" | tee "$log"
    passed=$((passed + $(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)))
    rm -f "$log"
}

echo "== build and unit tests"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORKELN_WERROR=ON -DVORKELN_BUILD_BENCH=ON
cmake --build build/test -j "$jobs"
run_ctest --test-dir build/test

echo "== core tests under AddressSanitizer and UndefinedBehaviorSanitizer, built as without Qt"
# CMake is told Qt is not there, so the core and its tests (the playing engine's among them)
# prove they build and pass on a machine that has no Qt.
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORKELN_BUILD_UI=OFF \
    -DVORKELN_SANITIZE=ON -DVORKELN_WERROR=ON -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_ctest --test-dir build/asan

if [[ -f fuzz/targets.txt ]]; then
    echo "== fuzzing, ${fuzz_seconds} s a target"
    cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DVORKELN_FUZZ=ON -DVORKELN_SANITIZE=ON \
        -DVORKELN_BUILD_TESTS=OFF -DVORKELN_WERROR=ON
    while read -r target; do
        [[ -z "$target" || "$target" == \#* ]] && continue
        cmake --build build/fuzz --target "$target" -j "$jobs"
        work="build/fuzz/corpus/$target"
        mkdir -p "$work"
        QT_QPA_PLATFORM=offscreen "build/fuzz/fuzz/$target" -max_total_time="$fuzz_seconds" -seed=1 \
            -print_final_stats=1 "$work" "fuzz/corpus/$target"
        passed=$((passed + 1))
    done < fuzz/targets.txt
fi

if [[ -x tests/e2e/run.sh ]]; then
    echo "== end-to-end test"
    tests/e2e/run.sh build/test/src/vorkeln
    passed=$((passed + $(tests/e2e/run.sh --count)))
fi
if [[ -f tests/e2e/sound.py ]]; then
    echo "== sound at the sink: silence before the first note, notes that start and end"
    /usr/bin/python3 tests/e2e/sound.py --short build/test/src/vorkeln
    passed=$((passed + $(/usr/bin/python3 tests/e2e/sound.py --count)))
fi
echo "== all tests passed"
echo "all: ${passed} passed, 0 failed"
