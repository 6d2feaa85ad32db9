#!/usr/bin/env bash
# Builds the Windows programs and runs a script with kovac.exe (the console
# runner) and kova.exe (the GUI program) under Wine, on a virtual display.
#
#   scripts/run-example.sh [--lang en|ja] [SCRIPT [ARGS...]]
#
# SCRIPT defaults to examples/automation/notepad.kov, which starts notepad,
# types into it, reads back what it saved and closes it. kovac.exe's output
# is shown; kova.exe shows nothing on a console, so only its exit code is.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

lang=en
if [[ "${1:-}" == "--lang" ]]; then lang="${2:?--lang needs en or ja}"; shift 2; fi
script="${1:-examples/automation/notepad.kov}"
[[ $# -gt 0 ]] && shift
[[ -f "$script" ]] || { echo "run-example: no such script: $script" >&2; exit 2; }
script_abs="$(cd "$(dirname "$script")" && pwd)/$(basename "$script")"
# Wine's Z: drive is the Linux root.
script_win="Z:${script_abs//\//\\}"

scripts/install-deps.sh

mkdir -p build/logs
log=build/logs/run-example-build.log
if ! { cmake --preset win64 && cmake --build --preset win64 --target kovac kova; } >"$log" 2>&1; then
  tail -n 60 "$log"
  echo "run-example: the win64 build failed (log: $log)" >&2
  exit 1
fi

harness=(bash tests/harness/wine_env.sh --dir build/win64)
"${harness[@]}" start
trap '"${harness[@]}" stop >/dev/null' EXIT

export LC_ALL=C.UTF-8 LANG=C.UTF-8
out="$(mktemp)" err="$(mktemp)"
trap 'rm -f "$out" "$err"; "${harness[@]}" stop >/dev/null' EXIT

echo "== kovac.exe --lang $lang $script${*:+ $*}"
set +e
# Output into files, not a pipe: see golden.py's run_program.
timeout 120 "${harness[@]}" run wine "$root/build/win64/app/kovac.exe" --lang "$lang" "$script_win" "$@" \
  >"$out" 2>"$err" </dev/null
rc=$?
set -e
tr -d '\r' <"$out"
if [[ -s "$err" ]]; then echo "-- stderr:"; tr -d '\r' <"$err"; fi
echo "== kovac.exe exit code: $rc"

echo "== kova.exe $script${*:+ $*}"
set +e
timeout 60 "${harness[@]}" run wine "$root/build/win64/app/kova.exe" "$script_win" "$@" \
  >"$out" 2>"$err" </dev/null
rc=$?
set -e
if [[ $rc -eq 124 ]]; then
  # An error dialog waits for a click that never comes on the virtual display.
  echo "== kova.exe did not end within 60 s (an error dialog is probably open)"
else
  echo "== kova.exe exit code: $rc"
fi
