#!/usr/bin/env bash
# Builds every fuzz target with clang as a libFuzzer program under
# AddressSanitizer+UBSan, with the libraries under test carrying the fuzzer's
# coverage instrumentation too, and runs each for N minutes (default 1), one
# after the other, starting from its seed corpus in the tree.
# New inputs go to build-fuzz/fuzz/corpus/<target>, the fuzzer's output to
# build-fuzz/fuzz/logs/<target>.log (its executions and exec/s are printed
# after each target), findings (crashing inputs) to
# build-fuzz/fuzz/findings/<target>; a finding fails the script
# after every target has had its turn. Copy an input worth keeping into the
# target's seed corpus, so the ordinary tests run it from then on.
# Several runs may share build-fuzz at once (each with its own targets): the
# first builds, the others wait for it.
# Usage: tools/run-fuzzers.sh [minutes] [target ...]   (JOBS=n limits the build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-1}
shift || true
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
failed=()
while read -r name corpus; do
  [ -n "$name" ] || continue
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then
    continue
  fi
  work=$build/fuzz/corpus/$name
  findings=$build/fuzz/findings/$name
  mkdir -p "$work" "$findings"
  # A home of its own, so nothing a target reaches touches the user's files,
  # and a private scratch folder, removed after the run even when the target
  # crashed; on a RAM disk when there is one, as the profile writer syncs
  # every file it writes.
  scratch_base=$build/fuzz
  [ -d /dev/shm ] && [ -w /dev/shm ] && scratch_base=/dev/shm
  scratch=$(mktemp -d "$scratch_base/tarsel-fuzz-$name-XXXXXX")
  export HOME=$build/fuzz/home/$name TMPDIR=$scratch XDG_CONFIG_HOME=$build/fuzz/home/$name/.config \
    XDG_DATA_HOME=$build/fuzz/home/$name/.local/share TARSEL_REGISTRY_DIR=$build/fuzz/home/$name/registry \
    TARSEL_MACHINE_REGISTRY=$build/fuzz/home/$name/machine/machine.reg
  log=$build/fuzz/logs/$name.log
  mkdir -p "$(dirname "$log")"
  echo "run-fuzzers: $name for $minutes minute(s), output in $log"
  if ! "$build/fuzz/$name" -max_total_time=$((minutes * 60)) -print_final_stats=1 \
      -artifact_prefix="$findings/" "$work" "$corpus" >"$log" 2>&1; then
    failed+=("$name")
    tail -n 40 "$log" >&2
  fi
  rm -rf "$scratch"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  echo "run-fuzzers: $name ${runs:-?} executions, ${speed:-?} exec/s"
done <"$build/fuzz/fuzzers.txt"

if [ ${#failed[@]} -gt 0 ]; then
  echo "run-fuzzers: findings in ${failed[*]} (see $build/fuzz/findings)" >&2
  exit 1
fi
echo "run-fuzzers: no findings"
