#!/usr/bin/env bash
# Line coverage of the file readers by the fuzz corpora: the harnesses are built with
# clang's source-based coverage and the replay driver, the seeds and what make fuzz
# found (build/fuzz/corpus) are replayed, and llvm-cov reports the reader sources.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/fuzz-coverage
cmake -S . -B $build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DRL_WERROR=OFF \
  -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" >/dev/null
cmake --build $build --target fuzz_rlf_read fuzz_bitmap >/dev/null
for h in rlf_read bitmap; do
  mkdir -p build/fuzz/corpus/$h
  LLVM_PROFILE_FILE=$build/$h.profraw $build/fuzz/fuzz_$h fuzz/corpus/$h build/fuzz/corpus/$h fuzz/regressions/$h 2>/dev/null
done
llvm-profdata-14 merge -o $build/readers.profdata $build/rlf_read.profraw $build/bitmap.profraw
llvm-cov-14 report $build/fuzz/fuzz_rlf_read -object $build/fuzz/fuzz_bitmap \
  -instr-profile=$build/readers.profdata \
  geometry/RlFileRead.cpp geometry/RlChunkSearch.cpp geometry/RlFileWrite.cpp geometry/RlConvertFile.cpp \
  platform/BitmapHeader.cpp
