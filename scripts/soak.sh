#!/usr/bin/env bash
# STATIONS processes on one fresh database folder, each doing OPERATIONS random changes (create,
# edit, delete, dates and sets under lock N; user add and update under lock U) and logging each
# one it completed; then a checker replays the logs against the files.
#
#   bash scripts/soak.sh STATIONS OPERATIONS
#
# Ends with "soak: S stations x O operations: L lost, X shared slots, K locks left" and exits
# non-zero when a figure is not zero (or a station failed).
set -euo pipefail
if [ $# -ne 2 ] || ! [ "$1" -gt 0 ] 2>/dev/null || ! [ "$2" -gt 0 ] 2>/dev/null; then
  echo "usage: bash scripts/soak.sh STATIONS OPERATIONS" >&2
  exit 2
fi
STATIONS=$1
OPS=$2
source "$(dirname "$0")/tools.sh"

freshDatabase soak

pids=()
logs=()
for s in $(seq 1 "$STATIONS"); do
  log="$WORK/soak$s.log"
  logs+=("$log")
  "$TOOLS/station_writer" "$DB" "soak$s" "$OPS" 5 soak "$log" "$RANDOM$s" &
  pids+=($!)
done
failed=0
for i in "${!pids[@]}"; do
  if ! wait "${pids[$i]}"; then
    echo "soak: station soak$((i + 1)) stopped with a failure" >&2
    failed=1
  fi
done

status=0
"$TOOLS/soak_check" check "$DB" "$OPS" "${logs[@]}" || status=1
if [ $failed -ne 0 ]; then status=1; fi
exit $status
