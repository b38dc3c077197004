#!/usr/bin/env bash
# Which product lines and branches each test case covers on its own, to find cases whose removal loses
# no coverage. Builds with clang's source-based coverage, runs every ctest case alone with its own
# profile directory (daemons the case starts write there too), exports each case's coverage of
# KeynodeApi/ and host/src/ and prints the analysis of scripts/coverage_per_case.py.
# Usage: scripts/coverage-per-case.sh [build-dir, default build-llvmcov] [output-dir, default <build>/per-case]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/install-deps.sh --bench # clang
build="${1:-build-llvmcov}"
out="$(realpath -m "${2:-$build/per-case}")"
flags="-fprofile-instr-generate -fcoverage-mapping -O0"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKEYNODE_BUILD_TESTS=ON \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS=-fprofile-instr-generate \
  -DCMAKE_SHARED_LINKER_FLAGS=-fprofile-instr-generate >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -rf "$out" && mkdir -p "$out"

(cd "$build" && ctest -N) | sed -n 's/^ *Test *#\([0-9]*\): \(.*\)$/\1 \2/p' >"$out/tests.txt"
run_case() { # number
  mkdir -p "$OUT/$1"
  (cd "$BUILD" && LLVM_PROFILE_FILE="$OUT/$1/%p-%m.profraw" ctest -I "$1,$1" --timeout 300 >"$OUT/$1/ctest.log" 2>&1)
  echo "$? $1" >>"$OUT/results.txt"
}
objects=()
while read -r f; do file "$f" | grep -q ELF && objects+=(-object "$f"); done < <(
  find "$build" -type f \( -name '*.so' -o -perm -u+x \) ! -path '*CMakeFiles*' ! -name '*.sh')
export_case() { # number
  local d="$OUT/$1"
  if ls "$d"/*.profraw >/dev/null 2>&1; then
    llvm-profdata-14 merge -sparse "$d"/*.profraw -o "$d.profdata" &&
      llvm-cov-14 export -format=lcov -instr-profile "$d.profdata" "${OBJECTS[@]:1}" \
        -ignore-filename-regex='(/usr/|/tests/|/apps/|/fuzz/|/bench/)' >"$d.lcov" 2>"$d.err"
    rm -rf "$d"/*.profraw "$d.profdata"
  else
    : >"$d.lcov"
  fi
}
export -f run_case export_case
export OUT="$out" BUILD="$build"
cut -d' ' -f1 "$out/tests.txt" | xargs -P "$(nproc)" -I{} bash -c 'run_case {}'
# Arrays do not cross into the child shells; hand the object list over as lines.
printf '%s\n' "${objects[@]}" >"$out/objects.txt"
cut -d' ' -f1 "$out/tests.txt" |
  xargs -P "$(nproc)" -I{} bash -c 'mapfile -t OBJECTS <"$OUT/objects.txt"; export_case {}'
python3 scripts/coverage_per_case.py "$out" "$PWD"
