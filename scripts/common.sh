# Shared set-up for the run and test scripts: packages, build, Wine prefixes.
# Sourced, not run.

KSV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KSV_BUILD=${KSV_BUILD:-$KSV_ROOT/build}

KSV_PACKAGES=(
    cmake ninja-build
    g++-mingw-w64-x86-64-posix mingw-w64-tools
    wine wine64 libwine-dev
    googletest
    xvfb x11-utils imagemagick xdotool
    fonts-liberation2 fonts-wine
    locales
    fp-utils wixl msitools
)

ksv_log() { printf '== %s\n' "$*" >&2; }

# Installs the Debian packages that are missing (needs root on a fresh machine).
ksv_install_packages() {
    local missing=() p
    for p in "${KSV_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    ksv_log "installing ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# The tests pin the en_US.UTF-8 locale; without it generated, Wine falls back to ASCII for file names
# and cannot make a file whose name has an accent.
ksv_generate_locale() {
    locale -a 2>/dev/null | grep -qix 'en_US.utf8' && return 0
    ksv_log "generating the en_US.UTF-8 locale"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo sed -i 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
}

# Configures once, then builds incrementally.
ksv_build() {
    if [ ! -f "$KSV_BUILD/build.ninja" ]; then
        ksv_log "configuring $KSV_BUILD"
        cmake -S "$KSV_ROOT" -B "$KSV_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    ksv_log "building"
    cmake --build "$KSV_BUILD" -j"$(nproc)" "$@"
}

# ksv_prefix null|x11|xvfb: makes (once) the private Wine prefix for that graphics driver and
# exports WINEPREFIX for it. The null driver runs windows and common controls without a display.
ksv_prefix() {
    local mode=$1
    export WINEPREFIX="$KSV_BUILD/wine-$mode"
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEARCH=win64
    bash "$KSV_ROOT/scripts/wineprefix.sh" "$WINEPREFIX" "$mode"
}

# Runs a Windows program of the build in the current prefix, detached from the caller's pipes
# where it starts the prefix's services.
ksv_wine() {
    "$KSV_BUILD/wine-run.sh" "$@"
}

# ksv_screenshot NAME CLASS SIZE PROGRAM [ARGS...]: runs a program of the build under a private
# Xvfb display, waits for its window of CLASS, saves a screenshot of the screen (SIZE, e.g.
# 1280x800), closes the window and prints the screenshot's path.
ksv_screenshot() {
    local name=$1 class=$2 size=$3 program=$4
    shift 4
    local bin="$KSV_BUILD/bin"
    ksv_prefix xvfb
    local shots="$KSV_BUILD/screenshots"
    mkdir -p "$shots"
    local shot="$shots/$name-$(date +%Y%m%d-%H%M%S).png"
    local display=":$((90 + RANDOM % 100))"
    Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    local xvfb=$!
    # Runs in a subshell so that its clean-up trap and DISPLAY stay local.
    (
        export DISPLAY=$display
        trap 'wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
        sleep 1
        # A caller that needs more running first (the logger server) defines this.
        if declare -F ksv_screenshot_setup >/dev/null; then ksv_screenshot_setup; fi
        ksv_wine "$bin/$program" "$@" </dev/null >/dev/null 2>&1 &
        local running=$!
        if ! ksv_wine "$bin/winctl.exe" wait "$class" 120; then
            echo "$program did not open its window" >&2
            exit 1
        fi
        sleep "${KSV_SETTLE:-2}"
        # A caller that acts as the user before the picture (moving the mouse) defines this.
        if declare -F ksv_screenshot_act >/dev/null; then ksv_screenshot_act; fi
        /usr/bin/import -display "$display" -window root "$shot"
        ksv_wine "$bin/winctl.exe" close "$class" || true
        wait "$running" || true
    ) || return 1
    echo "$shot"
}

# Registers the stand-in logger server in the current prefix and starts it with its default
# sensors (made, with their history, at its first start in the prefix). It runs detached and goes
# on logging after the program ends, as a logger does; `OstrelServer.exe /Stop` ends it.
ksv_start_server() {
    local server="$KSV_BUILD/bin/OstrelServer.exe"
    ksv_wine "$server" /RegServer </dev/null
    # No pipes and no lock descriptors of ours may stay open in a process that lives on.
    ( ksv_wine "$server" "$@" </dev/null >/dev/null 2>&1 9>&- & )
    # The program starts once the server answers (its first start makes a year of history).
    ksv_wine "$KSV_BUILD/bin/winctl.exe" activate "{A47249E1-1C32-4468-9A17-5E480D63116B}" 120 </dev/null ||
        echo "the logger server does not answer yet" >&2
}

# Registers the stand-in spreadsheet server ("Excel.Sheet", KestrovaSheet.dll) in the current
# prefix, so that the program's spreadsheet export finds it.
ksv_register_sheet() {
    ksv_wine regsvr32 /s "$KSV_BUILD/bin/KestrovaSheet.dll" </dev/null
}
