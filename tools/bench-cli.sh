#!/usr/bin/env bash
# Whole-process timings of korvala-cli on generated device logs: wall time and peak memory (RSS)
# of json, csv and rtf, one run each, as `make bench` prints them.
#
#   tools/bench-cli.sh [BUILD_DIR]
#
# KORVALA_BENCH_SIZES   record counts to measure (default "10000 100000 1000000 5000000")
# KORVALA_BENCH_DIR     where the generated logs and outputs go (default /tmp/korvala-bench)
# KORVALA_BENCH_RUNS    runs per command; the fastest is reported (default 1)
# KORVALA_BENCH_BLANK_MB  size of the hostile log, one record and then blank lines (default 256;
#                       0 leaves it out): its peak RSS must stay near the file size, as memory
#                       follows the records kept, not the lines
#
# Generated logs are kept and reused between runs (same seed, same file), so a second run only
# measures. Figures depend on the machine; bench/README.md records a measured set.
set -euo pipefail

BUILD=${1:-build}
CLI=$BUILD/bin/korvala-cli
GEN=$BUILD/bin/korvala-gen
SIZES=${KORVALA_BENCH_SIZES:-"10000 100000 1000000 5000000"}
DIR=${KORVALA_BENCH_DIR:-/tmp/korvala-bench}
RUNS=${KORVALA_BENCH_RUNS:-1}
BLANK_MB=${KORVALA_BENCH_BLANK_MB:-256}
TIME=/usr/bin/time

for tool in "$CLI" "$GEN"; do
    if [[ ! -x $tool ]]; then
        echo "bench-cli: $tool fehlt (erst bauen: cmake --build $BUILD)" >&2
        exit 1
    fi
done
if [[ ! -x $TIME ]]; then
    echo "bench-cli: $TIME fehlt (Debian-Paket time)" >&2
    exit 1
fi
mkdir -p "$DIR"

# One measured run: prints "seconds peak-kB exit-code".
measure() {
    local out=$DIR/time.txt rc=0
    "$TIME" -f "%e %M" -o "$out" "$@" >/dev/null 2>"$DIR/stderr.txt" || rc=$?
    echo "$(tail -n 1 "$out") $rc"
}

printf '%-10s %-8s %-5s %10s %12s %8s\n' "records" "log MB" "cmd" "wall s" "peak RSS MB" "status"
for n in $SIZES; do
    log=$DIR/gen-$n.log
    if [[ ! -s $log ]]; then
        "$GEN" --days 7 --records "$n" --seed 42 -o "$log"
    fi
    size_mb=$(awk -v b="$(stat -c %s "$log")" 'BEGIN { printf "%.1f", b / 1048576 }')
    for cmd in json csv rtf; do
        best_s="" best_kb="" status=ok
        for ((run = 0; run < RUNS; run++)); do
            case $cmd in
                json) read -r s kb rc < <(measure "$CLI" json "$log") ;;
                csv) read -r s kb rc < <(measure "$CLI" csv "$log" -o "$DIR/out-$n.csv" --site "Messort") ;;
                rtf) read -r s kb rc < <(measure "$CLI" rtf "$log" -o "$DIR/out-$n.rtf") ;;
            esac
            [[ $rc == 0 ]] || status="exit $rc"
            if [[ -z $best_s ]] || awk -v a="$s" -v b="$best_s" 'BEGIN { exit !(a < b) }'; then
                best_s=$s best_kb=$kb
            fi
        done
        printf '%-10s %-8s %-5s %10s %12s %8s\n' "$n" "$size_mb" "$cmd" "$best_s" \
            "$(awk -v k="$best_kb" 'BEGIN { printf "%.1f", k / 1024 }')" "$status"
    done
done
if ((BLANK_MB > 0)); then
    log=$DIR/blank-$BLANK_MB.log
    if [[ ! -s $log ]]; then
        { printf '/03/12/2026/10:00:00,40\r\n'; head -c $((BLANK_MB * 1048576)) /dev/zero | tr '\0' '\n'; } >"$log"
    fi
    read -r s kb rc < <(measure "$CLI" json "$log")
    printf '%-10s %-8s %-5s %10s %12s %8s\n' "1+blank" "$BLANK_MB" json "$s" \
        "$(awk -v k="$kb" 'BEGIN { printf "%.1f", k / 1024 }')" "$([[ $rc == 0 ]] && echo ok || echo "exit $rc")"
fi
rm -f "$DIR"/out-*.csv "$DIR"/out-*.rtf "$DIR/time.txt" "$DIR/stderr.txt"
