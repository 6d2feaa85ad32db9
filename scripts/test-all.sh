#!/usr/bin/env bash
# Builds the native, native-asan, native-tsan, fuzz and win64 presets and
# runs all of their tests (unit, golden, the unit tests under
# ThreadSanitizer, the fuzz targets for KOVA_FUZZ_SECONDS each (default 60),
# and under Wine the Windows ones). Exits non-zero when a
# configure step, a build or a test fails. Full logs: build/logs/.
#
#   scripts/test-all.sh [PRESET...]     default: native native-asan native-tsan fuzz win64
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh || exit 1

presets=("$@")
[[ ${#presets[@]} -gt 0 ]] || presets=(native native-asan native-tsan fuzz win64)
logs=build/logs
mkdir -p "$logs"

# Whatever happens to ctest, no Wine environment outlives this script.
cleanup() {
  for p in "${presets[@]}"; do
    if [[ -f "build/$p/wine-env/state" ]]; then
      bash tests/harness/wine_env.sh --dir "build/$p" stop >/dev/null 2>&1 || true
    fi
  done
}
trap cleanup EXIT

total_passed=0
total_failed=0
failed_steps=()

# Runs a step quietly; on failure shows the end of its log.
step() {
  local name="$1" log="$2"; shift 2
  if "$@" >"$log" 2>&1; then return 0; fi
  echo "FAILED: $name (log: $log)"
  tail -n 60 "$log"
  failed_steps+=("$name")
  return 1
}

for p in "${presets[@]}"; do
  start=$SECONDS
  echo "== $p"
  if ! step "$p: configure" "$logs/$p-configure.log" cmake --preset "$p"; then
    total_failed=$((total_failed + 1))
    continue
  fi
  # A failed build still runs the tests of what did build.
  step "$p: build" "$logs/$p-build.log" cmake --build --preset "$p" || total_failed=$((total_failed + 1))

  log="$logs/$p-test.log"
  ctest --preset "$p" >"$log" 2>&1
  rc=$?
  summary="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1)"
  if [[ -n "$summary" ]]; then
    failed="$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")"
    count="$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")"
    total_passed=$((total_passed + count - failed))
    total_failed=$((total_failed + failed))
  elif [[ $rc -ne 0 ]]; then
    total_failed=$((total_failed + 1))
  fi
  if [[ $rc -ne 0 ]]; then
    failed_steps+=("$p: tests")
    # The log without the lines of passing tests: failures with their output.
    grep -v -E '^ *Start +[0-9]+: |Test +#[0-9]+: .* Passed ' "$log"
  fi
  echo "$p: ${summary:-no test summary (ctest exit $rc)} [$((SECONDS - start)) s]"
done

echo
if [[ ${#failed_steps[@]} -gt 0 ]]; then
  printf 'failed: %s\n' "${failed_steps[@]}"
fi
echo "test-all: $total_passed passed, $total_failed failed"
[[ ${#failed_steps[@]} -eq 0 ]]
