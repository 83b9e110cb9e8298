#!/usr/bin/env bash
# Proves that the Debian package works on a fresh Debian 12 machine: builds it, installs it with
# apt-get into a minimal bookworm root made by debootstrap, and there checks what its user does:
#   a) the PDF report without a display, as root;
#   b) korvala-cli --help, its man page and a report of the installed sample;
#   c) the MIME database and the default application for .spt and device .log files;
#   d) a double-click: xdg-open of a .spt as a normal user under Xvfb, then the desktop entry's
#      own Exec line; the main window must come up with the file and without a message box;
#   e) a new user starts it from the menu and chooses Datei > Öffnen: the samples were copied into
#      the user's data folder;
#   f) apt-get remove takes the program away again.
# The package is installed alone first, so a dependency it forgets to declare shows up in a) and
# b) instead of being pulled in silently by the desktop tools installed for c) and d).
#
# Usage (as root): tools/package-check.sh [BUILD]
# The bare root is kept in BUILD/package-root/base and reused by later runs; every run works on a
# fresh copy of it. Delete BUILD/package-root to start from nothing, as CI does.
set -Eeuo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
suite=bookworm
mirror=http://deb.debian.org/debian
# What a desktop user has besides the package, and no more: an X server to show the window, the
# tools a file manager uses to pick and start the program, man, and pdfinfo to look into the PDF.
# xdg-mime asks libfile-mimeinfo-perl (a recommendation of xdg-utils) for a file's type; xdotool
# stands in for the user's keyboard.
desktop_tools=(xvfb xauth x11-utils xdg-utils libfile-mimeinfo-perl shared-mime-info
               desktop-file-utils poppler-utils xdotool)
user=anna

step="Vorbereitung"
fail() {
    echo "package-check: FEHLER in Schritt »$step«: $*" >&2
    exit 1
}
trap 'echo "package-check: FEHLER in Schritt »$step«: Befehl fehlgeschlagen (Zeile $LINENO): $BASH_COMMAND" >&2' ERR

[ "$(id -u)" -eq 0 ] || fail "braucht root (debootstrap, chroot, mount): sudo $0 $*"
command -v debootstrap >/dev/null || fail "debootstrap fehlt (make deps installiert es)"

# Phase times, printed at the end and also when a step fails.
phase_names=()
phase_secs=()
phase_start=$SECONDS
phase() {
    if [ ${#phase_names[@]} -gt 0 ] || [ "$step" != "Vorbereitung" ]; then
        phase_names+=("$step")
        phase_secs+=($((SECONDS - phase_start)))
    fi
    step=$1
    phase_start=$SECONDS
    echo "==> $step"
}
print_times() {
    local i
    echo "Dauer der Schritte:"
    for i in "${!phase_names[@]}"; do
        printf '  %4d s  %s\n' "${phase_secs[$i]}" "${phase_names[$i]}"
    done
}

mkdir -p "$build"
top=$(realpath "$build")/package-root
base=$top/base
root=$top/run

# Everything mounted below $top, deepest first; debootstrap's own mounts included should it have
# stopped half-way. Lazy unmount as the last resort, so a busy file never leaves /dev bound.
unmount_all() {
    local m
    awk -v top="$top/" 'index($2, top) == 1 { print $2 }' /proc/self/mounts | sort -r |
        while read -r m; do
            umount "$m" 2>/dev/null || umount -l "$m" || echo "package-check: $m bleibt eingehängt" >&2
        done
}
on_exit() {
    local status=$?
    trap - ERR
    unmount_all
    if [ "$status" -ne 0 ]; then
        phase "abgebrochen" >/dev/null
        print_times >&2
    fi
}
trap on_exit EXIT
# A CI timeout or Ctrl+C ends the script through exit, so the mounts still go.
trap 'echo "package-check: abgebrochen in Schritt »$step«" >&2; exit 130' INT TERM

# Removes a root directory; never while something is still mounted in it.
remove_root() {
    unmount_all
    if awk -v dir="$1/" 'index($2, dir) == 1 { found = 1 } END { exit !found }' /proc/self/mounts; then
        fail "$1 ist noch eingehängt, wird nicht gelöscht"
    fi
    rm -rf --one-file-system "$1"
}

# Runs a command in the root as root with a clean environment, as a login would give it.
in_root() {
    chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}
# The same as the normal user.
as_user() {
    chroot --userspec="$user:$user" "$root" /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin \
        HOME="/home/$user" USER="$user" LOGNAME="$user" LANG=C.UTF-8 "$@"
}

phase "Paket bauen (make package)"
make package BUILD="$build"
deb=$(ls -1t "$build"/korvala_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "kein korvala_*.deb in $build"

# The check needs a machine that lets root mount and chroot. A container without those rights
# cannot run it at all; that is said loudly and is no failure of the package, unless the caller
# insists (KORVALA_PACKAGE_CHECK_REQUIRED=1).
probe=$top/probe
mkdir -p "$probe"
if ! { mount -t tmpfs none "$probe" 2>/dev/null && umount "$probe" && chroot / /bin/true 2>/dev/null; }; then
    msg="package-check: ÜBERSPRUNGEN: diese Maschine erlaubt root kein mount/chroot, das Paket $deb ist gebaut, die Prüfung in einer frischen Debian-Wurzel ist hier nicht möglich"
    if [ "${KORVALA_PACKAGE_CHECK_REQUIRED:-0}" = 1 ]; then
        fail "${msg#package-check: ÜBERSPRUNGEN: }"
    fi
    echo "$msg" >&2
    trap - EXIT
    exit 0
fi
rmdir "$probe"

phase "Debian-$suite-Wurzel (debootstrap)"
if [ -f "$base/.korvala-complete" ]; then
    echo "Vorhandene Wurzel $base wird weiterverwendet."
else
    remove_root "$base"
    mkdir -p "$top"
    debootstrap --variant=minbase "$suite" "$base" "$mirror" ||
        fail "debootstrap $suite von $mirror"
    # The same archive areas as the machine itself: the release, its updates and security fixes.
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        cp /etc/apt/sources.list.d/debian.sources "$base/etc/apt/sources.list.d/debian.sources"
    else
        cat >"$base/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: $suite $suite-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: $suite-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    fi
    rm -f "$base/etc/apt/sources.list"
    # Package scripts must not start services inside the root.
    printf '#!/bin/sh\nexit 101\n' >"$base/usr/sbin/policy-rc.d"
    chmod 755 "$base/usr/sbin/policy-rc.d"
    # man-db belongs to every Debian installation; its index is not needed to show a page, and
    # rebuilding it after each install would cost more than the rest of the check.
    chroot "$base" /bin/sh -c 'echo "man-db man-db/auto-update boolean false" | debconf-set-selections'
    cp /etc/resolv.conf "$base/etc/resolv.conf"
    mount -t proc proc "$base/proc"
    chroot "$base" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
        sh -c "apt-get update -qq && apt-get install -y -qq --no-install-recommends man-db &&
               apt-get install -y -qq --no-install-recommends --download-only ${desktop_tools[*]}" ||
        fail "man-db und die Desktop-Werkzeuge in der Wurzel"
    unmount_all
    touch "$base/.korvala-complete"
fi

phase "Frische Kopie der Wurzel, Einhängen von proc, sys, dev"
remove_root "$root"
cp -a --reflink=auto "$base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# dpkg's progress bar would fill the CI log with carriage returns.
echo 'Dpkg::Use-Pty "0";' >"$root/etc/apt/apt.conf.d/90paketpruefung"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
# Nothing mounted below the root's /dev may travel back into the machine's /dev.
mount --make-rslave "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
check=/root/paketpruefung
mkdir -p "$root$check"
cp "$deb" "$root$check/"
cp data/*.spt data/*.log "$root$check/"

phase "Paket installieren (apt-get install ./$(basename "$deb"))"
in_root apt-get update -qq || fail "apt-get update in der Wurzel"
in_root sh -c "cd $check && apt-get install -y -qq --no-install-recommends ./$(basename "$deb")" ||
    fail "apt-get install des Pakets"
{ [ -x "$root/usr/bin/korvala" ] && [ -x "$root/usr/bin/korvala-cli" ]; } ||
    fail "/usr/bin/korvala oder /usr/bin/korvala-cli fehlt nach der Installation"

phase "a) PDF-Bericht ohne Anzeige, als root"
in_root korvala --pdf "$check/bericht.pdf" /usr/share/korvala/data/sample-7tage.log ||
    fail "korvala --pdf auf dem mitgelieferten Beispiel ist fehlgeschlagen"
[ -s "$root$check/bericht.pdf" ] || fail "korvala --pdf hat keine PDF-Datei geschrieben"

phase "b) korvala-cli --help, man korvala-cli, korvala-cli report"
in_root korvala-cli --help >"$root$check/hilfe.txt" || fail "korvala-cli --help"
grep -q 'report' "$root$check/hilfe.txt" || fail "korvala-cli --help nennt den Befehl report nicht"
page=$(in_root man -P cat korvala-cli 2>&1) || fail "man korvala-cli: $page"
grep -q 'korvala-cli' <<<"$page" || fail "man korvala-cli zeigt den Befehl nicht: $page"
in_root korvala-cli report /usr/share/korvala/data/sample.spt >"$root$check/bericht.txt" ||
    fail "korvala-cli report auf dem mitgelieferten sample.spt"
[ -s "$root$check/bericht.txt" ] || fail "korvala-cli report hat nichts ausgegeben"

phase "Desktop-Werkzeuge installieren"
in_root apt-get install -y -qq --no-install-recommends "${desktop_tools[@]}" ||
    fail "apt-get install ${desktop_tools[*]}"
pages=$(in_root pdfinfo "$check/bericht.pdf" | awk '/^Pages:/ { print $2 }')
[ "${pages:-0}" -gt 0 ] || fail "a) Der PDF-Bericht hat keine Seiten (pdfinfo)"
echo "PDF-Bericht: $pages Seiten"

phase "c) MIME-Typen und Standardprogramm"
in_root useradd -m -s /bin/bash "$user"
home=$root/home/$user
cp "$root$check/sample.spt" "$home/Messung Hauptstraße.spt"
cp "$root$check/sample-7tage.log" "$home/geraet.log"
# An ordinary log must stay an ordinary log, or Korvala would open every server log.
printf '2026-12-01 06:00:01 sshd[812]: Server listening on 0.0.0.0 port 22.\n' >"$home/server.log"
in_root chown -R "$user:$user" "/home/$user"
# Hints count too: the entry is ours, and a menu showing Korvala twice is a fault a user sees.
remarks=$(in_root desktop-file-validate /usr/share/applications/korvala.desktop 2>&1) || true
[ -z "$remarks" ] || fail "desktop-file-validate beanstandet korvala.desktop: $remarks"
mime_of() { as_user xdg-mime query filetype "/home/$user/$1"; }
type=$(mime_of "Messung Hauptstraße.spt")
[ "$type" = application/x-korvala-spt ] || fail "xdg-mime: .spt ist $type, nicht application/x-korvala-spt"
type=$(mime_of geraet.log)
[ "$type" = application/x-korvala-log ] || fail "xdg-mime: Geräteprotokoll ist $type, nicht application/x-korvala-log"
type=$(mime_of server.log)
[ "$type" != application/x-korvala-log ] || fail "xdg-mime: ein gewöhnliches .log gilt als Geräteprotokoll"
for type in application/x-korvala-spt application/x-korvala-log; do
    app=$(as_user xdg-mime query default "$type")
    [ "$app" = korvala.desktop ] || fail "xdg-mime: Standardprogramm für $type ist »$app«, nicht korvala.desktop"
done

phase "d) Doppelklick auf eine .spt als Benutzer $user (xdg-open, Starter)"
cat >"$root/usr/local/bin/korvala-am-desktop" <<'EOF'
#!/bin/bash
# Under Xvfb, as a desktop user, does what the user does:
#   doppelklick FILE  starts Korvala on FILE the way a file manager does (xdg-open) and the way a
#                     launcher does (the desktop entry's Exec line with %f replaced);
#   beispiele         starts it from the menu (Exec without a file) and chooses Datei > Öffnen,
#                     which must have given the new user a copy of the samples.
# Without a window manager every top-level window is a child of the root window.
set -euo pipefail
label=$1
log=$(mktemp)
korvala_pids=()
# Whatever happens, no korvala outlives the check (one still without a window ends with Xvfb).
trap 'kill $(jobs -p) "${korvala_pids[@]}" 2>/dev/null || true; rm -f "$log"' EXIT

fail() {
    echo "$label: $*" >&2
    exit 1
}

# One line "id type pid" per mapped top-level window.
mapped_windows() {
    local id type pid
    for id in $(xwininfo -root -children | awk '$1 ~ /^0x/ { print $1 }'); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' || continue
        type=$(xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null |
            sed -n 's/.*= _NET_WM_WINDOW_TYPE_\([A-Z_]*\).*/\1/p')
        pid=$(xprop -id "$id" _NET_WM_PID 2>/dev/null | sed -n 's/.*= //p')
        echo "$id ${type:-?} ${pid:-?}"
    done
}

# start LABEL COMMAND...: runs COMMAND and waits for korvala's main window, a normal window (the
# splash screen before it is a dialog). Sets launcher, main_id and main_pid.
start() {
    label=$1
    shift
    "$@" >"$log" 2>&1 &
    launcher=$!
    local windows deadline=$((SECONDS + 60))
    until windows=$(mapped_windows) && grep -q ' NORMAL ' <<<"$windows"; do
        [ $SECONDS -lt $deadline ] || fail "nach 60 s kein Hauptfenster; Ausgabe: $(cat "$log")"
        kill -0 "$launcher" 2>/dev/null ||
            fail "$1 hat sich ohne Fenster beendet; Ausgabe: $(cat "$log")"
        sleep 0.5
    done
    read -r main_id _ main_pid < <(awk '$2 == "NORMAL"' <<<"$windows")
    korvala_pids+=("$main_pid")
    [ "$(cat "/proc/$main_pid/comm" 2>/dev/null)" = korvala ] ||
        fail "das Hauptfenster gehört nicht zu korvala (Prozess $main_pid)"
}

opened_with() {
    tr '\0' '\n' <"/proc/$main_pid/cmdline" | grep -qxF "$1" ||
        fail "korvala läuft ohne die Datei: $(tr '\0' ' ' <"/proc/$main_pid/cmdline")"
}

# A message box (about the file, or at start) would come right after the main window.
only_main_window() {
    sleep 3
    local windows id
    windows=$(mapped_windows)
    if [ "$(wc -l <<<"$windows")" -ne 1 ]; then
        for id in $(awk '{ print $1 }' <<<"$windows"); do
            xprop -id "$id" WM_NAME _NET_WM_WINDOW_TYPE >&2
        done
        fail "neben dem Hauptfenster ist ein weiteres Fenster offen (Meldung?)"
    fi
}

stop() {
    # The launcher goes first: xdg-open would take korvala's end as a failure and try mimeopen.
    kill "$launcher" "$main_pid" 2>/dev/null || true
    wait "$launcher" 2>/dev/null || true
    # Its windows must be gone before the next start is looked for.
    local deadline=$((SECONDS + 10))
    while [ -n "$(mapped_windows)" ]; do
        [ $SECONDS -lt $deadline ] || fail "korvala schließt nicht"
        sleep 0.2
    done
}

read -ra exec_line <<<"$(sed -n 's/^Exec=//p' /usr/share/applications/korvala.desktop)"

case $1 in
doppelklick)
    file=$2
    start "xdg-open" xdg-open "$file"
    opened_with "$file"
    only_main_window
    echo "$label: Hauptfenster von korvala $main_pid mit $file"
    stop

    for i in "${!exec_line[@]}"; do
        if [ "${exec_line[$i]}" = %f ]; then exec_line[$i]=$file; fi
    done
    start "Exec-Zeile ${exec_line[*]}" "${exec_line[@]}"
    opened_with "$file"
    only_main_window
    echo "$label: Hauptfenster von korvala $main_pid mit $file"
    stop
    ;;
beispiele)
    daten=$HOME/.local/share/korvala/daten
    [ ! -e "$daten" ] || fail "$daten gibt es schon vor dem ersten Start"
    # A menu starts the Exec line with %f left out.
    menu_line=()
    for word in "${exec_line[@]}"; do
        if [ "$word" != %f ]; then menu_line+=("$word"); fi
    done
    start "Start aus dem Menü" "${menu_line[@]}"
    only_main_window
    label="Datei > Öffnen"
    xdotool windowfocus --sync "$main_id"
    xdotool key --delay 300 alt+d f
    deadline=$((SECONDS + 20))
    for sample in /usr/share/korvala/data/*; do
        until cmp -s "$sample" "$daten/${sample##*/}"; do
            [ $SECONDS -lt $deadline ] ||
                fail "$daten hat keine Kopie von ${sample##*/}: $(ls -A "$daten" 2>&1 | tr '\n' ' ')"
            sleep 0.5
        done
    done
    echo "$label: Beispiele in $daten: $(ls -A "$daten" | tr '\n' ' ')"
    stop
    ;;
esac
EOF
chmod 755 "$root/usr/local/bin/korvala-am-desktop"
on_desktop() {
    as_user timeout 180 xvfb-run -a -s "-screen 0 1280x1024x24" korvala-am-desktop "$@"
}
on_desktop doppelklick "/home/$user/Messung Hauptstraße.spt" ||
    fail "Korvala startete nicht wie erwartet mit der doppelgeklickten .spt (siehe oben)"

phase "e) Beispiele für einen neuen Benutzer (Start aus dem Menü, Datei > Öffnen)"
user=bernd
in_root useradd -m -s /bin/bash "$user"
on_desktop beispiele ||
    fail "ein neuer Benutzer findet beim ersten Öffnen die Beispiele nicht in seinem Datenordner"

phase "f) apt-get remove korvala"
in_root apt-get remove -y -qq korvala || fail "apt-get remove korvala"
[ ! -e "$root/usr/bin/korvala" ] || fail "/usr/bin/korvala ist nach apt-get remove noch da"

phase "fertig"
unmount_all
print_times
echo "Paket $deb: in einer frischen Debian-$suite-Wurzel installiert, geprüft und wieder entfernt."
