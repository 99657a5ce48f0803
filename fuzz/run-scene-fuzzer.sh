#!/bin/sh
# Builds the scene-file fuzzer with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs it for a set time,
# 300 seconds unless told otherwise. Real scenes seed it: lexfall-record
# (from build/ unless LEXFALL_RECORD names another) saves a few scripted
# ones, unpacked so that the fuzzer works on their JSON. What it learns
# stays in build-fuzz/scene-corpus/; an input that crashes it or takes over
# a minute lands in build-fuzz/scene-findings/.
#
# usage: sh fuzz/run-scene-fuzzer.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."

SECONDS_TO_RUN=${1:-300}
OUT=build-fuzz
RECORD=${LEXFALL_RECORD:-build/bin/lexfall-record}

if ! command -v clang++ >/dev/null 2>&1; then
  echo "run-scene-fuzzer: clang++ not found; install it with: apt-get install clang" >&2
  exit 2
fi
if [ ! -x "$RECORD" ]; then
  echo "run-scene-fuzzer: $RECORD not found; build lexfall-record first (or set LEXFALL_RECORD)" >&2
  exit 2
fi

SEEDS="$OUT/scene-seeds"
mkdir -p "$SEEDS" "$OUT/scene-corpus" "$OUT/scene-findings"
# A paused scene; letters piled up and asleep; the nozzle and WordNet.
printf 'type Hi\nsave typed.lexscene\n' >"$SEEDS/typed.lexfall"
printf 'collide on\ntype Lexfall\nkey Esc\nwait 5\nsave pile.lexscene\n' >"$SEEDS/pile.lexfall"
printf 'mode nozzle\ndrag 40 60 300 80 0.4\ndclick 200 100\nkey Esc\nwait 0.3\nsave words.lexscene\n' >"$SEEDS/words.lexfall"
"$RECORD" --size 400x300 "$SEEDS/typed.lexfall" "$SEEDS/typed.png"
"$RECORD" --size 400x300 --physics sturdy "$SEEDS/pile.lexfall" "$SEEDS/pile.png"
"$RECORD" --size 400x300 "$SEEDS/words.lexfall" "$SEEDS/words.png"
for scene in "$SEEDS"/*.lexscene; do
  gzip -dcf "$scene" >"$scene.json"
  rm "$scene"
done
rm -f "$SEEDS"/*.png "$SEEDS"/*.lexfall

echo "run-scene-fuzzer: building $OUT/scene-fuzzer"
# Each source on its own, as many at once as there are processors.
OBJECTS="$OUT/scene-objects"
mkdir -p "$OBJECTS"
# shellcheck disable=SC2046 # pkg-config prints several flags
CXXFLAGS="-std=c++20 -g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -Isrc $(pkg-config --cflags freetype2 fontconfig harfbuzz glu zlib)"
export CXXFLAGS OBJECTS
if ! ls src/physics/*.cpp src/glyph/*.cpp src/platform/*.cpp src/view/*.cpp src/bodies/*.cpp src/render/*.cpp \
      src/words/*.cpp | xargs -P "$(nproc)" -I{} sh -c 'o="$OBJECTS/$(echo "{}" | tr / _).o"; [ "$o" -nt "{}" ] || clang++ $CXXFLAGS -c "{}" -o "$o"' ||
   ! clang++ $CXXFLAGS -fsanitize=fuzzer fuzz/scene_fuzzer.cpp "$OBJECTS"/*.o \
      $(pkg-config --libs freetype2 fontconfig harfbuzz glu zlib) -lwordnet -ltbb -lpthread -o "$OUT/scene-fuzzer"; then
  echo "run-scene-fuzzer: the build failed; libFuzzer comes with apt-get install clang libclang-rt-14-dev" >&2
  exit 2
fi

echo "run-scene-fuzzer: fuzzing for $SECONDS_TO_RUN seconds"
exec "$OUT/scene-fuzzer" -max_total_time="$SECONDS_TO_RUN" -timeout=60 -max_len=262144 \
  -artifact_prefix="$OUT/scene-findings/" "$OUT/scene-corpus" "$SEEDS"
