#!/usr/bin/env bash
# Runs the end-to-end driver against veltrix.exe on a virtual display:
#
#   run-suite.sh DEPTH WORKDIR WINE DRIVER [driver arguments...]
#
# DEPTH is the display's bits per pixel (24 or 8). Everything the suite makes
# lives in WORKDIR: the X server's display number, a fresh Wine prefix (made
# once per suite), a private HOME, and the logs. Every process started here is
# ended by its id, and the prefix's wineserver by `wineserver -k`, also when the
# suite fails or is interrupted.
#
# Wine's own output always goes to files: a service that Wine starts inherits the
# standard output of whoever started it, and ctest would wait for a pipe that a
# lingering service keeps open.
set -u
if [ $# -lt 4 ]; then
  echo "usage: $0 DEPTH WORKDIR WINE DRIVER [driver arguments...]" >&2
  exit 2
fi
depth=$1 work=$(realpath -m "$2") wine=$3 driver=$(realpath "$4")
shift 4

xvfb_pid=""
driver_pid=""
prefix_ready=""
cleanup() {
  if [ -n "$driver_pid" ]; then kill "$driver_pid" 2>/dev/null; fi
  if [ -n "$prefix_ready" ]; then wineserver -k >>"$work/wine.log" 2>&1 </dev/null; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null; fi
  # A prefix is 600-700 MB: keep it only when asked to (for looking into a failure).
  if [ -z "${VELTRIX_E2E_KEEP:-}" ]; then rm -rf "$work/prefix"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() { echo "e2e: $*" >&2; exit 1; }
started=$(date +%s)

rm -rf "$work" && mkdir -p "$work/home" || fail "cannot make $work"

# Let the X server pick a free display and tell us which (no guessing, no races
# with other servers on the machine).
Xvfb -displayfd 3 -screen 0 "1024x768x$depth" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 </dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb gave no display number"

export DISPLAY=":$(tr -d '\n' <"$work/display")"
export HOME="$work/home"
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
unset WINEARCH
prefix_ready=1

"$wine" wineboot -i >>"$work/wine.log" 2>&1 </dev/null || fail "wineboot failed (see $work/wine.log)"
# A maximised window fills the X screen only inside a Wine virtual desktop of the
# screen's size; the desktop setting is read when the wineserver starts.
# A crash ends the crashed program with a backtrace on its standard error
# instead of waiting in a crash dialog that nobody would close.
cat >"$work/suite.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
"$wine" regedit /S "$work/suite.reg" >>"$work/wine.log" 2>&1 </dev/null || fail "cannot set up the registry"
wineserver -k >>"$work/wine.log" 2>&1 </dev/null
# One server for the whole suite: without it every program start costs seconds.
wineserver -p >>"$work/wine.log" 2>&1 </dev/null
"$wine" wineboot >>"$work/wine.log" 2>&1 </dev/null
ready=$(date +%s)
echo "e2e: display $DISPLAY at $depth bits, prefix ready in $((ready - started)) s"

# In the background, so that an interrupt reaches the trap while the driver runs.
(cd "$work" && exec "$wine" "$driver" "$@" >"$work/driver.log" 2>&1 </dev/null) &
driver_pid=$!
wait "$driver_pid"
rc=$?
driver_pid=""
cat "$work/driver.log"
echo "e2e: suite at $depth bits ran in $(($(date +%s) - ready)) s (driver exit status $rc)"
exit $rc
