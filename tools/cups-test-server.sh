#!/usr/bin/env bash
# A throwaway CUPS scheduler with one PDF printer for the print tests (CTest fixtures
# print_cups_start and print_cups_stop).
#
#   tools/cups-test-server.sh start STATE   scheduler in a fresh folder under /tmp, listening only
#                                           on a Unix socket there, with the queue KorvalaPDF
#                                           (printer-driver-cups-pdf); writes server=, printer=
#                                           and out= (the folder the printed PDFs land in) to
#                                           STATE
#   tools/cups-test-server.sh stop STATE    stops it and removes the folder and STATE
#
# The PDF backend must run as root to hand the file to the job's owner, so the scheduler needs
# root (as CI has). Without root STATE says unavailable= and the tests skip. Outside the folder
# only the backend's settings file for this queue is written, and stop removes it again. A start
# first stops a scheduler that an interrupted run left behind.
set -euo pipefail

action=${1:-}
state=${2:-}
if [[ -z $state || ( $action != start && $action != stop ) ]]; then
    echo "Aufruf: $0 start|stop ZUSTANDSDATEI" >&2
    exit 2
fi

printer=KorvalaPDF
ppd_source=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

stop_server() {
    [[ -f $state ]] || return 0
    local dir pid
    dir=$(sed -n 's/^dir=//p' "$state")
    if [[ -n $dir && -f $dir/cupsd.pid ]]; then
        pid=$(cat "$dir/cupsd.pid")
        if kill "$pid" 2>/dev/null; then
            for _ in $(seq 50); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -9 "$pid" 2>/dev/null || true
        fi
    fi
    conf=$(sed -n 's/^conf=//p' "$state")
    [[ -n $conf && $conf == /etc/cups/cups-pdf-korvala-* ]] && rm -f "$conf"
    [[ -n $dir && $dir == /tmp/korvala-cups.* ]] && rm -rf "$dir"
    rm -f "$state"
}

if [[ $action == stop ]]; then
    stop_server
    exit 0
fi

stop_server
if [[ $(id -u) -ne 0 ]]; then
    echo "unavailable=the PDF printer's backend needs root" >"$state"
    echo "cups-test-server: ohne root kein Drucker; die Drucktests werden übersprungen"
    exit 0
fi
for need in /usr/sbin/cupsd /usr/sbin/lpadmin /usr/lib/cups/backend/cups-pdf "$ppd_source"; do
    if [[ ! -e $need ]]; then
        echo "cups-test-server: $need fehlt (Debian-Pakete cups, printer-driver-cups-pdf)" >&2
        exit 1
    fi
done

dir=$(mktemp -d /tmp/korvala-cups.XXXXXX)
# The filters run as lp and need to reach the spool below.
chmod 755 "$dir"
mkdir -p "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log"
printf 'dir=%s\n' "$dir" >"$state"

cat >"$dir/cups-files.conf" <<EOF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ServerBin /usr/lib/cups
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
Printcap $dir/printcap
User lp
Group lp
SystemGroup root
EOF
cat >"$dir/cupsd.conf" <<EOF
Listen $dir/cups.sock
LogLevel warn
Browsing No
BrowseLocalProtocols none
DefaultShared No
WebInterface No
MaxJobs 100
PreserveJobFiles No
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF

# The backend reads the settings of the queue "cups-pdf:/NAME" from /etc/cups/cups-pdf-NAME.conf:
# its output, spool and log go into the folder, for any user the job runs as.
instance=korvala-${dir##*.}
conf=/etc/cups/cups-pdf-$instance.conf
printf 'conf=%s\n' "$conf" >>"$state"
cat >"$conf" <<EOF
Out $dir/pdf
AnonDirName $dir/pdf
Spool $dir/spool/pdf
Log $dir/log
GSTmp $dir/spool/tmp
Grp lp
EOF

# In the foreground of a session of its own, so the pid is the scheduler's and a test run that is
# interrupted does not take it down half-way.
setsid /usr/sbin/cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" \
    </dev/null >"$dir/log/cupsd.out" 2>&1 &
echo $! >"$dir/cupsd.pid"
for _ in $(seq 100); do
    [[ -S $dir/cups.sock ]] && break
    sleep 0.1
done
if [[ ! -S $dir/cups.sock ]]; then
    cat "$dir/log/cupsd.out" "$dir/log/error_log" 2>/dev/null >&2 || true
    exit 1
fi
if ! /usr/sbin/lpadmin -h "$dir/cups.sock" -p "$printer" -E -v "cups-pdf:/$instance" \
    -P "$ppd_source" 2>"$dir/log/lpadmin.out"; then
    cat "$dir/log/lpadmin.out" "$dir/log/error_log" 2>/dev/null >&2 || true
    exit 1
fi
printf 'server=%s\nprinter=%s\nout=%s\n' "$dir/cups.sock" "$printer" "$dir/pdf" >>"$state"
echo "cups-test-server: Drucker $printer in $dir"
