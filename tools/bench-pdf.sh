#!/usr/bin/env bash
# Wall time and peak memory (RSS) of writing the traffic report PDF for a generated week of
# device logs, from opening the file to the finished PDF.
#
#   tools/bench-pdf.sh [BUILD_DIR]
#
# KORVALA_BENCH_RECORDS   records of the generated week (default 1000000)
# KORVALA_BENCH_DIR       where the log and the PDF go (default /tmp/korvala-bench)
#
# Runs `korvala --pdf`, which needs no display: the offscreen platform is used.
set -euo pipefail

BUILD=${1:-build}
RECORDS=${KORVALA_BENCH_RECORDS:-1000000}
DIR=${KORVALA_BENCH_DIR:-/tmp/korvala-bench}
GEN=$BUILD/bin/korvala-gen
APP=$BUILD/bin/korvala
TIME=/usr/bin/time

if [[ ! -x $GEN ]]; then
    echo "bench-pdf: $GEN fehlt (erst bauen: cmake --build $BUILD --target korvala-gen)" >&2
    exit 1
fi
mkdir -p "$DIR"
LOG=$DIR/week-$RECORDS.log
PDF=$DIR/week-$RECORDS.pdf
if [[ ! -f $LOG ]]; then
    "$GEN" --days 7 --records "$RECORDS" -o "$LOG"
fi
export QT_QPA_PLATFORM=offscreen
export QT_QPA_FONTDIR=${QT_QPA_FONTDIR:-/usr/share/fonts/truetype/dejavu}

if [[ ! -x $APP ]]; then
    echo "bench-pdf: $APP fehlt (erst bauen)" >&2
    exit 1
fi
rm -f "$PDF"
"$TIME" -f "korvala --pdf: %e s, %M kB peak" "$APP" --pdf "$PDF" "$LOG"
pdfinfo "$PDF" | grep -E '^(Pages|File size):'
