#!/usr/bin/env bash
# Renders the README's pictures into docs/screenshots/ from the real program:
# a demo database made with zelvadmin, then the wizard driven on it under a
# virtual X display and each window grabbed as it stands (task menu, Options
# page, notification popup, Scan-In location and Volumes pages with the
# Scan-In Log tab, the export dialog and a rendered page of a PDF export,
# scanning window, final page; Scan-Out location, Container Selection with its
# Allocation Log, Volumes and Update Container Details; Recall delivery
# location, Volume Selection and Consignment details; Manage Media Library
# with a Volume's History tab; Move Lists; the task menu's Customer grid with a
# Media Type's library health opened; Scan-To-List; the Run Command window;
# Library Reconciliation location, scan page and Certificate Properties;
# Manage Library Selection and the library window beside a stand-in changer;
# ZELVRenew on a loopback release feed; the Excel import window).
#   ZELV_BUILD_DIR  build folder to use (default build/dev, the dev preset)
#   ZELV_JOBS       parallel build jobs (default: all processors)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ZELV_BUILD_DIR:-build/dev}
jobs=${ZELV_JOBS:-$(nproc)}
out=docs/screenshots

scripts/install-deps.sh
if [ "$build" = build/dev ]; then
    cmake --preset dev
else
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug
fi
cmake --build "$build" --target zelvadmin desk_screenshots renew_screenshot excel_import_screenshot -j "$jobs"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
server="kelmar://$work/demo.db"
# A throwaway administrator password, kept in a file only we may read and
# handed on through the environment, never on a command line.
(umask 077; head -c 18 /dev/urandom | base64 > "$work/pw")
"$build/tools/zelvadmin" --server "$server" --password-file "$work/pw" init
"$build/tools/zelvadmin" --server "$server" --password-file "$work/pw" demo
KELMAR_PASSWORD=$(cat "$work/pw")
export KELMAR_PASSWORD

mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x960x24" \
    env QT_QPA_PLATFORM=xcb "$build/tests/desk/desk_screenshots" "$out" "$server" "$@"
# ZELVRenew on a release feed served on the loopback.
xvfb-run -a -s "-screen 0 1280x960x24" \
    env QT_QPA_PLATFORM=xcb "$build/tests/renew/renew_screenshot" "$out/renew.png"
# The Excel import window with a file that has problems.
xvfb-run -a -s "-screen 0 1280x960x24" \
    env QT_QPA_PLATFORM=xcb "$build/tests/desk/excel_import_screenshot" "$out/excel-import.png" "$server"
echo "screenshots: written to $out/"
