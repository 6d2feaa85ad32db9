#!/usr/bin/env bash
# A private, headless Wine environment for running the Windows build's tests.
#
#   wine_env.sh [--dir DIR] start        start Xvfb and a persistent wineserver
#   wine_env.sh [--dir DIR] run CMD...   run CMD inside the environment
#   wine_env.sh [--dir DIR] stop         stop exactly what `start` started
#   wine_env.sh [--dir DIR] status       exit 0 when the environment is up
#   wine_env.sh [--dir DIR] env          print the environment as shell lines
#
# DIR (default: $KOVA_WINE_DIR, else the current directory) is normally the
# build folder. It holds the Wine prefix (DIR/wineprefix, created once and
# reused) and the state of the running environment (DIR/wine-env/).
#
# `run` replaces a leading `wine` word by the Wine loader that works on this
# machine (64-bit only: /usr/lib/wine/wine64 when present) and prepends it when
# CMD starts with a .exe path. Any other command runs as is with DISPLAY,
# WINEPREFIX, WINEDEBUG and WINEDLLOVERRIDES set, so `run wineserver -k` or
# `run bash -c ...` work too. `run` reports CMD's exit status.
#
# `stop` touches only the Xvfb process and the wineserver recorded in the
# state file (and the Wine processes of the private prefix); other X servers
# and Wine sessions on the machine are left alone.
set -euo pipefail

die() { echo "wine_env: $*" >&2; exit 2; }

dir="${KOVA_WINE_DIR:-$PWD}"
while [[ $# -gt 0 ]]; do
  case "$1" in
    --dir) [[ $# -ge 2 ]] || die "--dir needs a value"; dir="$2"; shift 2 ;;
    --dir=*) dir="${1#--dir=}"; shift ;;
    -h|--help) sed -n '2,22p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) break ;;
  esac
done
[[ $# -ge 1 ]] || die "usage: wine_env.sh [--dir DIR] start|run CMD...|stop|status|env"
cmd="$1"; shift

mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"
state_dir="$dir/wine-env"
state_file="$state_dir/state"
prefix="$dir/wineprefix"

# Wine: prefer the 64-bit loader itself. The `wine` wrapper of Debian looks
# for the 32-bit loader first and prints install hints when it is missing.
pick_wine() {
  if [[ -n "${KOVA_WINE:-}" ]]; then echo "$KOVA_WINE"; return; fi
  local c
  for c in /usr/lib/wine/wine64 /usr/lib64/wine/wine64 wine64 wine; do
    if [[ "$c" == /* ]]; then [[ -x "$c" ]] && { echo "$c"; return; }
    else command -v "$c" >/dev/null 2>&1 && { command -v "$c"; return; }
    fi
  done
  die "no Wine loader found (install the wine and wine64 packages)"
}

pick_wineserver() {
  local c
  for c in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver wineserver64 wineserver; do
    if [[ "$c" == /* ]]; then [[ -x "$c" ]] && { echo "$c"; return; }
    else command -v "$c" >/dev/null 2>&1 && { command -v "$c"; return; }
    fi
  done
  die "no wineserver found (install the wine64 package)"
}

# The settings every Wine process of the harness runs with.
export_wine_settings() {
  export WINEPREFIX="$prefix"
  export WINEARCH=win64
  export WINEDEBUG=-all
  # No Mono or Gecko install dialog: nothing may wait for a click. No sound
  # drivers: the tests run as on a machine without a sound device (the ALSA
  # driver would print libasound's complaints about the missing card on
  # the program's stderr).
  export WINEDLLOVERRIDES="mscoree,mshtml,winealsa.drv,winepulse.drv,wineoss.drv="
  WINE="$(pick_wine)"
  WINESERVER="$(pick_wineserver)"
  export WINELOADER="$WINE" WINESERVER
}

# True while PID is a live (not zombie) process.
alive() {
  local pid="$1" stat
  [[ -n "$pid" && -r "/proc/$pid/stat" ]] || return 1
  stat="$(cat "/proc/$pid/stat" 2>/dev/null)" || return 1
  local rest="${stat##*) }"
  [[ "${rest%% *}" != "Z" ]]
}

# True while PID is a live process whose command name starts with NAME: a
# recorded PID that the system has given to another program since is not
# ours to stop.
alive_as() {
  local pid="$1" name="$2" comm
  alive "$pid" || return 1
  comm="$(cat "/proc/$pid/comm" 2>/dev/null)" || return 1
  [[ "$comm" == "$name"* ]]
}

# Waits up to $3 seconds for PID to die; then kills it.
stop_pid() {
  local pid="$1" name="$2" secs="${3:-10}" i
  alive_as "$pid" "$name" || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for ((i = 0; i < secs * 10; i++)); do
    alive_as "$pid" "$name" || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

load_state() {
  [[ -r "$state_file" ]] || return 1
  # shellcheck disable=SC1090
  source "$state_file"
}

env_is_up() {
  load_state || return 1
  alive_as "${KOVA_XVFB_PID:-}" Xvfb && alive_as "${KOVA_WINESERVER_PID:-}" wineserver
}

lock() {
  mkdir -p "$state_dir"
  exec 9>"$state_dir/lock"
  flock -w 600 9 || die "timed out waiting for $state_dir/lock"
}

do_stop() {
  if load_state; then
    export_wine_settings
    # Ends every Wine process of the private prefix and its server.
    if alive_as "${KOVA_WINESERVER_PID:-}" wineserver; then
      timeout 30 "$WINESERVER" -k >/dev/null 2>&1 9>&- || true
      stop_pid "$KOVA_WINESERVER_PID" wineserver 10
    fi
    stop_pid "${KOVA_XVFB_PID:-}" Xvfb 10
    rm -f "$state_file"
  fi
}

do_start() {
  if env_is_up; then
    echo "wine_env: already running (DISPLAY=$DISPLAY, WINEPREFIX=$WINEPREFIX)"
    return 0
  fi
  do_stop  # remains of an environment that died
  command -v Xvfb >/dev/null 2>&1 || die "Xvfb not found (install the xvfb package)"
  command -v flock >/dev/null 2>&1 || die "flock not found (util-linux)"
  export_wine_settings
  local log="$state_dir/start.log"
  : >"$log"

  # X server on a display number it picks itself (-displayfd): no race with
  # other X servers. It runs in its own session so that a test runner killing
  # the process group of this script does not take it down.
  local dfile="$state_dir/display"
  rm -f "$dfile"
  setsid Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 \
    3>"$dfile" </dev/null >>"$state_dir/xvfb.log" 2>&1 9>&- &
  local xvfb_pid=$! i display=""
  for ((i = 0; i < 300; i++)); do
    if [[ -s "$dfile" ]] && display="$(head -n1 "$dfile")" && [[ "$display" =~ ^[0-9]+$ ]]; then break; fi
    # Only alive, not alive_as: right after the fork the child may not have
    # become Xvfb yet.
    alive "$xvfb_pid" || { cat "$state_dir/xvfb.log" >&2; die "Xvfb exited at start"; }
    sleep 0.1
  done
  [[ "$display" =~ ^[0-9]+$ ]] || { kill "$xvfb_pid" 2>/dev/null; die "Xvfb reported no display within 30 s"; }
  export DISPLAY=":$display"
  # Written now so that a failing start can still be stopped.
  write_state "$xvfb_pid" ""

  # A fresh prefix: wineboot -i creates it (30-60 s on a slow machine).
  # The ready mark is written only after a complete run.
  if [[ ! -f "$prefix/.kova-ready" ]]; then
    rm -rf "$prefix"
    echo "wine_env: creating the Wine prefix $prefix (takes up to a minute)"
    if ! timeout 600 "$WINE" wineboot -i >>"$log" 2>&1 </dev/null 9>&-; then
      cat "$log" >&2; do_stop; die "wineboot -i failed"
    fi
    # wineboot returns before its helper processes end; the server exits
    # when they are done.
    timeout 300 "$WINESERVER" -w >>"$log" 2>&1 </dev/null 9>&- || true
    touch "$prefix/.kova-ready"
  fi

  # Persistent server: tests starting one after another reuse it instead of
  # paying its start-up each time. -f keeps it in the foreground so that its
  # PID is the one recorded.
  setsid "$WINESERVER" -f -p </dev/null >>"$state_dir/wineserver.log" 2>&1 9>&- &
  local ws_pid=$!
  sleep 0.2
  alive "$ws_pid" || { cat "$state_dir/wineserver.log" >&2; do_stop; die "wineserver exited at start"; }
  write_state "$xvfb_pid" "$ws_pid"

  # Wine starts its helper processes (services.exe, winedevice.exe, ...) from
  # the first program that runs, and they inherit that program's stdout and
  # stderr. Were that a test's pipe, the test runner would wait for the
  # helpers, which live as long as the persistent server. Starting them here,
  # with their output going to the log, keeps later tests' pipes private.
  # The desktop process (explorer.exe) is different: it ends a few seconds
  # after the last window closes and the next GUI program starts it again,
  # inheriting that program's handles for those seconds. Test runners
  # therefore capture output in files, not pipes (golden.py does).
  if ! timeout 300 "$WINE" rundll32.exe user32.dll,GetDesktopWindow >>"$log" 2>&1 </dev/null 9>&-; then
    cat "$log" >&2; do_stop; die "the Wine session did not come up"
  fi
  echo "wine_env: up (DISPLAY=$DISPLAY, WINEPREFIX=$WINEPREFIX, Xvfb $xvfb_pid, wineserver $ws_pid)"
}

write_state() {
  {
    printf 'export DISPLAY=%q\n' "$DISPLAY"
    printf 'export WINEPREFIX=%q\n' "$prefix"
    printf 'KOVA_XVFB_PID=%q\n' "$1"
    printf 'KOVA_WINESERVER_PID=%q\n' "$2"
  } >"$state_file.tmp"
  mv "$state_file.tmp" "$state_file"
}

case "$cmd" in
  start)
    lock
    do_start
    ;;
  stop)
    lock
    do_stop
    echo "wine_env: stopped"
    ;;
  status)
    if env_is_up; then echo "wine_env: up (DISPLAY=$DISPLAY, WINEPREFIX=$WINEPREFIX)"; exit 0; fi
    echo "wine_env: not running"; exit 1
    ;;
  env)
    env_is_up || die "not running; use: wine_env.sh --dir $dir start"
    export_wine_settings
    for v in DISPLAY WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES WINELOADER WINESERVER; do
      printf 'export %s=%q\n' "$v" "${!v}"
    done
    ;;
  run)
    [[ $# -ge 1 ]] || die "run needs a command"
    env_is_up || die "not running; use: wine_env.sh --dir $dir start"
    export_wine_settings
    if [[ "$1" == wine || "$1" == wine64 ]]; then
      shift; set -- "$WINE" "$@"
    elif [[ "${1,,}" == *.exe ]]; then
      set -- "$WINE" "$@"
    fi
    exec "$@"
    ;;
  *)
    die "unknown command '$cmd'"
    ;;
esac
