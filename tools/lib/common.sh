# Shared by tools/main-job and tools/test-all: installs what the project
# needs from Debian's packages and builds both presets.
# shellcheck shell=bash

SCR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Packages for the cross build, the host build and tests, and Wine.
SCR_PACKAGES=(
  cmake make g++ python3 libgtest-dev libcli11-dev nlohmann-json3-dev
  g++-mingw-w64-i686-win32 mingw-w64-tools binutils-mingw-w64-i686
  wine wine32:i386 wine64 fonts-wine xvfb xauth xdotool imagemagick
)

scr_install_packages() {
  local missing=()
  local p
  for p in "${SCR_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing Debian packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

scr_build() {
  cd "$SCR_ROOT" || return 1
  local log="$SCR_ROOT/build/build.log"
  mkdir -p "$SCR_ROOT/build"
  : >"$log"
  local preset
  for preset in win32 host; do
    echo "== building the $preset preset (build/$preset)"
    if ! { cmake --preset "$preset" && cmake --build "build/$preset" -j"$(nproc)"; } >>"$log" 2>&1; then
      tail -40 "$log"
      echo "build of the $preset preset failed; the whole log is $log"
      return 1
    fi
  done
}
