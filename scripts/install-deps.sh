#!/usr/bin/env bash
# Installs the Debian packages Vesk needs that are not there yet.
# Usage: scripts/install-deps.sh run|test
# A fast no-op when everything is already installed.
set -euo pipefail

common=(g++ cmake make ninja-build pkg-config qt6-base-dev qt6-svg-dev libturbojpeg0-dev libspng-dev fonts-liberation)
case "${1:-run}" in
  run) wanted=("${common[@]}") ;;
  # Tests also need GoogleTest/Benchmark, an X server and tools that check what the program wrote.
  test) wanted=("${common[@]}" libgtest-dev libbenchmark-dev xvfb xauth xdotool imagemagick
                poppler-utils libjpeg-turbo-progs librsvg2-bin desktop-file-utils xdg-utils shared-mime-info xclip) ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
