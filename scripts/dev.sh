#!/bin/sh
# The two ways in: `scripts/dev.sh run` builds and starts Lexfall,
# `scripts/dev.sh test` builds and runs every test. `bench` runs the
# benchmarks, `demo` remakes the README's animation from its script.
set -eu
cd "$(dirname "$0")/.."

JOBS=$(nproc 2>/dev/null || echo 2)

build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build -j "$JOBS"
}

case "${1:-}" in
  run)
    sh scripts/install-deps.sh
    build
    exec ./build/bin/lexfall
    ;;
  test)
    sh scripts/install-deps.sh
    build
    ctest --test-dir build --output-on-failure --no-tests=error -j "$JOBS"
    # The core library's unit tests again, under AddressSanitizer and
    # UndefinedBehaviorSanitizer, without the desktop program.
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLEXFALL_SANITIZE=ON \
          -DLEXFALL_BUILD_APP=OFF -DLEXFALL_BUILD_BENCH=OFF
    cmake --build build-asan -j "$JOBS"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir build-asan --output-on-failure --no-tests=error -L unit -j "$JOBS"
    ;;
  bench)
    sh scripts/install-deps.sh
    cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DLEXFALL_BUILD_TESTS=OFF
    cmake --build build-release -j "$JOBS"
    for b in build-release/bin/bench_*; do "$b"; done
    ;;
  demo)
    sh scripts/install-deps.sh
    build
    ./build/bin/lexfall-record --size 640x360 --fps 15 --physics sturdy docs/demo.lexfall docs/demo.gif
    ;;
  *)
    echo "usage: scripts/dev.sh run|test|bench|demo" >&2
    exit 2
    ;;
esac
