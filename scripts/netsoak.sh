#!/usr/bin/env bash
# The soak (scripts/soak.sh) with the database folder on a network share served on this
# machine: Samba and OpenSSH share a fresh folder on the loopback address, MOUNTS mounts it as
# separate clients, the stations are spread over the mounts, and the checker reads the result
# on the server's own path. pinoractl check-share runs on each mount first.
#
#   bash scripts/netsoak.sh STATIONS OPERATIONS [MOUNTS]
#
# MOUNTS is a comma-separated list of client names: ssh* for sshfs, smb* for smbnetfs
# (default "ssh,ssh2"; "smbA" puts every station on one smbnetfs client, "smbA,smbB" on two).
# A station that cannot take a lock within STATION_LIMIT seconds (default 300) says so and
# stops; one still running after NETSOAK_TIMEOUT seconds (default 3600) is killed and counted
# as hung. A waiting station looks at the lock every NETSOAK_RETRY_MS (default 100).
# NETSOAK_CHECK=require fails the run when check-share fails on a mount (CI).
# NETSOAK_KEEP=DIR keeps the stations' logs and the database there for a look.
#
# Ends with "netsoak: S stations x O operations on M mounts: L lost, X shared slots, K locks
# left, H hung" and exits non-zero when a figure is not zero or a station failed. Mounts and
# servers are always taken down.
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 3 ] || ! [ "$1" -gt 0 ] 2>/dev/null || ! [ "$2" -gt 0 ] 2>/dev/null; then
  echo "usage: bash scripts/netsoak.sh STATIONS OPERATIONS [MOUNTS]" >&2
  exit 2
fi
STATIONS=$1
OPS=$2
MOUNTS=${3:-ssh,ssh2}
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/tools.sh"
source "$HERE/netshare.sh"
if [ -n "${PINORA_BIN:-}" ]; then
  PINORACTL="$PINORA_BIN/pinoractl"
else
  cmake --build "$HERE/../build" --target pinoractl -- -j1 >/dev/null
  PINORACTL="$HERE/../build/bin/pinoractl"
fi

WORK=""
pids=()
cleanup() {
  # timeout runs each station in a process group of its own
  for p in "${pids[@]}"; do kill -9 -- "-$p" 2>/dev/null || kill -9 "$p" 2>/dev/null || true; done
  if [ -n "${NETSOAK_KEEP:-}" ] && [ -n "$WORK" ] && [ -d "${EXPORT:-}/db" ]; then
    mkdir -p "$NETSOAK_KEEP" && cp -r "$WORK" "$EXPORT/db" "$NETSOAK_KEEP/"
  fi
  netshareDown # the work folder with it
}
trap cleanup EXIT
trap 'exit 130' INT TERM

netshareUp "$MOUNTS"
WORK="$NET/work"
mkdir -p "$WORK"
IFS=, read -r -a names <<<"$MOUNTS"
M=${#names[@]}

"$TOOLS/soak_check" init "$EXPORT/db"
chown -R "$NET_USER:" "$EXPORT/db" # the share's account changes what the stations change

# What this workstation's view of the folder promises, with the next mount as the second client.
checkFailed=0
for i in "${!names[@]}"; do
  n=${names[$i]}
  args=(--folder "$(view "$n")/db" check-share)
  if [ "$M" -gt 1 ]; then
    args+=(--peer "$(view "${names[$(((i + 1) % M))]}")/db")
  fi
  echo "netsoak: check-share on $n${args[4]:+ with ${names[$(((i + 1) % M))]} as the second client}:"
  if ! "$PINORACTL" "${args[@]}" >"$WORK/check-share.out" 2>&1; then
    checkFailed=$((checkFailed + 1))
  fi
  sed 's/^/    /' "$WORK/check-share.out"
done

LIMIT=${NETSOAK_TIMEOUT:-3600}
# A waiting station looks at the lock again after this many ms (the program: 3000). Every look
# opens the lock file, and a share will not remove a file that another client has open.
RETRY=${NETSOAK_RETRY_MS:-100}
started=$(date +%s)
logs=()
where=()
for s in $(seq 1 "$STATIONS"); do
  n=${names[$(((s - 1) % M))]}
  where+=("$n")
  log="$WORK/soak$s.log"
  logs+=("$log")
  STATION_LIMIT=${STATION_LIMIT:-300} timeout -s KILL "$LIMIT" \
    "$TOOLS/station_writer" "$(view "$n")/db" "soak$s" "$OPS" "$RETRY" soak "$log" "$RANDOM$s" \
    >"$WORK/station$s.out" 2>&1 &
  pids+=($!)
done
hung=0
failed=0
for i in "${!pids[@]}"; do
  rc=0
  wait "${pids[$i]}" || rc=$?
  s=$((i + 1))
  if [ $rc -eq 137 ]; then
    hung=$((hung + 1))
    echo "netsoak: station soak$s on ${where[$i]} still ran after $LIMIT s and was stopped"
  elif [ $rc -ne 0 ]; then
    failed=$((failed + 1))
    echo "netsoak: station soak$s on ${where[$i]} stopped with a failure (exit $rc):"
    tail -3 "$WORK/station$s.out" | sed 's/^/    /'
  fi
done
pids=()
echo "netsoak: the stations ran for $(($(date +%s) - started)) s"

set +e
line=$("$TOOLS/soak_check" check "$EXPORT/db" "$OPS" "${logs[@]}" 2>"$WORK/check.err")
set -e
sed 's/^/    /' "$WORK/check.err" | head -20
echo "$line"
read -r lost shared left < <(echo "$line" |
  sed -n 's/.*: \([0-9]*\) lost, \([0-9]*\) shared slots, \([0-9]*\) locks left.*/\1 \2 \3/p')
if [ -z "${lost:-}" ]; then
  echo "netsoak: the checker gave no figures" >&2
  exit 1
fi
[ $failed -eq 0 ] || echo "netsoak: $failed stations stopped with a failure"
if [ $checkFailed -ne 0 ]; then
  echo "netsoak: check-share failed on $checkFailed of $M mounts"
  if [ "${NETSOAK_CHECK:-}" = require ]; then failed=$((failed + 1)); fi
fi
echo "netsoak: $STATIONS stations x $OPS operations on $M mounts: $lost lost, $shared shared slots, $left locks left, $hung hung"
[ "$lost" -eq 0 ] && [ "$shared" -eq 0 ] && [ "$left" -eq 0 ] && [ $hung -eq 0 ] && [ $failed -eq 0 ]
