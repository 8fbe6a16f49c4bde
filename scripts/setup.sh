#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs; quiet and quick when all are there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config binutils
  libboost-dev nlohmann-json3-dev libfmt-dev libgoogle-glog-dev libglm-dev libpng-dev
  libepoxy-dev libegl-dev libegl1 libegl-mesa0 libgl1-mesa-dri
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libavfilter-dev ffmpeg
  libgtest-dev libbenchmark-dev
  chromium chromium-driver python3-selenium
  frei0r-plugins-dev gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-bad
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Run as root, or install them: apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
