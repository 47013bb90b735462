#!/usr/bin/env bash
# PicFlorvane build driver.
#   ./build.sh run     install what is missing, build (Release) and start the program
#   ./build.sh test    install what is missing, build with ASan+UBSan and run every test
#   ./build.sh bench   build (Release) and run the benchmarks
#   ./build.sh fuzz    build the fuzz targets with clang and libFuzzer and run each briefly
set -euo pipefail

cd "$(dirname "$0")"
top=$(pwd)
jobs=$(nproc)

packages=(
  cmake ninja-build g++ pkg-config
  libjpeg62-turbo-dev libsqlite3-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libsdl2-dev libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
  libx11-dev xvfb xauth x11-utils x11-apps xdotool imagemagick openbox sqlite3
)
fuzz_packages=(clang-14 libclang-rt-14-dev)
# The peers the assembly benchmark is timed against, with the timer that measures them all.
bench_packages=(libvips-tools imagemagick time)

install_missing() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

configure_and_build() {
  local dir=$1
  shift
  cmake -S "$top" -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
}

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON

case "${1:-}" in
  run)
    install_missing "${packages[@]}"
    dir=${BUILD_DIR:-$top/build/release}
    # Configured once; later builds re-run CMake themselves when a build file changes.
    [ -f "$dir/build.ninja" ] || cmake --preset run -B "$dir"
    cmake --build "$dir" -j "$jobs"
    # The picture plug-in registers itself, so that JPEG files open on a fresh machine.
    "$dir/bin/vntregsvr" "$dir/bin/Vt05pcST.so" || echo "warning: the JPEG plug-in could not be registered" >&2
    shift
    exec "$dir/bin/PicFlorvane" "$@"
    ;;
  test)
    install_missing "${packages[@]}"
    dir=${BUILD_DIR:-$top/build/test}
    configure_and_build "$dir" -DCMAKE_BUILD_TYPE=Debug -DVNT_SANITIZE=ON -DVNT_WERROR=$werror \
      -DCMAKE_CXX_FLAGS="-O1 -g"
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    cd "$dir"
    ctest --output-on-failure -j "$jobs" --timeout 600
    ;;
  bench)
    install_missing "${packages[@]}" "${bench_packages[@]}"
    dir=${BUILD_DIR:-$top/build/bench}
    configure_and_build "$dir" -DCMAKE_BUILD_TYPE=Release -DVNT_TESTS=OFF -DVNT_BENCH=ON
    for b in "$dir"/bin/bench_*; do
      [ -x "$b" ] || continue
      echo "== $(basename "$b")"
      "$b" --benchmark_min_time=0.2
    done
    echo "== assembly against its peers"
    "$top/bench/assembly_peers.sh" "$dir/bin"
    ;;
  fuzz)
    install_missing "${packages[@]}" "${fuzz_packages[@]}"
    dir=${BUILD_DIR:-$top/build/fuzz}
    # CI builds with g++ alone; clang warns of other things, so its warnings stop this build.
    CC=clang-14 CXX=clang++-14 configure_and_build "$dir" -DCMAKE_BUILD_TYPE=Debug -DVNT_TESTS=OFF \
      -DVNT_LIBFUZZER=ON -DVNT_SANITIZE=ON -DVNT_WERROR=ON -DCMAKE_CXX_FLAGS="-O1 -g -fsanitize=fuzzer-no-link"
    for f in "$dir"/bin/fuzz_*; do
      [ -x "$f" ] || continue
      name=$(basename "$f"); name=${name#fuzz_}
      work=$(mktemp -d)
      cp -r "$top/fuzz/corpus/$name/." "$work/" 2>/dev/null || true
      echo "== $name"
      "$f" -max_total_time="${FUZZ_SECONDS:-60}" "$work"
    done
    ;;
  *)
    sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
