#!/usr/bin/env bash
# A writer of all three database files and of message files, killed at random moments KILLS
# times; after each kill every file must load whole, and no temporary file left by the killed
# save may be taken for data.
#
#   bash scripts/killrun.sh KILLS
#
# Ends with "kills: K: F files failed to load" and exits non-zero when F is not zero.
set -euo pipefail
if [ $# -ne 1 ] || ! [ "$1" -gt 0 ] 2>/dev/null; then
  echo "usage: bash scripts/killrun.sh KILLS" >&2
  exit 2
fi
KILLS=$1
source "$(dirname "$0")/tools.sh"

freshDatabase kill

failedFiles=0
for k in $(seq 1 "$KILLS"); do
  rounds="$WORK/rounds"
  : >"$rounds"
  "$TOOLS/station_writer" "$DB" KILLRUN 0 5 churn >"$rounds" &
  pid=$!
  # The writer prints a line per finished round: wait for the first, then kill it at a random
  # moment of the rounds that follow (0 to 30 ms).
  waited=0
  while [ ! -s "$rounds" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "kills: the writer stopped on its own before kill $k" >&2
      exit 1
    fi
    # A hang guard only, far beyond a round's time on any disk.
    if [ $((waited += 1)) -gt 120000 ]; then
      kill -KILL "$pid"
      echo "kills: the writer finished no round before kill $k" >&2
      exit 1
    fi
    sleep 0.001
  done
  sleep "0.0$(printf '%02d' $((RANDOM % 31)))"
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  n=$("$TOOLS/soak_check" load "$DB" || true)
  failedFiles=$((failedFiles + ${n:-1}))
done
echo "kills: $KILLS: $failedFiles files failed to load"
[ "$failedFiles" -eq 0 ]
