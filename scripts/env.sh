# Sourced by the other scripts: where the build goes, and the embedded engine's lock folder. Firebird's own
# lock folder (/tmp/firebird) belongs to the server's user; anyone else needs a folder of their own.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TOUCHMOVE_BUILD:-$top/build}"
if [ "$(id -u)" -ne 0 ] && [ -z "${FIREBIRD_LOCK:-}" ]; then
  export FIREBIRD_LOCK="${XDG_RUNTIME_DIR:-/tmp}/touchmove-firebird-$(id -u)"
  mkdir -p "$FIREBIRD_LOCK"
fi

configure_and_build() {
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j "$(nproc)"
}
