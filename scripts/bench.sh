#!/usr/bin/env bash
# Builds the benchmarks, the conduit and hotsync in Release without sanitizers (build/bench), the
# win32 conduit and hotsync.exe (build/win32), the sync as a 32-bit Linux program (build/bench32)
# and the libical reader, then runs scripts/bench.py, which prints every figure with its peer and
# its goal. The prepared data stays in build/bench/data.
# Arguments name the benchmarks to run (see scripts/bench.py; `make bench BENCH="parse million"`);
# the win32 build and the libical reader are made only when a benchmark needs them.
set -euo pipefail
wanted=" ${*:-all} "
needs() { for name in all "$@"; do [[ $wanted == *" $name "* ]] && return 0; done; return 1; }
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
if needs events && ! pkg-config --exists libical; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends libical-dev >/dev/null
fi
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
jobs=${JOBS:-2}
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DREELBOX_SANITIZE=OFF -DREELBOX_TESTS=ON >/dev/null
cmake --build build/bench -j"$jobs" --target bench_mymovies_sync bench_events_sync hotsync KVRTConduit KVRTConduitLANG
if needs wine wine-million; then
  cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-i686.cmake" >/dev/null
  cmake --build build/win32 -j"$jobs" --target hotsync KVRTConduit KVRTConduitLANG
fi
if needs wine; then
  # The same sync as a 32-bit Linux program, its code made as the Windows image's is (no
  # position-independent code): it splits the Wine figure into the instruction set's part and Wine's.
  if ! dpkg-query -W -f='${Status}' g++-multilib 2>/dev/null | grep -q 'install ok installed' ||
     ! dpkg-query -W -f='${Status}' libcurl4-openssl-dev:i386 2>/dev/null | grep -q 'install ok installed'; then
    SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends g++-multilib \
      libcurl4-openssl-dev:i386 >/dev/null
  fi
  PKG_CONFIG_LIBDIR=/usr/lib/i386-linux-gnu/pkgconfig CFLAGS="-m32 -fno-pie" CXXFLAGS="-m32 -fno-pie" \
    LDFLAGS="-m32 -no-pie" cmake -S . -B build/bench32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DREELBOX_SANITIZE=OFF -DREELBOX_TESTS=ON -DCMAKE_POSITION_INDEPENDENT_CODE=OFF \
    -DCMAKE_LIBRARY_PATH=/usr/lib/i386-linux-gnu >/dev/null
  # Its shared libraries hold text relocations then, which the linker warns of at length.
  cmake --build build/bench32 -j"$jobs" --target bench_mymovies_sync >build/bench32/build.log 2>&1 ||
    { cat build/bench32/build.log; exit 1; }
fi
mkdir -p build/bench/data
if needs wine wine-million; then
  i686-w64-mingw32-gcc -O2 -Wall -Werror -o build/bench/data/wine_desktop.exe bench/peers/wine_desktop.c
  i686-w64-mingw32-gcc -O2 -Wall -Werror -o build/bench/data/wine_com_start.exe bench/peers/wine_com_start.c -lole32
fi
if needs events; then
  # shellcheck disable=SC2046
  cc -O2 -Wall -Werror -o build/bench/data/ical_parse bench/peers/ical_parse.c $(pkg-config --cflags --libs libical)
fi
exec python3 scripts/bench.py build/bench/bin build/win32/bin build/bench/data "$@"
