#!/usr/bin/env bash
# The layers of the program, checked on the #include lines of the sources (CTest `layers`).
# Usage: tools/check-layers.sh [SOURCE_DIR]. Prints every include that reaches upwards or into Qt
# from a folder that must not, and exits 1 when there is one.
#
# From bottom to top; a folder may include its own layer and the layers below it:
#   model < evaluation < output < session < device     the core: standard C++ only
#   output/report, output/print, device/qt              Qt libraries side by side, on the core
#   archive                                             the site archive (Qt Core, Sql), on the core
#   ui                                                  the window, on all of them
#   app, cli                                            the programs; cli sees the core and the
#                                                       archive, and no Qt
set -u
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root" || exit 2

core=(model evaluation output session device)
qtlibs=(output/report output/print device/qt)
found=0

# The folder an include names ("output/print/x.h" -> output/print), or nothing for a header of
# the same folder or of no layer of ours.
layer_of() {
    local inc=$1
    case "$inc" in
        output/report/*) echo output/report ;;
        output/print/*) echo output/print ;;
        device/qt/*) echo device/qt ;;
        ui/*) echo ui ;;
        archive/*) echo archive ;;
        model/* | evaluation/* | output/* | session/* | device/*) echo "${inc%%/*}" ;;
    esac
}

# allowed FOLDER: the layers FOLDER may include.
allowed() {
    case "$1" in
        model) echo "model" ;;
        evaluation) echo "model evaluation" ;;
        output) echo "model evaluation output" ;;
        session) echo "model evaluation output session" ;;
        device) echo "${core[*]}" ;;
        output/report | output/print | device/qt) echo "${core[*]} $1" ;;
        archive) echo "${core[*]} archive" ;;
        ui) echo "${core[*]} ${qtlibs[*]} archive ui" ;;
        app) echo "${core[*]} ${qtlibs[*]} archive ui" ;;
        cli) echo "${core[*]} archive" ;;
    esac
}

report() {
    echo "$1: $2"
    found=1
}

check_folder() {
    local folder=$1 dir=$2 qt_ok=$3
    local ok
    ok=" $(allowed "$folder") "
    local file line inc target
    for file in "$dir"/*.cpp "$dir"/*.h; do
        [ -e "$file" ] || continue
        while IFS= read -r line; do
            if [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z0-9_/]*)(\.h)?\> ]]; then
                [ "$qt_ok" = yes ] || report "$file" "Qt in a folder of standard C++ only: $line"
            elif [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
                inc=${BASH_REMATCH[1]}
                target=$(layer_of "$inc")
                [ -n "$target" ] || continue
                [[ $ok == *" $target "* ]] || report "$file" "$folder includes $target: $line"
            fi
        done < "$file"
    done
}

for f in "${core[@]}"; do check_folder "$f" "src/$f" no; done
for f in "${qtlibs[@]}" archive ui; do check_folder "$f" "src/$f" yes; done
check_folder app app yes
check_folder cli cli no

if [ "$found" -ne 0 ]; then
    echo "check-layers: an #include reaches across the layers (see docs/architecture.md)." >&2
    exit 1
fi
echo "check-layers: all includes follow the layers."
