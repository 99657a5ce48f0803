#!/bin/sh
# Installs the Debian package given (made by `scripts/dev.sh package` from
# build-package/), checks the installed programs against that build tree,
# then purges the package and checks that none of its files is left.
# Needs root. Runs on one machine take turns through a lock.
set -eu
cd "$(dirname "$0")/.."

deb=$(realpath "$1")
built=$(pwd)/build-package/bin
fail() {
  echo "package-test: $*" >&2
  exit 1
}

lintian --fail-on error "$deb"
# The metainfo with the desktop entry and icons it names, as packed.
tree=$(mktemp -d)
dpkg-deb -x "$deb" "$tree"
appstreamcli validate-tree --no-net "$tree"
rm -rf "$tree"

exec 9>/tmp/lexfall-package-test.lock
flock 9

export DEBIAN_FRONTEND=noninteractive
apt() {
  apt-get -o DPkg::Lock::Timeout=600 -y "$@" >/dev/null
}
# Installed, unpacked or configured in part: anything dpkg still holds.
present() {
  case "$(dpkg-query -W -f='${Status}' lexfall 2>/dev/null || true)" in
    "" | *not-installed) return 1 ;;
  esac
}
if present; then
  fail "lexfall is already installed on this machine; purge it first (apt-get purge lexfall)"
fi
work=$(mktemp -d)
cleanup() {
  if present; then apt purge lexfall || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
apt install --no-install-recommends "$deb"

# What the package holds, and what is on disk: a minimal system may be set
# to leave documentation and man pages out when installing.
dpkg-deb -c "$deb" | sed 's|.* \./|/|' >"$work/packed"
for path in \
    /usr/bin/lexfall /usr/bin/lexfall-record /usr/bin/lexfall-glyph \
    /usr/share/lexfall/fonts/arial.ttf /usr/share/lexfall/fonts/Symbol.ttf /usr/share/lexfall/words.txt \
    /usr/share/applications/io.github.lexfall.Lexfall.desktop \
    /usr/share/metainfo/io.github.lexfall.Lexfall.metainfo.xml \
    /usr/share/icons/hicolor/16x16/apps/lexfall.png /usr/share/icons/hicolor/32x32/apps/lexfall.png \
    /usr/share/icons/hicolor/48x48/apps/lexfall.png /usr/share/icons/hicolor/64x64/apps/lexfall.png \
    /usr/share/icons/hicolor/128x128/apps/lexfall.png /usr/share/icons/hicolor/256x256/apps/lexfall.png \
    /usr/share/icons/hicolor/scalable/apps/lexfall.svg \
    /usr/share/man/man1/lexfall.1.gz /usr/share/man/man1/lexfall-record.1.gz \
    /usr/share/man/man1/lexfall-glyph.1.gz \
    /usr/share/doc/lexfall/copyright /usr/share/doc/lexfall/README.md \
    /usr/share/doc/lexfall/examples/demo.lexfall; do
  grep -qx "$path" "$work/packed" || fail "the package lacks $path"
  case "$path" in
    /usr/share/doc/* | /usr/share/man/*) ;;
    *) [ -f "$path" ] || fail "$path is not installed" ;;
  esac
done

# The installed programs find their data under /usr/share and give what the
# build tree gives, run from a folder with no faces of its own.
script=$(pwd)/docs/demo.lexfall
cd "$work"
version=$(/usr/bin/lexfall --version)
[ "$version" = "$("$built/lexfall" --version)" ] || fail "lexfall --version says \"$version\""
/usr/bin/lexfall-record --size 640x360 --fps 15 --physics sturdy "$script" installed.gif
"$built/lexfall-record" --size 640x360 --fps 15 --physics sturdy "$script" built.gif
cmp installed.gif built.gif || fail "the installed lexfall-record records other bytes"
/usr/bin/lexfall-glyph --font symbol a installed.svg
"$built/lexfall-glyph" --font symbol a built.svg
cmp installed.svg built.svg || fail "the installed lexfall-glyph draws another picture"
cd - >/dev/null

dpkg-query -L lexfall >"$work/files"
apt purge lexfall
! present || fail "lexfall is not purged"
while read -r path; do
  if [ -e "$path" ] && [ ! -d "$path" ]; then
    fail "$path is left after purging"
  fi
done <"$work/files"
for dir in /usr/share/lexfall /usr/share/doc/lexfall; do
  [ ! -e "$dir" ] || fail "$dir is left after purging"
done
echo "package-test: $(basename "$deb") installs, runs as the build tree does, and purges cleanly"
