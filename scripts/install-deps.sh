#!/usr/bin/env bash
# Installs the Debian packages Vorkeln needs to build and run; with --test also the test tools.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
    jackd2 libjack-jackd2-dev libfluidsynth-dev librtmidi-dev libpulse-dev libsndfile1-dev
    fluid-soundfont-gm
)
if [[ "${1:-}" == "--test" ]]; then
    packages+=(
        libgtest-dev libgmock-dev libbenchmark-dev libdrumstick-dev qtbase5-dev
        clang libclang-rt-14-dev
        python3 python3-mido python3-pil imagemagick fluidsynth
        xvfb xauth xdotool libxtst6 pulseaudio pulseaudio-utils sox tesseract-ocr tesseract-ocr-eng
        timgm6mb-soundfont
    )
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [[ $EUID -ne 0 ]] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
