#!/usr/bin/env bash
# Shared set-up of ./fenra and ./run-tests: installs the Debian packages the
# project needs (only those missing), then configures and builds into
# build/ (build-sanitize/ with FENRA_SANITIZE=1, build-fuzz/ with
# FENRA_FUZZ=1). Quiet when nothing is to do.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(g++ cmake make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libffi-dev
          zlib1g-dev libreadline-dev clang-format imagemagick ffmpeg libavcodec-dev
          libavformat-dev libavutil-dev libswscale-dev libfreetype-dev fonts-dejavu-core libsdl2-dev
          libx11-dev xvfb xauth python3 sox)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "fenra: installing ${missing[*]}" >&2
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq >&2
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# Configures (once) and builds `dir`, quietly; on failure shows the log.
build() {
  local dir=$1; shift
  mkdir -p "$dir"
  local log="$dir/setup.log"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" "$@" >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
  fi
  cmake --build "$dir" -j"$(nproc)" >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
}

# Fuzzing needs clang and its libFuzzer runtime as well.
[ "${FENRA_FUZZ:-0}" = 1 ] && packages+=(clang libclang-rt-14-dev)
install_missing
if [ "${FENRA_FUZZ:-0}" = 1 ]; then
  export CC=clang CXX=clang++
  build "$root/build-fuzz" -DFENRA_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug
elif [ "${FENRA_SANITIZE:-0}" = 1 ]; then
  build "$root/build-sanitize" -DFENRA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
else
  build "$root/build"
fi
