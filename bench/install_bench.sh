#!/usr/bin/env bash
# Our setup beside an NSIS installer of the same screensaver, under Wine, in
# one prefix, the programs taking turns (each run starts with the next one in
# line, so none always finds the caches as the same other left them). Prints
# medians of RUNS runs; asserts nothing. Not part of the tests.
#
#  1. Silent install of a 256 MiB screensaver (entry, group and desktop link)
#     with ours and with NSIS (uncompressed, same work), beside the floor:
#     a 32-bit program that only calls CopyFileA on the same file, its own
#     start included. A bare 32-bit program that returns at once shows what
#     starting any program costs. Each installer's ratio to the floor.
#  2. The copy loop's buffer: a 32-bit program that copies the same file
#     with ReadFile and WriteFile through one buffer of each size in
#     BUFFERS, which is what the install run does.
#  3. Silent uninstall of the same installation, ours and NSIS.
#  4. Peak memory (VmHWM) of the installing process, 1 and 256 MiB images.
#  5. Wizard start-up: from starting the setup file until its first page is
#     drawn (the window mapped and its controls painted), ours and an NSIS
#     installer with the modern pages (licence, directory, install, finish),
#     under Xvfb, each run starting the Wine server afresh.
#
#   bench/install_bench.sh            (uses build/win32 and build/host)
#   RUNS=3 WIZARD=0 BUFFERS="100001 1048576" bench/install_bench.sh
#
# Timings on a machine that other work shares are noise; take the figures
# for the README on a quiet machine.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WIN32=${SCR_WIN32:-$ROOT/build/win32}
HOST=${SCR_HOST:-$ROOT/build/host}
RUNS=${RUNS:-11}
BIG_MIB=${BIG_MIB:-256}
BUFFERS=${BUFFERS:-65536 100001 262144 1048576 4194304}
WIZARD=${WIZARD:-1}
WORK=${BENCH_WORK:-$HOST/wine/install_bench}

# NSIS installers are 32-bit programs, and so is the setup program measured
# here: without 32-bit support there is nothing to compare, and no number is
# printed that was not measured.
if ! line=$("$ROOT/tools/lib/win32-support"); then
  echo "$line"
  echo "install benchmark: not run, it needs 32-bit Windows programs (build/host/load_bench runs everywhere)"
  exit 0
fi
echo "$line"

for tool in wine makensis python3 bc i686-w64-mingw32-gcc; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (apt-get install wine nsis gcc-mingw-w64-i686)"; exit 1; }
done
if [ "$WIZARD" = 1 ]; then
  for tool in Xvfb xdotool /usr/bin/import /usr/bin/convert; do
    command -v "$tool" >/dev/null ||
      { echo "missing: $tool (apt-get install xvfb xdotool imagemagick, or WIZARD=0)"; exit 1; }
  done
fi
[ -x "$HOST/scrpack" ] || { echo "missing: $HOST/scrpack"; exit 1; }
[ -f "$WIN32/setup.exe" ] || { echo "missing: $WIN32/setup.exe"; exit 1; }

rm -rf "$WORK"
mkdir -p "$WORK/home" "$WORK/files" "$WORK/logs"
export HOME="$WORK/home" WINEPREFIX="$WORK/pfx" WINEARCH=win32 WINEDEBUG=-all \
  WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
unset DISPLAY
C="$WINEPREFIX/drive_c"
XVFB_PID=

finish() {
  timeout 60 wineserver -k >/dev/null 2>&1
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap finish EXIT

echo "== prefix (wineboot -i)"
timeout 300 wineboot -i >"$WORK/logs/wineboot.log" 2>&1 || { echo "wineboot failed"; exit 1; }
timeout 120 wineserver -w
for link in "$C"/users/*/{Desktop,Documents,Downloads,Music,Pictures,Videos,Templates}; do
  [ -L "$link" ] && rm "$link" && mkdir -p "$link"
done

# A non-PE stand-in: the shell's "install" verb then finds no association
# and returns at once, so only the installers' own work is measured.
make_image() {  # MiB path
  python3 - "$1" "$2" <<'PY'
import sys
mib, path = int(sys.argv[1]), sys.argv[2]
block = bytes((i * 7 + 3) % 251 for i in range(1 << 20))
with open(path, "wb") as f:
    f.write(b"NOTPE")
    for n in range(mib):
        f.write(block[:(1 << 20) - (5 if n == 0 else 0)])
PY
}

pack() {  # image setup-file [more scrpack options]
  local image=$1 out=$2
  shift 2
  "$HOST/scrpack" build -o "$out" --stub "$WIN32/setup.exe" --scr "$image" --title "Bench Saver" \
    --file-name BenchSav.scr --dest-folder '<Program Files>\' --dest-subfolder "Bench Saver" \
    --uninstall-entry --start-menu-group --desktop-shortcut "$@" >"$WORK/logs/scrpack.log" 2>&1
}

# The reference programs: GUI programs like the installers, so that Wine
# starts no console for them. The copier takes its buffer size as the third
# argument; without one it calls CopyFileA.
cat >"$WORK/files/bare.c" <<'C'
#include <windows.h>
int WINAPI WinMain(HINSTANCE i, HINSTANCE p, LPSTR c, int s) { return 0; }
C
cat >"$WORK/files/copier.c" <<'C'
#include <windows.h>
#include <stdlib.h>
int main(int argc, char** argv) {
  if (argc == 3) return CopyFileA(argv[1], argv[2], FALSE) ? 0 : 1;
  if (argc != 4) return 2;
  DWORD size = (DWORD)strtoul(argv[3], NULL, 10), got = 0, put = 0;
  char* buffer = malloc(size);
  HANDLE in = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  HANDLE out = CreateFileA(argv[2], GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (!buffer || in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) return 1;
  while (ReadFile(in, buffer, size, &got, NULL) && got > 0)
    if (!WriteFile(out, buffer, got, &put, NULL) || put != got) return 1;
  CloseHandle(in);
  CloseHandle(out);
  return 0;
}
C
for prog in bare copier; do
  i686-w64-mingw32-gcc -O2 -mwindows -s -o "$C/$prog.exe" "$WORK/files/$prog.c" \
    >"$WORK/logs/gcc-$prog.log" 2>&1 || { echo "cannot build $prog.exe: $(head -3 "$WORK/logs/gcc-$prog.log")"; exit 1; }
done

echo "== images and installers (${BIG_MIB} MiB and 1 MiB)"
make_image "$BIG_MIB" "$WORK/files/big.scr"
make_image 1 "$WORK/files/small.scr"
cp "$WORK/files/big.scr" "$C/source.scr"
pack "$WORK/files/big.scr" "$C/ours_big.exe" || { echo "scrpack failed: $(tail -3 "$WORK/logs/scrpack.log")"; exit 1; }
pack "$WORK/files/small.scr" "$C/ours_small.exe" || exit 1
for size in big small; do
  makensis -V1 -DSCR_FILE="$WORK/files/$size.scr" -DOUT_FILE="$C/nsis_$size.exe" \
    "$ROOT/bench/install_bench.nsi" >"$WORK/logs/makensis-$size.log" 2>&1 ||
    { echo "makensis failed: $(tail -3 "$WORK/logs/makensis-$size.log")"; exit 1; }
done

DEST="$C/Program Files/Bench Saver"
WIN_DEST='C:\Program Files\Bench Saver'
clean() {
  rm -rf "$DEST" "$C/users/"*/Desktop/*.lnk \
    "$C/users/"*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Bench\ Saver
}

now() { date +%s.%N; }
median() {  # of the runs that did their work
  grep -v -e nan -e '^$' | sort -g |
    awk '{a[NR]=$1} END {print NR == 0 ? "nan" : (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'
}
ratio() {  # a / b, or nan when either is not a number
  case "$1$2" in *nan* | "") echo nan ;; *) echo "$1 / $2" | bc -l ;; esac
}
least() { sort -g | grep -v nan | head -1; }

# The time of one program run, "nan" when it failed or did not do its work.
timed() {  # check-command -- wine arguments...
  local check=$1 start end code
  shift 2
  sync
  start=$(now)
  timeout 300 wine "$@" >"$WORK/logs/run.out" 2>&1
  code=$?
  end=$(now)
  if [ $code -ne 0 ] || ! eval "$check"; then
    echo "run failed ($code): $*" >&2
    echo "nan"
    return
  fi
  echo "$end - $start" | bc -l
}

installed='cmp -s "$DEST/BenchSav.scr" "$WORK/files/big.scr"'
copied='cmp -s "$C/copy.scr" "$WORK/files/big.scr"'
run_item() {  # name: one timed run of that program
  case $1 in
    ours) clean; timed "$installed" -- 'C:\ours_big.exe' -silent ;;
    nsis) clean; timed "$installed" -- 'C:\nsis_big.exe' /S ;;
    floor) rm -f "$C/copy.scr"; timed "$copied" -- 'C:\copier.exe' 'C:\source.scr' 'C:\copy.scr' ;;
    bare) timed true -- 'C:\bare.exe' ;;
    buf*) rm -f "$C/copy.scr"; timed "$copied" -- 'C:\copier.exe' 'C:\source.scr' 'C:\copy.scr' "${1#buf}" ;;
  esac
}

# RUNS rounds; round i starts with item i (mod the count), so every item
# goes first as often as every other. Results land in T_<name> arrays.
rounds() {  # items...
  local items=("$@") n=$# i j name
  for name in "${items[@]}"; do eval "T_$name=()"; done
  for ((i = 0; i < RUNS; i++)); do
    for ((j = 0; j < n; j++)); do
      name=${items[$(((i + j) % n))]}
      eval "T_$name+=(\"\$(run_item $name)\")"
    done
  done
}
med() { eval "printf '%s\n' \"\${T_$1[@]}\"" | median; }

# One long wineserver session for the silent runs, so no run pays for its
# start (the wizard runs below start it afresh each time).
timeout 60 wine wineboot >/dev/null 2>&1
wineserver -p60 >/dev/null 2>&1

echo "== silent install and the floor ($RUNS rounds)"
run_item ours >/dev/null  # warm the caches for all
run_item floor >/dev/null
rounds ours nsis floor bare
R_floor=("${T_floor[@]}")
m_ours=$(med ours) m_nsis=$(med nsis) m_floor=$(med floor) m_bare=$(med bare)
sizes_cp=()
for ((i = 0; i < RUNS; i++)); do
  rm -f "$C/copy.scr"
  sync
  s=$(now)
  cp "$C/source.scr" "$C/copy.scr"
  sizes_cp+=("$(echo "$(now) - $s" | bc -l)")
done
m_cp=$(printf '%s\n' "${sizes_cp[@]}" | median)

echo "== copy loop buffer ($RUNS rounds: $BUFFERS)"
buffer_items=()
for b in $BUFFERS; do buffer_items+=("buf$b"); done
rounds "${buffer_items[@]}" floor
m_floor2=$(med floor)

# Until the uninstaller has ended and the screensaver file is gone. NSIS's
# uninstaller starts a copy of itself in the temporary folder, which does
# the work, and returns at once; ours removes the files itself and leaves
# only the deletion of the uninstaller to its temporary copy.
until_removed() {  # wine arguments...
  local start code t
  sync
  start=$(now)
  timeout 300 wine "$@" >"$WORK/logs/run.out" 2>&1
  code=$?
  while [ -e "$DEST/BenchSav.scr" ]; do
    t=$(echo "$(now) - $start" | bc -l)
    [ "$(echo "$t > 60" | bc)" = 1 ] && break
    sleep 0.005
  done
  if [ $code -ne 0 ] || [ -e "$DEST/BenchSav.scr" ]; then
    echo "run failed ($code): $*" >&2
    echo "nan"
    return
  fi
  echo "$(now) - $start" | bc -l
}

echo "== silent uninstall ($RUNS runs each, taking turns)"
uninstall_ours=() uninstall_nsis=()
for ((i = 0; i < RUNS; i++)); do
  for who in $( ((i % 2 == 0)) && echo "ours nsis" || echo "nsis ours"); do
    run_item "$who" >/dev/null
    if [ "$who" = ours ]; then
      uninstall_ours+=("$(until_removed "$WIN_DEST\\uninstall BenchSav.exe" -silent)")
    else
      uninstall_nsis+=("$(until_removed "$WIN_DEST\\uninstall BenchSav.exe" /S)")
    fi
  done
done
m_un_ours=$(printf '%s\n' "${uninstall_ours[@]}" | median)
m_un_nsis=$(printf '%s\n' "${uninstall_nsis[@]}" | median)

# Peak memory: the installing process's VmHWM, sampled from /proc while it
# runs (the wineserver and Wine's services are other processes).
peak_kib() {  # exe-name args...
  local name=$1
  shift
  clean
  timeout 300 wine "$@" >/dev/null 2>&1 &
  local launcher=$! hwm=0 pid v
  while kill -0 "$launcher" 2>/dev/null; do
    for pid in $(pgrep -f "$name" 2>/dev/null); do
      v=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null)
      [ -n "$v" ] && [ "$v" -gt "$hwm" ] && hwm=$v
    done
    sleep 0.01
  done
  wait "$launcher"
  echo "$hwm"
}

echo "== peak memory"
mem_ours_small=$(peak_kib 'ours_small.exe' 'C:\ours_small.exe' -silent)
mem_ours_big=$(peak_kib 'ours_big.exe' 'C:\ours_big.exe' -silent)
mem_nsis_small=$(peak_kib 'nsis_small.exe' 'C:\nsis_small.exe' /S)
mem_nsis_big=$(peak_kib 'nsis_big.exe' 'C:\nsis_big.exe' /S)
timeout 60 wineserver -k 2>/dev/null
timeout 60 wineserver -w 2>/dev/null

# Wizard start-up. The window is found by its caption; it counts as drawn
# once a picture of it holds more than a few colours (a window whose
# controls are not painted yet is one or two flat colours).
if [ "$WIZARD" = 1 ]; then
  echo "== wizard start-up ($RUNS runs each, taking turns, Wine server started afresh)"
  printf 'Bench Saver licence.\r\n\r\nA few lines that the licence page shows.\r\n' >"$WORK/files/license.txt"
  pack "$WORK/files/small.scr" "$C/ours_wizard.exe" --license "$WORK/files/license.txt" ||
    { echo "scrpack failed: $(tail -3 "$WORK/logs/scrpack.log")"; exit 1; }
  makensis -V1 -DSCR_FILE="$WORK/files/small.scr" -DLICENSE_FILE="$WORK/files/license.txt" \
    -DOUT_FILE="$C/nsis_wizard.exe" "$ROOT/bench/wizard_bench.nsi" >"$WORK/logs/makensis-wizard.log" 2>&1 ||
    { echo "makensis failed: $(tail -3 "$WORK/logs/makensis-wizard.log")"; exit 1; }
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" 2>"$WORK/logs/xvfb.log" &
  XVFB_PID=$!
  for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(cat "$WORK/display")"

  drawn_after() {  # exe: seconds from start until its first page is drawn
    local exe=$1 start wid="" t colours=0
    timeout 60 wineserver -k >/dev/null 2>&1
    timeout 60 wineserver -w >/dev/null 2>&1
    clean
    start=$(now)
    timeout 60 wine "$exe" >"$WORK/logs/wizard.out" 2>&1 &
    local launcher=$!
    while :; do
      t=$(echo "$(now) - $start" | bc -l)
      if [ "$(echo "$t > 30" | bc)" = 1 ] || ! kill -0 "$launcher" 2>/dev/null; then
        echo "nan"
        break
      fi
      # NSIS's caption ends in a blank.
      [ -z "$wid" ] && wid=$(xdotool search --onlyvisible --name '^Bench Saver Setup ?$' 2>/dev/null | head -1)
      if [ -n "$wid" ]; then
        colours=$(/usr/bin/import -silent -window "$wid" png:- 2>/dev/null |
          /usr/bin/convert png:- -format %k info: 2>/dev/null)
        if [ "${colours:-0}" -gt 8 ]; then
          echo "$(now) - $start" | bc -l
          break
        fi
      fi
      sleep 0.01
    done
    timeout 60 wineserver -k >/dev/null 2>&1
    wait "$launcher" 2>/dev/null
  }
  wizard_ours=() wizard_nsis=()
  drawn_after 'C:\ours_wizard.exe' >/dev/null  # the first start of all reads the disk
  for ((i = 0; i < RUNS; i++)); do
    for who in $( ((i % 2 == 0)) && echo "ours nsis" || echo "nsis ours"); do
      if [ "$who" = ours ]; then
        wizard_ours+=("$(drawn_after 'C:\ours_wizard.exe')")
      else
        wizard_nsis+=("$(drawn_after 'C:\nsis_wizard.exe')")
      fi
    done
  done
  m_wiz_ours=$(printf '%s\n' "${wizard_ours[@]}" | median)
  m_wiz_nsis=$(printf '%s\n' "${wizard_nsis[@]}" | median)
  timeout 60 wineserver -k >/dev/null 2>&1
  timeout 60 wineserver -w >/dev/null 2>&1
fi

stub=$(stat -c %s "$WIN32/setup.exe")
nsis_stub=$(($(stat -c %s "$C/nsis_small.exe") - $(stat -c %s "$WORK/files/small.scr")))

echo
echo "medians of $RUNS runs (seconds); ratio = time / floor"
printf '%-44s %9s %7s\n' "silent install, ${BIG_MIB} MiB image" "seconds" "ratio"
printf '%-44s %9.3f %7.2f\n' "ours" "$m_ours" "$(ratio "$m_ours" "$m_floor")"
printf '%-44s %9.3f %7.2f\n' "NSIS" "$m_nsis" "$(ratio "$m_nsis" "$m_floor")"
printf '%-44s %9.3f %7.2f\n' "floor: 32-bit program, CopyFileA only" "$m_floor" 1
printf '%-44s %9.3f\n' "bare 32-bit program" "$m_bare"
printf '%-44s %9.3f\n' "host cp" "$m_cp"
echo
# The least time beside the median: a run that the machine's other work
# slowed shows in the median of few runs, hardly in the least.
printf '%-44s %9s %7s %9s\n' "ReadFile/WriteFile copy, buffer bytes" "seconds" "ratio" "least"
for b in $BUFFERS; do
  m=$(med "buf$b")
  printf '%-44s %9.3f %7.2f %9.3f\n' "$b" "$m" "$(ratio "$m" "$m_floor2")" \
    "$(eval "printf '%s\n' \"\${T_buf$b[@]}\"" | least)"
done
printf '%-44s %9.3f %7.2f %9.3f\n' "CopyFileA (same rounds)" "$m_floor2" 1 \
  "$(printf '%s\n' "${T_floor[@]}" | least)"
echo
printf '%-44s %9s %9s\n' "" "ours" "NSIS"
printf '%-44s %9.3f %9.3f\n' "silent uninstall, seconds" "$m_un_ours" "$m_un_nsis"
if [ "$WIZARD" = 1 ]; then
  printf '%-44s %9.3f %9.3f\n' "wizard start-up to first page drawn, s" "$m_wiz_ours" "$m_wiz_nsis"
  printf '%-44s %9.2f\n' "  ours / NSIS" "$(ratio "$m_wiz_ours" "$m_wiz_nsis")"
fi
printf '%-44s %9s %9s\n' "peak memory (VmHWM), 1 MiB image, KiB" "$mem_ours_small" "$mem_nsis_small"
printf '%-44s %9s %9s\n' "peak memory (VmHWM), ${BIG_MIB} MiB image, KiB" "$mem_ours_big" "$mem_nsis_big"
printf '%-44s %9s %9s\n' "installer overhead (bytes)" "$stub" "$nsis_stub"
echo
echo "runs (s): ours ${T_ours[*]} | NSIS ${T_nsis[*]} | floor ${R_floor[*]} | bare ${T_bare[*]}"
echo "uninstall runs (s): ours ${uninstall_ours[*]} | NSIS ${uninstall_nsis[*]}"
[ "$WIZARD" = 1 ] && echo "wizard runs (s): ours ${wizard_ours[*]} | NSIS ${wizard_nsis[*]}"
exit 0
