#!/usr/bin/env bash
# Installs, with apt-get, every Debian 12 package that building and testing
# KOVA needs and that is not installed yet. Quiet when nothing is missing.
#
#   scripts/install-deps.sh [--bench]
#
# --bench adds what bench/run needs beyond the build: the peer interpreters
# it times KOVA against, callgrind and GNU time.
set -euo pipefail

bench=0
for arg in "$@"; do
  case "$arg" in
    --bench) bench=1 ;;
    *) echo "install-deps: unknown option $arg (usage: install-deps.sh [--bench])" >&2; exit 2 ;;
  esac
done

packages=(
  # Native build and tests
  cmake ninja-build g++ python3 googletest
  # g++'s ThreadSanitizer runtime (preset native-tsan)
  libtsan2
  # Fuzz targets: clang with libFuzzer and the sanitizer runtimes; llvm for
  # llvm-symbolizer (readable sanitizer reports)
  clang libclang-rt-14-dev llvm
  # Windows cross build (POSIX thread model) and resource compiler
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  # Running the Windows programs: 64-bit Wine on a virtual X display
  wine wine64 xvfb xauth
  # flock, setsid (the Wine harness)
  util-linux
)
if [[ $bench -eq 1 ]]; then
  packages+=(python3-minimal lua5.4 valgrind time)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed'; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null 2>&1 || { echo "install-deps: missing ${missing[*]}; run as root" >&2; exit 1; }
  sudo=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
log="$(mktemp /tmp/kova-install-deps.XXXXXX.log)"
export DEBIAN_FRONTEND=noninteractive
if ! { "${sudo[@]}" apt-get update -q &&
       "${sudo[@]}" apt-get install -y -q -o Dpkg::Use-Pty=0 "${missing[@]}"; } </dev/null >"$log" 2>&1; then
  tail -n 40 "$log" >&2
  echo "install-deps: apt-get failed (full log: $log)" >&2
  exit 1
fi
rm -f "$log"
echo "install-deps: done"
