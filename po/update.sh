#!/bin/sh
# Refreshes the message template from the sources and merges it into the
# translations (Debian's gettext package). Run from anywhere; the build
# itself needs none of these tools. With --pot FILE it only writes the
# template to FILE (as CI does, to compare it with the translations).
set -eu
cd "$(dirname "$0")/.."
pot=po/retrackers.pot
[ "${1-}" = --pot ] && pot=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Every run gives the header again, so each names the package.
common="--from-code=UTF-8 --package-name=Retrackers --msgid-bugs-address=- --no-location --sort-output --output=$work/all.pot"
xgettext $common --language=C++ --keyword=tr --keyword=ntr:1,2 --keyword=N_ --add-comments=Translators: \
  probe/*.cpp settings/*.cpp
# The Windows registration script's messages, given to tr().
xgettext $common --join-existing --language=JavaScript --keyword=tr packaging/windows/registration.js
# The installer's English LangStrings, one a line, with NSIS's escapes
# ($\" $\n $\r $\t) turned into the .po file's; a backslash is doubled, and
# variables ($0, $INSTDIR, $$) stay.
awk '
  /^LangString [A-Za-z0-9_.]+ \$\{LANG_ENGLISH\} ".*"[ \t\r]*$/ {
    text = $0
    sub(/^[^"]*"/, "", text)
    sub(/"[ \t\r]*$/, "", text)
    out = ""
    while (text != "") {
      c = substr(text, 1, 1)
      if (c == "$" && substr(text, 2, 1) == "\\" && index("\"nrt", substr(text, 3, 1)) > 0) {
        out = out "\\" substr(text, 3, 1); text = substr(text, 4)
      } else {
        out = out (c == "\\" ? "\\\\" : c); text = substr(text, 2)
      }
    }
    printf "#. %s\nmsgid \"%s\"\nmsgstr \"\"\n\n", $2, out
  }' packaging/windows/installer-strings.nsh >"$work/installer.po"
xgettext $common --join-existing --language=PO "$work/installer.po"
cp "$work/all.pot" "$pot"
[ "$pot" = po/retrackers.pot ] || exit 0
for po in po/*.po; do
  msgmerge --quiet --update --backup=none --no-location --sort-output "$po" po/retrackers.pot
done
