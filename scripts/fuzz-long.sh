#!/usr/bin/env bash
# A long fuzzing run of one target at the lowest priority, stopped with SIGINT (so libFuzzer
# prints its final figures) once it has used the given minutes of CPU time. The corpus grows in
# RUN_DIR/TARGET (seeded from the committed one); the log is RUN_DIR/TARGET.log, and the CPU
# seconds used are appended to it at the end.
# usage: fuzz-long.sh BUILD_DIR TARGET RUN_DIR [CPU_MINUTES=16]
set -euo pipefail
build=$1 target=$2 runs=$3 minutes=${4:-16}
here=$(cd "$(dirname "$0")/.." && pwd)
case $target in
  soap_reply) dict=$here/tests/fuzz/xml.dict ;;
  backend | screen_reply) dict=$runs/both.dict && cat "$here"/tests/fuzz/{json,xml}.dict >"$dict" ;;
  *) dict=$here/tests/fuzz/json.dict ;;
esac
mkdir -p "$runs/$target" "$runs/$target-artifacts"
cp -n "$here/tests/fuzz/corpus/$target"/* "$runs/$target"/ 2>/dev/null || true
nice -n 19 "$build/tests/fuzz/${target}_fuzzer" -rss_limit_mb=2048 -malloc_limit_mb=512 \
  -timeout=10 -max_len=65536 -dict="$dict" -print_final_stats=1 \
  -artifact_prefix="$runs/$target-artifacts/" "$runs/$target" >>"$runs/$target.log" 2>&1 &
pid=$!
ticks=$(getconf CLK_TCK) used=0
while kill -0 "$pid" 2>/dev/null; do
  if stat=$(cat "/proc/$pid/stat" 2>/dev/null); then
    fields=(${stat##*) })  # after "(name) ": state is field 3, utime 14, stime 15
    used=$(((fields[11] + fields[12]) / ticks))
    [ "$used" -ge $((minutes * 60)) ] && kill -INT "$pid"
  fi
  sleep 5
done
wait "$pid" && rc=0 || rc=$?
echo "cpu_seconds: $used exit: $rc" >>"$runs/$target.log"
