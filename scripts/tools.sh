# Sourced by soak.sh, killrun.sh and faultrun.sh. Sets TOOLS to the folder of the helper programs, building
# them into build/ when they are not given (PINORA_TOOLS, as the tests give them).
if [ -n "${PINORA_TOOLS:-}" ]; then
  TOOLS="$PINORA_TOOLS"
else
  ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  if [ ! -f "$ROOT/build/build.ninja" ]; then
    bash "$ROOT/scripts/install-deps.sh"
    cmake -S "$ROOT" -B "$ROOT/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$ROOT/build" --target station_writer soak_check faultrun -- -j2 >/dev/null
  TOOLS="$ROOT/build/tests/tools"
fi

# A fresh database folder $DB inside a work folder $WORK that goes when the script ends.
freshDatabase() {
  WORK="$(mktemp -d "${TMPDIR:-/tmp}/pinora-$1.XXXXXX")"
  trap 'rm -rf "$WORK"' EXIT
  DB="$WORK/db"
  "$TOOLS/soak_check" init "$DB"
}
