# Sourced by the CI scripts: installs the Debian packages that a fresh
# machine lacks.  Usage: ensure_packages NAME...
ensure_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  if ((${#missing[@]})); then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  fi
}

# Lets apt install 32-bit (i386) packages such as wine32:i386.
ensure_i386_architecture() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt-get update -qq
  fi
}

# The counts of the last GoogleTest run in a build folder's CTest log:
# "<passed> passed, <skipped> skipped, <failed> failed".
gtest_counts() {
  awk '/^\[  PASSED  \] [0-9]+ test/ { passed += $4 }
       /^\[  SKIPPED \] [0-9]+ test/ { skipped += $4 }
       /^\[  FAILED  \] [0-9]+ test/ { failed += $4 }
       END { printf "%d passed, %d skipped, %d failed\n", passed, skipped, failed }' \
    "$1/Testing/Temporary/LastTest.log"
}
