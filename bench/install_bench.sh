#!/usr/bin/env bash
# Silent install of a 256 MiB screensaver under Wine: our setup side by side
# with an NSIS installer of the same file (uncompressed, same folder, same
# registry values and shortcuts), and plain cp as the floor. Median of RUNS
# runs each. Then the peak memory (VmHWM) of the installing process for a
# 1 MiB and a 256 MiB image. Prints a small table. Not part of the tests.
#
#   bench/install_bench.sh            (uses build/win32 and build/host)
#   SCR_WIN32=... SCR_HOST=... RUNS=7 bench/install_bench.sh
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WIN32=${SCR_WIN32:-$ROOT/build/win32}
HOST=${SCR_HOST:-$ROOT/build/host}
RUNS=${RUNS:-5}
BIG_MIB=${BIG_MIB:-256}
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

for tool in wine makensis python3; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (apt-get install wine nsis)"; exit 1; }
done
[ -x "$HOST/scrpack" ] || { echo "missing: $HOST/scrpack"; exit 1; }

rm -rf "$WORK"
mkdir -p "$WORK/home" "$WORK/files" "$WORK/logs"
export HOME="$WORK/home" WINEPREFIX="$WORK/pfx" WINEARCH=win32 WINEDEBUG=-all \
  WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
unset DISPLAY
C="$WINEPREFIX/drive_c"

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

pack() {  # image setup-file
  "$HOST/scrpack" build -o "$2" --scr "$1" --title "Bench Saver" --file-name BenchSav.scr \
    --dest-folder '<Program Files>\' --dest-subfolder "Bench Saver" \
    --uninstall-entry --start-menu-group --desktop-shortcut >"$WORK/logs/scrpack.log" 2>&1
}

echo "== images and installers (${BIG_MIB} MiB and 1 MiB)"
make_image "$BIG_MIB" "$WORK/files/big.scr"
make_image 1 "$WORK/files/small.scr"
pack "$WORK/files/big.scr" "$C/ours_big.exe" || { echo "scrpack failed"; exit 1; }
pack "$WORK/files/small.scr" "$C/ours_small.exe" || exit 1
for size in big small; do
  makensis -V1 -DSCR_FILE="$WORK/files/$size.scr" -DOUT_FILE="$C/nsis_$size.exe" \
    "$ROOT/bench/install_bench.nsi" >"$WORK/logs/makensis-$size.log" 2>&1 ||
    { echo "makensis failed: $(tail -3 "$WORK/logs/makensis-$size.log")"; exit 1; }
done

DEST="$C/Program Files/Bench Saver"
clean() { rm -rf "$DEST" "$C/users/"*/Desktop/*.lnk "$C/users/"*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Bench\ Saver; }

# One long wineserver session for all runs, so no run pays for its start.
timeout 60 wine wineboot >/dev/null 2>&1
wineserver -p60 >/dev/null 2>&1

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

time_installer() {  # exe args...
  local start end
  clean
  sync
  start=$(now)
  timeout 300 wine "$@" >"$WORK/logs/run.out" 2>&1
  local code=$?
  end=$(now)
  if [ $code -ne 0 ] || ! cmp -s "$DEST/BenchSav.scr" "$WORK/files/big.scr"; then
    echo "run failed ($code): $*" >&2
    echo "nan"
    return
  fi
  echo "$end - $start" | bc -l
}

time_cp() {
  local start end
  clean
  mkdir -p "$DEST"
  sync
  start=$(now)
  cp "$WORK/files/big.scr" "$DEST/BenchSav.scr"
  end=$(now)
  echo "$end - $start" | bc -l
}

echo "== timing ($RUNS runs each)"
ours=() nsis=() cps=()
timeout 300 wine 'C:\ours_big.exe' -silent >/dev/null 2>&1  # warm caches for both
# The two installers take turns at going first, so neither always finds
# the caches (and Wine's desktop process) as the other left them.
for ((i = 0; i < RUNS; i++)); do
  if ((i % 2 == 0)); then
    ours+=("$(time_installer 'C:\ours_big.exe' -silent)")
    nsis+=("$(time_installer 'C:\nsis_big.exe' /S)")
  else
    nsis+=("$(time_installer 'C:\nsis_big.exe' /S)")
    ours+=("$(time_installer 'C:\ours_big.exe' -silent)")
  fi
  cps+=("$(time_cp)")
done
m_ours=$(printf '%s\n' "${ours[@]}" | median)
m_nsis=$(printf '%s\n' "${nsis[@]}" | median)
m_cp=$(printf '%s\n' "${cps[@]}" | median)

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

stub=$(stat -c %s "$WIN32/setup.exe" 2>/dev/null || echo "?")
nsis_stub=$(($(stat -c %s "$C/nsis_small.exe") - $(stat -c %s "$WORK/files/small.scr")))

echo
printf '%-34s %12s %12s %12s\n' "silent install, ${BIG_MIB} MiB image" "ours" "NSIS" "cp"
printf '%-34s %12.3f %12.3f %12.3f\n' "median seconds ($RUNS runs)" "$m_ours" "$m_nsis" "$m_cp"
printf '%-34s %12.0f %12.0f %12s\n' "MiB/s" "$(echo "$BIG_MIB / $m_ours" | bc -l)" \
  "$(echo "$BIG_MIB / $m_nsis" | bc -l)" "$(printf '%.0f' "$(echo "$BIG_MIB / $m_cp" | bc -l)")"
printf '%-34s %12s %12s\n' "peak memory (VmHWM), 1 MiB image" "${mem_ours_small} KiB" "${mem_nsis_small} KiB"
printf '%-34s %12s %12s\n' "peak memory (VmHWM), ${BIG_MIB} MiB image" "${mem_ours_big} KiB" "${mem_nsis_big} KiB"
printf '%-34s %12s %12s\n' "installer overhead (bytes)" "$stub" "$nsis_stub"
echo
echo "runs (s): ours ${ours[*]} | NSIS ${nsis[*]} | cp ${cps[*]}"
rm -rf "$WORK"
