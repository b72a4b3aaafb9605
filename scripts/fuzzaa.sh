#!/usr/bin/env bash
# Runs every libFuzzer harness for a bounded time (FUZZ_AIKA seconds each, default 30) from
# its seed corpus in fuzz/korpus/, and fails on any crash, leak or sanitizer report. New
# corpus entries and crashing inputs stay under build/fuzz/, never in the repository.
set -euo pipefail
cd "$(dirname "$0")/.."

aika="${FUZZ_AIKA:-30}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

bin=build/fuzz/bin
tyo=build/fuzz/ajo
mkdir -p "$tyo"
# The harnesses' scratch files: a folder of this run's, gone afterwards however they end.
raapustin=$(mktemp -d /dev/shm/kolvanto-fuzz-XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$raapustin"' EXIT
export KOLVANTO_FUZZ_KANSIO="$raapustin"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

harnessit=(rivilukija paloittele yleisval lueasetus lomake apppath xml_expat viite historia)
epaonnistui=()
for h in "${harnessit[@]}"; do
  korpus="$tyo/korpus-$h"
  loki="$tyo/$h.log"
  mkdir -p "$korpus"
  echo "=== fuzz-$h (${aika} s) ==="
  if "$bin/fuzz-$h" -max_total_time="$aika" -timeout=20 -rss_limit_mb=2048 \
      -artifact_prefix="$tyo/$h-" -print_final_stats=1 "$korpus" "fuzz/korpus/$h" >"$loki" 2>&1; then
    # The summary line: runs, time and what the corpus covers.
    grep -E '^#[0-9]+[[:space:]]+DONE' "$loki" | tail -1 || true
    grep -E '^stat::number_of_executed_units' "$loki" || true
  else
    echo "fuzz-$h EPÄONNISTUI, loki: $loki" >&2
    grep -E 'ERROR|SUMMARY|ei pidä|Test unit written' "$loki" >&2 || tail -20 "$loki" >&2
    epaonnistui+=("$h")
  fi
done

if ((${#epaonnistui[@]} > 0)); then
  echo "fuzzaa: löytöjä: ${epaonnistui[*]}" >&2
  exit 1
fi
echo "fuzzaa: ${#harnessit[@]} harnessia, ei löytöjä"
