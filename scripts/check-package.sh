#!/usr/bin/env bash
# Builds the Debian package from a build folder (default build-release) and
# checks it as installed, from the package unpacked into a temporary root:
# both programs start, the metadata and the desktop entry validate, the
# manual pages render without warnings and the completion offers the
# subcommands of the program's own help.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
rm -f "$build"/tonzettel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tonzettel_*.deb)
echo "== $deb"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
export HOME="$root/home" XDG_STATE_HOME="$root/state" XDG_CONFIG_HOME="$root/config"
mkdir -p "$HOME"
cli="$root/usr/bin/tonzettel-cli"
fail() { echo "check-package: $*" >&2; exit 1; }

version=$(sed -n 's/^project(Tonzettel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$("$cli" --version)" = "tonzettel-cli $version" ] || fail "tonzettel-cli --version"
[[ $deb == */tonzettel_${version}_*.deb ]] || fail "package name $deb"

# The window program runs until it is stopped; a crash at start ends it early.
rc=0
QT_QPA_PLATFORM=offscreen timeout 5 "$root/usr/bin/tonzettel" >/dev/null 2>&1 || rc=$?
[ "$rc" -eq 124 ] || fail "tonzettel ended with $rc instead of running"

desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop entry"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null ||
  fail "AppStream metadata"
for page in "$root"/usr/share/man/man1/*.1; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# The installed tool finds its image module: a picture's pixel size is listed.
song="$root/song.mp3"
head -c 88200 /dev/zero | lame -r --quiet - "$song" 2>/dev/null
/usr/bin/python3 - "$song" <<'PY'
import struct, sys, zlib
from mutagen.id3 import ID3, APIC
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 3, 2, 8, 2, 0, 0, 0)) +
       chunk(b"IDAT", zlib.compress(b"\0" + b"\0" * 9 + b"\0" + b"\0" * 9)) + chunk(b"IEND", b""))
tags = ID3()
tags.add(APIC(encoding=0, mime="image/png", type=3, desc="", data=png))
tags.save(sys.argv[1])
PY
"$cli" cover "$song" | grep -q $'\t3x2\t' || fail "tonzettel-cli cover does not find its image module"

completion="$root/usr/share/bash-completion/completions/tonzettel-cli"
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tonzettel_cli
           printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@" | sort
}
commands=$("$cli" --help | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' | sort -u)
offered=$(complete_words tonzettel-cli "" | grep -v '^--')
[ "$offered" = "$commands" ] || fail "completion offers \"$offered\", the help names \"$commands\""
[ "$(complete_words tonzettel-cli set --level "" | tr '\n' ' ')" = "1 2 " ] ||
  fail "completion of --level"
echo "package checks passed"
