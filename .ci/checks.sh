# Sourced by the CI scripts: one ok/FAIL line per check, and the counts.
# Usage: check "what" command...   (runs the command, reports the outcome)
passes=0
failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok   $what"
    passes=$((passes + 1))
  else
    echo "FAIL $what"
    failures=$((failures + 1))
  fi
}
