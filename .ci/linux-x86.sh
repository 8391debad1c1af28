#!/usr/bin/env bash
# CI, 32-bit Linux part: the whole suite built with -m32 (size_t of 32 bits)
# and run natively. Compiled only, with a note, where 32-bit programs cannot run.
set -euo pipefail
cd "$(dirname "$0")/.."

source .ci/packages.sh
ensure_packages g++-multilib googletest

started=$(date +%s)
cmake --preset linux-x86
cmake --build --preset linux-x86
# The statically linked 32-bit Tavrin, without arguments, does nothing and ends with 0.
if build/linux-x86/augment/Tavrin; then
  echo "== Linux x86 (32-bit): the test suite, run natively"
  ctest --preset linux-x86
  echo "   Linux x86 suite: $(gtest_counts build/linux-x86)"
else
  echo "== Linux x86 (32-bit): this kernel does not run 32-bit programs; compiled and linked only, not tested"
fi
echo "   (configure, build and test took $(($(date +%s) - started)) s)"
