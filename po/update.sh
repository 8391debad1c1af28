#!/bin/sh
# Refreshes the message template from the sources and merges it into the
# translations (Debian's gettext package). Run from anywhere; the build
# itself needs none of these tools.
set -eu
cd "$(dirname "$0")/.."
xgettext --language=C++ --from-code=UTF-8 --keyword=tr --keyword=ntr:1,2 --keyword=N_ --add-comments=Translators: \
  --package-name=Retrackers --msgid-bugs-address=- --no-location --sort-output \
  --output=po/retrackers.pot augment/*.cpp probe/*.cpp settings/*.cpp
for po in po/*.po; do
  msgmerge --quiet --update --backup=none --no-location --sort-output "$po" po/retrackers.pot
done
