#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, checks that the installed program works
# without a display (PDF report of the bundled sample, the CLI's help, the man page, the MIME
# types), then removes it again. Run as root on a Debian 12 machine: tools/package-check.sh [BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
make package BUILD="$build"
deb=$(ls -1t "$build"/korvala_*.deb | head -n 1)
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb"
trap 'apt-get remove -y -qq korvala >/dev/null' EXIT
out=$(mktemp -d)
env -u DISPLAY -u WAYLAND_DISPLAY korvala --pdf "$out/bericht.pdf" /usr/share/korvala/data/sample-7tage.log
pdfinfo "$out/bericht.pdf" | grep -q '^Pages:'
korvala-cli --help >/dev/null
korvala-cli report /usr/share/korvala/data/sample.spt >/dev/null
man -w korvala-cli >/dev/null
test -f /usr/share/mime/packages/korvala.xml
test -f /usr/share/applications/korvala.desktop
echo "Paket $deb: installiert, geprüft und wieder entfernt."
