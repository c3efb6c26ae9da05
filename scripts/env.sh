# Sourced by the other scripts: where the build goes and how it is made.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TOUCHMOVE_BUILD:-$top/build}"

# configure_and_build [-DNAME=VALUE ...] [TARGET ...]: configures the build folder with the options given (the
# folder keeps those of earlier runs) and builds the targets named, or everything.
configure_and_build() {
  local options=() targets=()
  for arg in "$@"; do
    case $arg in
      -D*) options+=("$arg") ;;
      *) targets+=(--target "$arg") ;;
    esac
  done
  # ccache, where installed, keeps rebuilds of unchanged files short.
  command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
  cmake --build "$build" -j "$(nproc)" "${targets[@]}"
}
