#!/usr/bin/env bash
# Takes the pictures for the user guide (docs/bilder) from a build that already exists.
# Usage: tools/screenshots.sh [BUILD_DIR]   (default: build)
# Builds nothing: the pictures must show the program as it was built, not a fresh guess.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
program="$build/bin/korvala"
generator="$build/bin/korvala-gen"
cli="$build/bin/korvala-cli"
sample="$root/data/sample-7tage.log"
target="$root/docs/bilder"
# No single picture takes more than a few seconds; a dialog left open would wait forever.
limit_seconds=180

for tool in "$program" "$generator" "$cli"; do
    if [[ ! -x "$tool" ]]; then
        echo "screenshots.sh: $tool fehlt; zuerst bauen (make oder cmake --build)." >&2
        exit 1
    fi
done
if ! command -v pdftoppm >/dev/null 2>&1; then
    echo "screenshots.sh: pdftoppm fehlt (Paket poppler-utils)." >&2
    exit 1
fi

raw="$(mktemp -d)"
trap 'rm -rf "$raw"' EXIT

# The comparison: the same place two weeks later, after a speed display went up; drivers keep
# about four km/h slower. Generated, so the picture never depends on a file someone deleted.
after="$raw/nachher.log"
"$generator" --start 15/12/2026 --records 14000 --seed 7 --limit 46 -o "$after"

# The archive: six streets of a town, each measured a few times over two years. At the
# Hauptstraße a speed display went up in March 2026; drivers keep slower since.
archive="$raw/archiv.sqlite"
seed=100
file_into() {  # SITE LIMIT FIRST_DAY HOW_FAST_DRIVERS_GO
    seed=$((seed + 1))
    local log="$raw/archiv-$seed.log"
    "$generator" --days 7 --records 3000 --seed "$seed" --start "$3" --limit "$4" -o "$log"
    if ! "$cli" archive --db "$archive" add "$log" --site "$1" --limit "$2" \
        >/dev/null 2>"$raw/archiv.err"; then
        cat "$raw/archiv.err" >&2
        exit 1
    fi
}
for when in 03/03/2025:56 02/06/2025:57 01/09/2025:58 01/12/2025:57 02/03/2026:48 \
    01/06/2026:47 01/09/2026:48; do
    file_into "Hauptstraße 12" 50 "${when%:*}" "${when#*:}"
done
file_into "Schulweg" 30 10/03/2025 38
file_into "Schulweg" 30 15/09/2025 37
file_into "Schulweg" 30 09/03/2026 36
file_into "Ringstraße" 50 17/03/2025 47
file_into "Ringstraße" 50 13/10/2025 49
file_into "Ringstraße" 50 16/03/2026 48
file_into "Bahnhofstraße" 30 24/03/2025 33
file_into "Bahnhofstraße" 30 20/10/2025 34
file_into "Lindenallee" 50 07/04/2025 53
file_into "Lindenallee" 50 13/04/2026 54
file_into "Am Sportplatz" 30 14/04/2025 24

shoot() {
    timeout --kill-after=10 "$limit_seconds" "$@" --no-splash --screenshot "$raw" \
        --compare "$after" --archive "$archive" "$sample"
}
# The program's own pictures are taken from its widgets, so an off-screen platform draws the same
# pixels as a real X server; xvfb-run is still preferred because it brings the desktop's fonts.
status=0
if [[ -n "${DISPLAY:-}" ]]; then
    shoot "$program" || status=$?
elif command -v xvfb-run >/dev/null 2>&1; then
    shoot xvfb-run -a "$program" || status=$?
else
    QT_QPA_PLATFORM=offscreen shoot "$program" || status=$?
fi
if ((status == 124 || status == 137)); then
    echo "screenshots.sh: korvala --screenshot hing und wurde nach $limit_seconds s beendet." >&2
    exit 1
elif ((status != 0)); then
    echo "screenshots.sh: korvala --screenshot endete mit $status." >&2
    exit 1
fi

# First page of the PDF report, written as a build server would, without a window. The sample is
# saved with a site first, as a user would before handing the report on: the device's log has
# none, and the report would show an empty "Messort".
"$cli" spt -o "$raw/sample-7tage.spt" --site "Hauptstraße 12 (stadteinwärts)" --date 01.12.26 \
    --remark "Laternenmast vor Haus 12" "$sample"
timeout --kill-after=10 "$limit_seconds" "$program" --pdf "$raw/bericht.pdf" "$raw/sample-7tage.spt"
pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$raw/bericht.pdf" "$raw/pdf"
pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$raw/archive-history.pdf" "$raw/archive-pdf"

mkdir -p "$target"
# Names that say what the picture shows, so the guide's links read by themselves.
declare -A names=(
    [tab0]=uebersicht
    [tab1]=geschwindigkeit
    [tab2]=anzahl-kfz
    [tab3]=report
    [tab4]=analyse
    [about]=info
    [clock]=uhr
    [preview]=druckvorschau
    [compare]=vergleich
    [pdf]=pdf-bericht
    [archive]=archiv
    [trend]=archiv-verlauf
    [hotspots]=archiv-brennpunkte
    [archive-pdf]=archiv-pdf
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
