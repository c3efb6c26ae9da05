# Sourced by the other scripts: where the build goes and how it is made.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TOUCHMOVE_BUILD:-$top/build}"

configure_and_build() {
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j "$(nproc)"
}
