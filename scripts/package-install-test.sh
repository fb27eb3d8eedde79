#!/usr/bin/env bash
# package-install-test.sh BUILD MSI ZIP: installs the MSI into a fresh Wine prefix as a user would
# (msiexec /i /qn), starts the installed program against the installed logger server and checks that
# it lists the server's sensors, then uninstalls (msiexec /x /qn) and checks that the files, the
# server registrations and the running server are gone. Then the same with the zip unpacked into
# the user's folder and its Register.cmd. Prints the time of each step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
msi=$2
zip=$3
[ -f "$msi" ] && [ -f "$zip" ] || { echo "FAIL: no packages at $msi (needs the Debian packages wixl and msitools)"; exit 1; }

export WINEPREFIX="$build/wine-package" WINEARCH=win64 WINEDEBUG=-all
log="$build/package-install.log"
: >"$log"
winctl="$build/bin/winctl.exe"
clsid="{A47249E1-1C32-4468-9A17-5E480D63116B}"
installed="$WINEPREFIX/drive_c/Program Files/Kestrova"

# Every wine call writes to the log, so that the wineserver it may start keeps no pipe of ctest's.
w() { wine "$@" </dev/null >>"$log" 2>&1; }
fail() {
    echo "FAIL: $*"
    tail -n 20 "$log"
    exit 1
}
finish() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
}
trap finish EXIT
step() { echo "$1: $(($(date +%s%N) / 1000000 - started)) ms"; started=$(($(date +%s%N) / 1000000)); }

registered_at() { # FOLDER (Windows path): both servers registered from there
    local server sheet
    server=$(wine reg query "HKLM\\Software\\Classes\\CLSID\\$clsid\\LocalServer32" </dev/null 2>>"$log" | tr -d '\r')
    grep -qiF "$1\\OstrelServer.exe" <<<"$server" || fail "the logger server is not registered in $1: $server"
    sheet=$(wine reg query 'HKLM\Software\Classes\Excel.Sheet\CLSID' /ve </dev/null 2>>"$log" | tr -d '\r' |
        grep -o '{[-0-9A-Fa-f]*}') || fail "the spreadsheet server is not registered"
    grep -qiF "$1\\KestrovaSheet.dll" <<<"$(wine reg query "HKLM\\Software\\Classes\\CLSID\\$sheet\\InprocServer32" /ve \
        </dev/null 2>>"$log")" || fail "the spreadsheet server is not registered in $1"
}

started=$(($(date +%s%N) / 1000000))
bash "$root/scripts/wineprefix.sh" "$WINEPREFIX" null >>"$log" 2>&1 || fail "no fresh Wine prefix"
step "fresh prefix"

w msiexec /i "$(winepath -w "$msi")" /qn || fail "msiexec /i failed"
for f in Kestrova.exe ksv_res.dll Varnolt.chm OstrelServer.exe KestrovaSheet.dll; do
    [ -f "$installed/$f" ] || fail "$f not installed"
done
registered_at "C:\\Program Files\\Kestrova"
step "install"

# The logger server of FOLDER, started as a logger runs (before the program), with a short history
# in a folder of its own so that its first start is quick; then the program of FOLDER, which must
# list the server's sensors; then both end.
run_program() { # FOLDER (Windows path)
    (wine "$1\\OstrelServer.exe" /DataFolder 'C:\ksv-package-data' /History 1 /Period 1 </dev/null >>"$log" 2>&1 &)
    w "$winctl" activate "$clsid" 60 || fail "the logger server in $1 does not answer"
    wine "$1\\Kestrova.exe" </dev/null >>"$log" 2>&1 &
    local program=$! sensors=0
    w "$winctl" wait KV_DockFrame 60 || fail "the program in $1 shows no main window"
    for _ in $(seq 1 100); do
        sensors=$(wine "$winctl" count KV_GraphView </dev/null 2>>"$log" | tr -d '\r')
        [ "${sensors:-0}" -gt 0 ] && break
        sleep 0.2
    done
    [ "${sensors:-0}" -gt 0 ] || fail "the program in $1 lists no sensor of its logger server"
    step "program in $1 up with $sensors sensors"
    w "$winctl" close KV_DockFrame || fail "cannot close the program"
    wait "$program" || true
}
unregistered() { # WHAT
    ! wine reg query "HKLM\\Software\\Classes\\CLSID\\$clsid" </dev/null >>"$log" 2>&1 ||
        fail "the logger server's registration stays after $1"
    ! wine reg query 'HKLM\Software\Classes\Excel.Sheet' </dev/null >>"$log" 2>&1 ||
        fail "the spreadsheet server's registration stays after $1"
}

run_program 'C:\Program Files\Kestrova'

w msiexec /x "$(winepath -w "$msi")" /qn || fail "msiexec /x failed"
[ ! -e "$installed" ] || fail "files left in Program Files\\Kestrova: $(ls "$installed")"
unregistered "uninstalling"
# Stopped by the uninstaller: nothing answers on the class any more.
! w "$winctl" activate "$clsid" 1 || fail "a logger server still answers after uninstalling"
step "uninstall"

# The zip, unpacked where a user may write, registered by its script, run and unregistered.
folder="$WINEPREFIX/drive_c/users/Public/Kestrova-zip"
mkdir -p "$folder"
(cd "$folder" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"
w cmd /c 'C:\users\Public\Kestrova-zip\Kestrova\Register.cmd' || fail "Register.cmd failed"
registered_at 'C:\users\Public\Kestrova-zip\Kestrova'
run_program 'C:\users\Public\Kestrova-zip\Kestrova'
w cmd /c 'C:\users\Public\Kestrova-zip\Kestrova\Register.cmd' /u || fail "Register.cmd /u failed"
unregistered "Register.cmd /u"
! w "$winctl" activate "$clsid" 1 || fail "a logger server still answers after Register.cmd /u"
step "zip"
echo "PASS"
