#!/usr/bin/env bash
# Runs each fuzz target of a fuzz build for a number of seconds over a copy of its committed
# corpus. Fails, naming the target, when one crashes, leaks, times out or passes a memory limit.
# usage: fuzz-run.sh BUILD_DIR SECONDS [TARGET...]
set -euo pipefail
build=$1 seconds=$2
shift 2
here=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$build"/tests/fuzz/*_fuzzer; do targets+=("$(basename "${t%_fuzzer}")"); done
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cat "$here/tests/fuzz/json.dict" "$here/tests/fuzz/xml.dict" >"$scratch/both.dict"
failed=()
for t in "${targets[@]}"; do
  case $t in
    soap_reply) dict=$here/tests/fuzz/xml.dict ;;
    backend | screen_reply) dict=$scratch/both.dict ;;
    pictures | video_frame | attachment) dict=$here/tests/fuzz/media.dict ;;
    *) dict=$here/tests/fuzz/json.dict ;;
  esac
  # A picture or movie reader must stay within what one decode may take. AddressSanitizer keeps
  # up to 256 MB of freed blocks mapped to catch their reuse; for these targets that would be
  # a picture or two decoded earlier counted against the next, so it keeps less.
  quarantine=
  case $t in
    pictures | video_frame | attachment)
      limits=(-rss_limit_mb=512 -malloc_limit_mb=256) quarantine=quarantine_size_mb=16 ;;
    *) limits=(-rss_limit_mb=2048 -malloc_limit_mb=512) ;;
  esac
  mkdir -p "$scratch/$t"
  echo "== $t: ${seconds}s"
  # A blow-up past these limits, or an input taking over 10 s, counts as a finding.
  if ! ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}$quarantine" \
      LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/tests/fuzz/lsan.supp" \
      "$build/tests/fuzz/${t}_fuzzer" "${limits[@]}" -timeout=10 \
      -max_len=65536 -dict="$dict" \
      -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$scratch/$t-" \
      "$scratch/$t" "$here/tests/fuzz/corpus/$t" >"$scratch/$t.log" 2>&1; then
    tail -n 60 "$scratch/$t.log"
    for a in "$scratch/$t"-*; do [ -e "$a" ] && cp "$a" "$here/" && echo "kept $(basename "$a")"; done
    failed+=("$t")
  else
    grep -E "^stat::number_of_executed_units|^#[0-9]+ *DONE" "$scratch/$t.log" || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets that failed: ${failed[*]}"
  exit 1
fi
