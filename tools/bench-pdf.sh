#!/usr/bin/env bash
# Wall time and peak memory (RSS) of writing the traffic report PDF for a generated week of
# device logs, from opening the file to the finished PDF.
#
#   tools/bench-pdf.sh [BUILD_DIR]
#
# KORVALA_BENCH_RECORDS   records of the generated week (default 1000000)
# KORVALA_BENCH_DIR       where the log and the PDF go (default /tmp/korvala-bench)
#
# Uses `korvala --pdf` when the window program offers it, otherwise the report test's benchmark
# function, which runs the same headless report. Needs no display: the offscreen platform is used.
set -euo pipefail

BUILD=${1:-build}
RECORDS=${KORVALA_BENCH_RECORDS:-1000000}
DIR=${KORVALA_BENCH_DIR:-/tmp/korvala-bench}
GEN=$BUILD/bin/korvala-gen
APP=$BUILD/bin/korvala
TEST=$BUILD/bin/ui_test_traffic_report
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

if [[ -x $APP ]] && "$APP" --help 2>/dev/null | grep -q -- '--pdf'; then
    rm -f "$PDF"
    "$TIME" -f "korvala --pdf: %e s, %M kB peak" "$APP" --pdf "$PDF" "$LOG"
    pdfinfo "$PDF" | grep -E '^(Pages|File size):'
elif [[ -x $TEST ]]; then
    KORVALA_BENCH_PDF=$LOG "$TIME" -f "whole test process: %e s, %M kB peak" \
        "$TEST" benchmarkLargeMeasurement | grep -E 'RESULT|msecs|PASS|FAIL' || true
else
    echo "bench-pdf: weder $APP mit --pdf noch $TEST gebaut" >&2
    exit 1
fi
