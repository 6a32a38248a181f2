# Shared by tools/main-job, tools/test-all and the benchmarks: installs what
# the project needs from Debian's packages, builds the presets, and decides
# once which Windows build the Wine runs use.
# shellcheck shell=bash

SCR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Packages for the cross build, the host build and tests, and Wine.
SCR_PACKAGES=(
  cmake make g++ python3 libgtest-dev libcli11-dev nlohmann-json3-dev libtomlplusplus-dev
  g++-mingw-w64-i686-win32 mingw-w64-tools binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 fonts-wine xvfb xauth xdotool imagemagick
  osslsigncode icoutils clang libclang-rt-14-dev
  # Japanese and Chinese glyphs for the wizard of a translated package.
  fonts-wqy-microhei
  # The locale sources localedef needs to make the ja_JP.UTF-8 locale with
  # which Wine turns Japanese file names into Unix ones.
  locales
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
  # win32 first: the host's and the x86-64 build's scrpack embed its setup.exe;
  # fuzz: the fuzz targets, which the test command runs briefly.
  for preset in win32 win64 host fuzz; do
    echo "== building the $preset preset (build/$preset)"
    if ! { cmake --preset "$preset" && cmake --build "build/$preset" -j"$(nproc)"; } >>"$log" 2>&1; then
      tail -40 "$log"
      echo "build of the $preset preset failed; the whole log is $log"
      return 1
    fi
  done
}

# Decides, once per command, whether Wine runs the 32-bit build here, and
# prints the reason. Exports for the suites and scripts started afterwards:
#   SCR_WIN32_RUNS  yes or no (tools/lib/win32-support; set it to force)
#   SCR_WIN_BUILD   the build folder the Wine runs use: build/win32 or build/win64
#   SCR_WINE        the Wine loader for that build (the /usr/bin/wine wrapper
#                   always picks the 32-bit loader once wine32 is installed)
#   SCR_WINEARCH    the prefix kind for that build
scr_check_win32() {
  local line
  line=$("$SCR_ROOT/tools/lib/win32-support")
  local code=$?
  echo "$line"
  if [ "$code" -eq 0 ]; then
    export SCR_WIN32_RUNS=yes SCR_WIN_BUILD="$SCR_ROOT/build/win32" SCR_WINE=wine SCR_WINEARCH=win32
  else
    export SCR_WIN32_RUNS=no SCR_WIN_BUILD="$SCR_ROOT/build/win64" SCR_WINE=/usr/lib/wine/wine64 \
      SCR_WINEARCH=win64
  fi
}
