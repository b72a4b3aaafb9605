#!/usr/bin/env bash
# A year in the life of an office: the fault test's year run over 365 days (CI runs 100).
# PAIVIA=... and SIEMENET="1 2 3" change the days and the seeds; LOKI=1 prints every run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux --target vikatestit
tila=0
for siemen in ${SIEMENET:-20261209 1 2 3}; do
  KOLVANTO_VUOSI_PAIVIA="${PAIVIA:-365}" KOLVANTO_VUOSI_SIEMEN="$siemen" KOLVANTO_VUOSI_LOKI="${LOKI:-0}" \
    build/linux/bin/vikatestit --gtest_filter='Vuosi.JokainenEraKerranJokainenTavuArkistossa' || tila=1
done
exit $tila
