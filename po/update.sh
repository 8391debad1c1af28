#!/bin/sh
# Refreshes the message template from the sources and merges it into the
# translations (Debian's gettext package). Run from anywhere; the build
# itself needs none of these tools.
#   po/update.sh                  refresh po/retrackers.pot and every po/*.po
#   po/update.sh --template FILE  only write the template to FILE (for checks)
set -eu
cd "$(dirname "$0")/.."
pot=po/retrackers.pot
if [ "${1:-}" = --template ]; then
  pot=$2
fi
xgettext --language=C++ --from-code=UTF-8 --keyword=tr --keyword=ntr:1,2 --keyword=N_ --add-comments=Translators: \
  --package-name=Retrackers --msgid-bugs-address=- --no-location --sort-output \
  --output="$pot" augment/*.cpp probe/*.cpp settings/*.cpp
# The desktop script's messages (say, warn, fail) join them. They are printf
# formats: marked c-format here, as xgettext takes that flag for shell only
# from comments, so that msgfmt --check-format checks their %s.
shell_pot=$(mktemp)
trap 'rm -f "$shell_pot"' EXIT
xgettext --language=Shell --keyword=say --keyword=warn --keyword=fail --omit-header --no-location \
  --output=- packaging/linux/retrackers-desktop.sh |
  awk 'BEGIN { RS = ""; ORS = "\n\n" } /%/ { $0 = "#, c-format\n" $0 } { print }' >"$shell_pot"
xgettext --join-existing --language=PO --from-code=UTF-8 --package-name=Retrackers --msgid-bugs-address=- --no-location \
  --sort-output --output="$pot" "$shell_pot"
[ "${1:-}" = --template ] && exit 0
for po in po/*.po; do
  msgmerge --quiet --update --backup=none --no-location --sort-output "$po" po/retrackers.pot
done
