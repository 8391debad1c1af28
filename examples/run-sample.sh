#!/usr/bin/env bash
# Builds Tavrin and runs it on the bundled sample torrent, in a folder of its
# own under build/, with the sample Settings.ini and retracker directory beside
# it, as a user's installation would be. Then shows what it did.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
cd "$top"

cmake --preset default >/dev/null
cmake --build --preset default --target Tavrin bdump >/dev/null

run=build/sample
rm -rf "$run"
mkdir -p "$run"
cp build/default/augment/Tavrin "$run/"
cp examples/Settings.ini examples/retrackers.ini "$run/"

echo "== Settings.ini"
grep -v '^;' "$run/Settings.ini" | sed '/^\s*$/d'
echo
echo "== Tavrin examples/sample.torrent $run/sample-augmented.torrent"
status=0
"$run/Tavrin" examples/sample.torrent "$run/sample-augmented.torrent" || status=$?
echo "exit code: $status"
echo
echo "== $run/Tavrin.log"
cat "$run/Tavrin.log"
if [ -f "$run/sample-augmented.torrent" ]; then
  echo
  echo "== the written torrent (announce-list: its own tracker, then the live retrackers)"
  build/default/tools/bdump "$run/sample-augmented.torrent"
fi
exit "$status"
