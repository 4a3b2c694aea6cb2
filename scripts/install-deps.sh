#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Kelmar Lite
# needs. Safe to run again: it asks apt only for what is missing.
# speech-dispatcher is deliberately absent: without an audio device it hangs
# the speech engine; we ask Qt TextToSpeech for "flite" by name instead.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang-format
  # Qt 6 (qt6-speech-dev needs the declarative headers but does not say so)
  qt6-base-dev qt6-declarative-dev qt6-speech-dev qt6-speech-flite-plugin
  qt6-multimedia-dev qt6-charts-dev libqt6sql6-sqlite libqt6sql6-psql
  # libraries
  libconfig-dev libhpdf-dev libqrcodegencpp-dev libxlsxwriter-dev libsqlite3-dev
  libpq-dev libcurl4-openssl-dev libpugixml-dev libbackward-cpp-dev libdw-dev
  libsodium-dev zlib1g-dev libzip-dev
  # the SCSI media changer console drives the changer through mtx (run time only)
  mtx
  # database server for the central-server tests; pgcrypto (contrib) signs
  # audit certificates inside the database
  postgresql postgresql-contrib
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev python3 zbar-tools
  # screenshots and rendering checks; the export tests read files back with
  # pdftotext/pdftoppm, zbarimg (QR codes) and unzip (.xlsx)
  xvfb xauth poppler-utils unzip
  # the Debian package and its checks
  lintian desktop-file-utils appstream dpkg-dev file man-db
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages present"
    exit 0
fi

sudo=()
[ "$(id -u)" = 0 ] || sudo=(sudo)
echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
