#!/usr/bin/env bash
# Installs the Debian packages Vemo builds and tests with. Idempotent: quick when
# everything is present, and only then does it skip `apt-get update`.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang clang-format clang-tidy libclang-rt-dev python3
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libswresample-dev
    libturbojpeg0-dev libexif-dev libpango1.0-dev libcairo2-dev fontconfig fonts-ipafont-gothic
    qt6-base-dev qt6-svg-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev chromium
    ffmpeg time
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
echo "bootstrap: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
