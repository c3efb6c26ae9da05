# Sourced by the other scripts: where the build goes and how it is made.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TOUCHMOVE_BUILD:-$top/build}"

configure_and_build() {
  # ccache, where installed, keeps rebuilds of unchanged files short.
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
  cmake --build "$build" -j "$(nproc)"
}
