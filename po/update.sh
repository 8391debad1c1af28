#!/bin/sh
# Refreshes the message template from the sources and merges it into the
# translations (Debian's gettext package). Run from anywhere; the build
# itself needs none of these tools. With --pot FILE it only writes the
# template to FILE (as CI does, to compare it with the translations).
set -eu
pot=po/retrackers.pot
if [ "${1-}" = --pot ]; then
  case $2 in /*) pot=$2 ;; *) pot=$PWD/$2 ;; esac
fi
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Every run gives the header again, so each names the package.
common="--from-code=UTF-8 --package-name=Retrackers --msgid-bugs-address=- --no-location --sort-output --output=$work/all.pot"
xgettext $common --language=C++ --keyword=tr --keyword=ntr:1,2 --keyword=N_ --add-comments=Translators: \
  augment/*.cpp probe/*.cpp settings/*.cpp
# The desktop script's messages (say, warn, fail). They are printf formats:
# marked c-format here, as xgettext takes that flag for shell only from
# comments, so that msgfmt --check-format checks their %s.
xgettext --language=Shell --keyword=say --keyword=warn --keyword=fail --omit-header --no-location \
  --output=- packaging/linux/retrackers-desktop.sh |
  awk 'BEGIN { RS = ""; ORS = "\n\n" } /%/ { $0 = "#, c-format\n" $0 } { print }' >"$work/desktop.po"
xgettext $common --join-existing --language=PO "$work/desktop.po"
# The Windows registration script's messages, given to tr().
xgettext $common --join-existing --language=JavaScript --keyword=tr packaging/windows/registration.js
# The installer's English LangStrings.
awk -f po/nsis_strings.awk packaging/windows/installer-strings.nsh >"$work/installer.po"
xgettext $common --join-existing --language=PO "$work/installer.po"
cp "$work/all.pot" "$pot"
[ "$pot" = po/retrackers.pot ] || exit 0
for po in po/*.po; do
  msgmerge --quiet --update --backup=none --no-location --sort-output "$po" po/retrackers.pot
done
