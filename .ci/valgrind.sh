#!/usr/bin/env bash
# The end-to-end tests of Tavrin and Keswel (and the bencoding tests) under
# valgrind memcheck, programs started by the tests included: any memory error
# or leak fails the run. Tavrin is linked dynamically here so that memcheck
# sees its allocations. Keswel's failed-write test is left out: its file size
# limit of 16 bytes also stops valgrind itself in the child.
#
#   .ci/valgrind.sh [GTEST_FILTER]
set -euo pipefail
cd "$(dirname "$0")/.."
filter=${1:-'TavrinFlow.*:TavrinAugment.*:TavrinWriteFailure.*:KeswelTest.*:Reader.*:Writer.*:BValue.*-KeswelTest.FailedWriteIsReported'}

source .ci/packages.sh
ensure_packages valgrind
cmake -S . -B build/valgrind -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRETRACKERS_STATIC_TAVRIN=OFF >/dev/null
cmake --build build/valgrind -j 2 --target unit_tests Tavrin Keswel

valgrind --quiet --trace-children=yes --trace-children-skip='*/fake_client*,/bin/*,/usr/bin/*' \
  --leak-check=full --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
  --error-exitcode=99 build/valgrind/tests/unit_tests --gtest_filter="$filter" --gtest_brief=1
echo "valgrind: no errors, no leaks"
