# Sourced by the CI scripts: installs the Debian packages that a fresh
# machine lacks.  Usage: ensure_packages NAME...

# apt-get update, tried three times: a mirror caught mid-sync fails one index
# and is often right again a little later. Still failing, it is only warned
# about: the lists it did fetch stay, and the install that follows decides.
apt_update() {
  local try
  for try in 1 2 3; do
    apt-get update -qq && return 0
    ((try < 3)) && sleep $((try * 5))
  done
  echo "   WARNING: apt-get update failed 3 times; going on with the package lists it has" >&2
}

ensure_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  if ((${#missing[@]})); then
    apt_update
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  fi
}

# Installs the 32-bit Windows runtime (wine32:i386), adding the i386
# architecture for it. An optional part: where it cannot be installed, the
# architecture and anything installed for it are taken out again, so that
# no later step depends on i386, and the reason is left in $wine32_missing.
# RETRACKERS_CI_NO_I386=1 makes it unavailable on purpose (to test this).
ensure_wine32() {
  wine32_missing=
  if dpkg -s wine32:i386 >/dev/null 2>&1 && [[ -z ${RETRACKERS_CI_NO_I386:-} ]]; then
    return 0
  fi
  local added= log
  log=$(mktemp)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    added=1
  fi
  apt_update
  if [[ -n ${RETRACKERS_CI_NO_I386:-} ]]; then
    wine32_missing="made unavailable on purpose (RETRACKERS_CI_NO_I386)"
  elif ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine32:i386 >"$log" 2>&1; then
    wine32_missing=$(grep -a '^E: ' "$log" | tail -n 1)
    wine32_missing=${wine32_missing:-apt-get install wine32:i386 failed}
  fi
  rm -f "$log"
  [[ -z $wine32_missing ]] && return 0
  if [[ -n $added ]]; then
    local i386_packages
    mapfile -t i386_packages < <(dpkg-query -W -f '${binary:Package}\n' | grep ':i386$' || true)
    if ((${#i386_packages[@]})); then
      DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "${i386_packages[@]}" >/dev/null 2>&1 || true
    fi
    dpkg --remove-architecture i386 && apt_update
  fi
  return 1
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
