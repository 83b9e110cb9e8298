#!/usr/bin/env bash
# Takes the pictures for the user guide (docs/bilder) from a build that already exists.
# Usage: tools/screenshots.sh [BUILD_DIR]   (default: build)
# Builds nothing: the pictures must show the program as it was built, not a fresh guess.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
program="$build/bin/korvala"
sample="$root/data/sample-7tage.log"
target="$root/docs/bilder"

if [[ ! -x "$program" ]]; then
    echo "screenshots.sh: $program fehlt; zuerst bauen (make oder cmake --build)." >&2
    exit 1
fi

raw="$(mktemp -d)"
trap 'rm -rf "$raw"' EXIT

# The program's own pictures are taken from its widgets, so an off-screen platform draws the same
# pixels as a real X server; xvfb-run is still preferred because it brings the desktop's fonts.
if [[ -n "${DISPLAY:-}" ]]; then
    "$program" --no-splash --screenshot "$raw" "$sample"
elif command -v xvfb-run >/dev/null 2>&1; then
    xvfb-run -a "$program" --no-splash --screenshot "$raw" "$sample"
else
    QT_QPA_PLATFORM=offscreen "$program" --no-splash --screenshot "$raw" "$sample"
fi

mkdir -p "$target"
# Names that say what the picture shows, so the guide's links read by themselves.
declare -A names=(
    [tab0]=uebersicht
    [tab1]=geschwindigkeit
    [tab2]=anzahl-kfz
    [tab3]=report
    [tab4]=analyse
    [about]=info
)
for shot in "${!names[@]}"; do
    from="$raw/$shot.png"
    to="$target/${names[$shot]}.png"
    if [[ ! -f "$from" ]]; then
        echo "screenshots.sh: $shot.png wurde nicht geschrieben." >&2
        exit 1
    fi
    # Fewer colours keep the repository small; the window's flat colours survive it unchanged.
    if command -v pngquant >/dev/null 2>&1; then
        pngquant --force --quality 70-95 --output "$to" "$from"
    elif convert -version 2>/dev/null | grep -q ImageMagick; then
        convert "$from" -strip -colors 128 "$to"
    else
        cp "$from" "$to"
    fi
    size=$(stat -c %s "$to")
    if ((size > 150 * 1024)); then
        echo "screenshots.sh: warnung: $to hat $size Bytes." >&2
    fi
done
echo "Bilder in $target:"
ls -l "$target"
