#!/usr/bin/env bash
# run_fuzzer.sh FUZZER SEED_DIR CORPUS_DIR SECONDS [LIBFUZZER OPTIONS...]: a
# fuzzing run from the seed files, at most SECONDS long; any finding fails
# the run and leaves the input beside the corpus (CORPUS_DIR-crash-...).
set -euo pipefail
fuzzer="$1"; seeds="$2"; corpus="$3"; seconds="$4"; shift 4
mkdir -p "$corpus"
cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
log="$corpus.log"
status=0
"$fuzzer" -max_total_time="$seconds" -max_len=16384 -rss_limit_mb=1024 -print_final_stats=1 \
  -artifact_prefix="$corpus-" "$@" "$corpus" >"$log" 2>&1 || status=$?
grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec|ERROR|SUMMARY' "$log" || true
exit $status
