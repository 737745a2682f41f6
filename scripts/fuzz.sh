#!/usr/bin/env bash
# Runs the fuzz targets of the sanitizer build (build-asan, made by scripts/sanitize.sh).
#   bash scripts/fuzz.sh [--time SECONDS | --runs N] [--jobs J] [TARGET...]
# Each target runs for SECONDS (default 60) or N executions, J targets at a time (default 2),
# from its seeds and from what earlier runs found (build-asan/fuzz/corpus/TARGET). An input
# that fails is kept in build-asan/fuzz/crashes/TARGET/ and the script exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
runs=""
jobs=2
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --time) seconds="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --jobs) jobs="$2"; shift 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
all=(config_db notice_db user_db lock_file message_file notices_dat rtf page integrity_check
  notice_markup disk_files)
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

fuzz=build-asan/fuzz
# The longest input each target takes: room for the records it reads and a little more.
max_len() {
  case "$1" in
    lock_file) echo 512 ;;
    config_db | notice_db | user_db) echo 2048 ;;
    page) echo 8192 ;;
    integrity_check) echo 10240 ;;
    disk_files) echo 4097 ;; # a byte for the file, then the longest of the five
    *) echo 4096 ;;
  esac
}

run_one() {
  local t="$1"
  local corpus="$fuzz/corpus/$t" crashes="$fuzz/crashes/$t" log="$fuzz/logs/$t.log"
  mkdir -p "$corpus" "$crashes" "$fuzz/logs"
  local limit=(-max_total_time="$seconds")
  [ -n "$runs" ] && limit=(-runs="$runs")
  local start=$SECONDS status=0
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 \
    "$fuzz/fuzz_$t" "${limit[@]}" -max_len="$(max_len "$t")" -timeout=10 -rss_limit_mb=2048 \
    -malloc_limit_mb=512 -print_final_stats=1 -artifact_prefix="$crashes/" \
    "$corpus" "$fuzz/seeds/$t" >"$log" 2>&1 || status=$?
  local execs
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "fuzz: $t: ${execs:-0} executions in $((SECONDS - start)) s, exit $status"
  if [ "$status" -ne 0 ]; then
    grep -E "ERROR|check failed|runtime error|SUMMARY|Test unit written" "$log" | head -20
    return 1
  fi
}

failed=0
pids=()
for t in "${targets[@]}"; do
  if [ ! -x "$fuzz/fuzz_$t" ]; then
    echo "fuzz: no target $t in $fuzz (run scripts/sanitize.sh first)"
    exit 2
  fi
  run_one "$t" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do
  wait "$p" || failed=1
done
exit $failed
