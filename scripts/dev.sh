#!/bin/sh
# The two ways in: `scripts/dev.sh run` builds and starts Lexfall,
# `scripts/dev.sh test` builds and runs every test. `bench` runs the
# benchmarks, `demo` remakes the README's animation, its video and the screenshots
# from its script, `package` builds the Debian package and `package-test`
# builds, installs, checks and purges it.
set -eu
cd "$(dirname "$0")/.."

JOBS=$(nproc 2>/dev/null || echo 2)

configure() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
}

build() {
  configure
  cmake --build build -j "$JOBS"
}

# A release tree with the prefix /usr and Debian's hardening flags,
# packaged by cpack; the package is copied to the top of the clone.
package() {
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  # The man pages are dated from the last commit, not from the build.
  if [ -z "${SOURCE_DATE_EPOCH:-}" ] && epoch=$(git log -1 --format=%ct 2>/dev/null); then
    export SOURCE_DATE_EPOCH="$epoch"
  fi
  cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DLEXFALL_BUILD_TESTS=OFF -DLEXFALL_BUILD_BENCH=OFF \
        -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)" \
        -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
  cmake --build build-package -j "$JOBS"
  rm -f build-package/lexfall_*.deb ./lexfall_*.deb
  (cd build-package && cpack -G DEB)
  cp build-package/lexfall_*.deb .
}

case "${1:-}" in
  run)
    sh scripts/install-deps.sh
    # The program and the faces and words it reads, not the tests and
    # benchmarks: the test command builds those in the same tree.
    configure
    cmake --build build -j "$JOBS" --target lexfall
    exec ./build/bin/lexfall
    ;;
  test)
    sh scripts/install-deps.sh
    build
    ctest --test-dir build --output-on-failure --no-tests=error -j "$JOBS"
    # The libraries' unit tests again, under AddressSanitizer and
    # UndefinedBehaviorSanitizer, without the desktop program.
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DLEXFALL_SANITIZE=ON \
          -DLEXFALL_BUILD_APP=OFF -DLEXFALL_BUILD_BENCH=OFF
    cmake --build build-asan -j "$JOBS"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      ctest --test-dir build-asan --output-on-failure --no-tests=error -L unit -j "$JOBS"
    # The Debian package, installed, checked and purged: after every other
    # test, since it changes the machine.
    if [ "$(id -u)" -eq 0 ]; then
      package
      sh scripts/package-test.sh build-package/lexfall_*.deb
    else
      echo "test: the package test installs the package and needs root: sudo sh scripts/dev.sh package-test"
    fi
    ;;
  package)
    sh scripts/install-deps.sh
    package
    ;;
  package-test)
    sh scripts/install-deps.sh
    package
    sh scripts/package-test.sh build-package/lexfall_*.deb
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
    ./build/bin/lexfall-record --size 800x450 --fps 15 --from 1 --physics sturdy --collide --smooth \
      docs/demo.lexfall docs/demo.gif
    ./build/bin/lexfall-record --size 800x450 --fps 15 --from 1 --physics sturdy --collide --smooth \
      docs/demo.lexfall docs/demo.mp4
    # The metainfo's screenshots are frames of it: the word typed, the
    # nozzle's words, the compass. PNGs without dates, so equal frames
    # give equal files.
    mkdir -p docs/screenshots
    for shot in 5:typed 100:nozzle 230:compass; do
      convert "docs/demo.gif[0-${shot%%:*}]" -coalesce -delete 0--2 -strip \
              -define png:exclude-chunks=date,time "docs/screenshots/${shot#*:}.png"
    done
    ;;
  *)
    echo "usage: scripts/dev.sh run|test|bench|demo|package|package-test" >&2
    exit 2
    ;;
esac
