#!/bin/sh
# Builds the font fuzzer with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs it for a set time,
# 300 seconds unless told otherwise. The crafted faces, the glyph test
# faces (TrueType and CFF) and a Type 1 face of Debian's seed it; what it learns stays in build-fuzz/corpus/ for the next
# run, and an input that crashes it, meshes a character for over a second
# or takes over a minute in all lands in build-fuzz/findings/.
#
# usage: sh fuzz/run-font-fuzzer.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."

SECONDS_TO_RUN=${1:-300}
OUT=build-fuzz

if ! command -v clang++ >/dev/null 2>&1; then
  echo "run-font-fuzzer: clang++ not found; install it with: apt-get install clang" >&2
  exit 2
fi

mkdir -p "$OUT/seeds" "$OUT/corpus" "$OUT/findings"
/usr/bin/python3 scripts/make-crafted-fonts.py "$OUT/seeds"
/usr/bin/python3 scripts/make-test-fonts.py "$OUT/seeds"
TYPE1_SEED=/usr/share/fonts/type1/urw-base35/D050000L.t1 # fonts-urw-base35, 43 KB
if [ -r "$TYPE1_SEED" ]; then cp "$TYPE1_SEED" "$OUT/seeds/"; fi

echo "run-font-fuzzer: building $OUT/font-fuzzer"
# shellcheck disable=SC2046 # pkg-config prints several flags
if ! clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
      -Isrc $(pkg-config --cflags freetype2 fontconfig harfbuzz glu) \
      fuzz/font_fuzzer.cpp src/glyph/*.cpp src/platform/RegularFile.cpp \
      $(pkg-config --libs freetype2 fontconfig harfbuzz glu) -o "$OUT/font-fuzzer"; then
  echo "run-font-fuzzer: the build failed; libFuzzer comes with apt-get install clang libclang-rt-14-dev" >&2
  exit 2
fi

echo "run-font-fuzzer: fuzzing for $SECONDS_TO_RUN seconds"
exec "$OUT/font-fuzzer" -max_total_time="$SECONDS_TO_RUN" -timeout=60 -max_len=65536 \
  -artifact_prefix="$OUT/findings/" "$OUT/corpus" "$OUT/seeds"
