#!/usr/bin/env bash
# Builds every fuzz target with clang as a libFuzzer program under
# AddressSanitizer+UBSan, with the libraries under test carrying the fuzzer's
# coverage instrumentation too, and runs each for N minutes (default 1; Ns
# for N seconds),
# FUZZ_JOBS of them at once (default 1; each takes one core), starting from
# its seed corpus in the tree, with the options its tarsel_fuzzer() gives.
# New inputs go to build-fuzz/fuzz/corpus/<target>, the fuzzer's output to
# build-fuzz/fuzz/logs/<target>.log, findings (crashing inputs) to
# build-fuzz/fuzz/findings/<target>. At the end a table gives per target its
# executions, exec/s and the findings of this run; a finding fails the
# script after every target has had its turn. Copy an input worth keeping
# into the target's seed corpus, so the ordinary tests run it from then on.
# Several runs may share build-fuzz at once (each with its own targets): the
# first builds, the others wait for it.
# Usage: tools/run-fuzzers.sh [minutes|Ns] [target ...]
#        (JOBS=n limits the build, FUZZ_JOBS=n runs n targets at once)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
duration=${1:-1}
shift || true
case $duration in
  *s) seconds=${duration%s} ;;
  *) seconds=$((duration * 60)) ;;
esac
build=$top/build-fuzz

# clang and its fuzzer runtime are needed here only, so they are not among the
# main dependencies.
"$top/tools/install-deps.sh" clang libclang-rt-14-dev

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
mkdir -p "$build"
(
  flock 9
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
    -DTARSEL_FUZZ=ON -DTARSEL_SANITIZE=address -DTARSEL_WERROR=OFF >/dev/null
  cmake --build "$build" --target tarsel_fuzzers -j "${JOBS:-$(nproc)}"
) 9>"$build/.run-fuzzers.lock"

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
results=$(mktemp -d "${TMPDIR:-/tmp}/run-fuzzers-XXXXXX")
trap 'rm -rf "$results"' EXIT

# Runs one target; its line of the table goes to $results/<order>.
fuzz_one() {
  local order=$1 name=$2 corpus=$3
  shift 3
  local work=$build/fuzz/corpus/$name findings=$build/fuzz/findings/$name
  local log=$build/fuzz/logs/$name.log
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  # A home of its own, so nothing a target reaches touches the user's files,
  # and a private scratch folder, removed after the run even when the target
  # crashed; on a RAM disk when there is one, as the profile writer syncs
  # every file it writes.
  local scratch_base=$build/fuzz
  [ -d /dev/shm ] && [ -w /dev/shm ] && scratch_base=/dev/shm
  local scratch
  scratch=$(mktemp -d "$scratch_base/tarsel-fuzz-$name-XXXXXX")
  local home=$build/fuzz/home/$name
  local before status=ok
  before=$(find "$findings" -type f | wc -l)
  echo "run-fuzzers: $name for $seconds s, output in $log"
  if ! HOME=$home TMPDIR=$scratch XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
      TARSEL_REGISTRY_DIR=$home/registry TARSEL_MACHINE_REGISTRY=$home/machine/machine.reg \
      "$build/fuzz/$name" -max_total_time="$seconds" -print_final_stats=1 "$@" \
      -artifact_prefix="$findings/" "$work" "$corpus" >"$log" 2>&1; then
    status=failed
    tail -n 40 "$log" >&2
  fi
  rm -rf "$scratch"
  local runs speed found
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  found=$(($(find "$findings" -type f | wc -l) - before))
  # A target that failed without leaving an input still counts as a finding.
  [ "$status" = failed ] && [ "$found" -eq 0 ] && found=1
  printf '%-30s %12s %8s %8s\n' "$name" "${runs:-?}" "${speed:-?}" "$found" >"$results/$order"
}

order=0
while read -r name corpus options; do
  [ -n "$name" ] || continue
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then
    continue
  fi
  while [ "$(jobs -rp | wc -l)" -ge "${FUZZ_JOBS:-1}" ]; do
    wait -n || true
  done
  order=$((order + 1))
  # shellcheck disable=SC2086 # the options are separate words
  fuzz_one "$(printf '%03d' "$order")" "$name" "$corpus" $options &
done <"$build/fuzz/fuzzers.txt"
wait

echo
printf '%-30s %12s %8s %8s\n' target executions exec/s findings
cat "$results"/* 2>/dev/null || true
failed=$(awk '$4 != 0 { print $1 }' "$results"/* 2>/dev/null | tr '\n' ' ')
if [ -n "$failed" ]; then
  echo "run-fuzzers: findings in $failed(see $build/fuzz/findings)" >&2
  exit 1
fi
echo "run-fuzzers: no findings"
