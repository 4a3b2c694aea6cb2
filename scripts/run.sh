#!/usr/bin/env bash
# Kelmar Lite on a fresh Debian 12 desktop in one command: installs what is
# missing, builds ZELVDesk and zelvadmin (the dev preset, in build/dev),
# creates and seeds the embedded demo database when it has no data yet, and
# starts ZELVDesk on it.
# Arguments go to ZELVDesk: give a kelmar:// server address to work on that
# server instead (nothing is seeded then; nor when ZELVDEFAULTSERVER is set).
#   ZELV_BUILD_DIR  build folder to use (default build/dev, the dev preset)
#   ZELV_JOBS       parallel build jobs (default: all processors)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ZELV_BUILD_DIR:-build/dev}
jobs=${ZELV_JOBS:-$(nproc)}

scripts/install-deps.sh
if [ "$build" = build/dev ]; then
    cmake --preset dev
else
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug
fi
cmake --build "$build" --target ZELVDesk zelvadmin -j "$jobs"

admin="$build/tools/zelvadmin"
program="$build/desk"

if [ $# -eq 0 ] && [ -z "${ZELVDEFAULTSERVER:-}" ]; then
    # zelvadmin's default server is the embedded database ZELVDesk uses too.
    # init creates it, or brings an older one up to date; the demo data set
    # goes into a database without Customers only.
    # The first time, init asks for the administrator's password (you, the
    # operating-system user, are the administrator); ZELVDesk asks for it in
    # its logon box. It stays in this script's environment only.
    db="${XDG_DATA_HOME:-$HOME/.local/share}/Brollyn/Kelmar/kelmar.db"
    if [ ! -e "$db" ]; then
        KELMAR_PASSWORD=${KELMAR_PASSWORD:-}
        if [ -z "$KELMAR_PASSWORD" ]; then
            read -rsp "Choose a password for the Kelmar administrator ($(id -un)): " KELMAR_PASSWORD
            echo
        fi
        KELMAR_PASSWORD="$KELMAR_PASSWORD" "$admin" init
        if KELMAR_PASSWORD="$KELMAR_PASSWORD" "$admin" list | grep -qx 'Customers: 0'; then
            KELMAR_PASSWORD="$KELMAR_PASSWORD" "$admin" demo
        fi
    fi
fi

# ZELVDesk reads ZELVDesk.cfg from its own folder: start with the example,
# and keep the operator's own once there is one. For the demo, three of the
# example's settings are taken in: the log folder (~/KelmarLogs, so a task
# starts at once) and the routing and allocation rules written for the demo
# data; label rules for the demo's labels are added.
if [ ! -e "$program/ZELVDesk.cfg" ]; then
    mkdir -p "$HOME/KelmarLogs"
    sed -e 's|^  # logfile = "%HOME/KelmarLogs";|  logfile = "%HOME/KelmarLogs";|' \
        -e '/^# routing =$/,/^# );$/ s/^# //' \
        -e '/^# allocation =$/,/^# );$/ s/^# //' \
        resources/ZELVDesk.cfg > "$program/ZELVDesk.cfg"
    # Label rules fitted to the demo's seven-character labels: B000001L8
    # scans as LTO8's B000001, B000001L6 is flagged, CLN001 is refused.
    cat >> "$program/ZELVDesk.cfg" <<'CFG'

labels =
{
  refuse = ( { prefix = "CLN"; reason = "cleaning cartridge"; },
             { prefix = "DG"; reason = "diagnostic cartridge"; } );
  media = ( { media = "LTO8"; length = 7; suffix = "L8"; },
            { media = "LTO6"; length = 7; suffix = "L6"; } );
};
CFG
    echo "run: wrote $program/ZELVDesk.cfg from the example (logs in $HOME/KelmarLogs, demo routing, allocation and label rules)"
fi
exec "$program/ZELVDesk" "$@"
