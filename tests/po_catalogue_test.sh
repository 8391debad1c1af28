#!/usr/bin/env bash
# The catalogue's script formats (cmake/po_catalogue.cmake FORMAT nsis and js)
# on a small catalogue: the installer's English texts go through
# po/nsis_strings.awk into messages, as po/update.sh takes them, and come back
# from their translations as Russian LangStrings; the registration script
# gets the table of the messages it passes to tr().
#   po_catalogue_test.sh CMAKE SOURCE_DIR WORK_DIR
set -euo pipefail
cmake=$1 source=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
failures=0
expect() {  # WHAT EXPECTED ACTUAL
  if [[ $2 == "$3" ]]; then echo "ok   $1"; else
    printf 'FAIL %s\n     expected: %s\n     actual:   %s\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}
header='msgid ""
msgstr "Content-Type: text/plain; charset=UTF-8\n"
'

# English NSIS text | its translation as the .po file writes it ("" none) | the Russian NSIS text
rows=(
  'Plain text|Простой текст|Простой текст'
  'Say $\"yes$\"|Скажите \"да\"|Скажите $\"да$\"'
  'Folder C:\Temp\new|Папка C:\\Temp\\new|Папка C:\Temp\new'
  'Two$\nlines; [x]$\r$\t|Две\nстроки; [x]|Две$\nстроки; [x]'
  'Code $0 in $INSTDIR, 100$$|Код $0 в $INSTDIR, 100$$|Код $0 в $INSTDIR, 100$$'
  'Not translated||Not translated'
)
: >"$work/english.nsh"
for i in "${!rows[@]}"; do
  IFS='|' read -r english _ _ <<<"${rows[i]}"
  printf 'LangString R%d ${LANG_ENGLISH} "%s"\n' "$i" "$english" >>"$work/english.nsh"
done
# The messages with the rows' translations.
{
  printf '%s\n' "$header"
  awk -f "$source/po/nsis_strings.awk" "$work/english.nsh" | while IFS= read -r line; do
    [[ $line == '#. R'* ]] && IFS='|' read -r _ translation _ <<<"${rows[${line#\#. R}]}"
    [[ $line == 'msgstr ""' ]] && line="msgstr \"$translation\""
    printf '%s\n' "$line"
  done
} >"$work/ru.po"
"$cmake" -DFORMAT=nsis "-DPO=$work/ru.po" "-DTEMPLATE=$work/english.nsh" "-DOUT=$work/russian.nsh" \
  -DNAME=LANG_RUSSIAN -P "$source/cmake/po_catalogue.cmake" 2>"$work/nsis.err"
for i in "${!rows[@]}"; do
  IFS='|' read -r english _ russian <<<"${rows[i]}"
  expect "NSIS: $english" "LangString R$i \${LANG_RUSSIAN} \"$russian\"" "$(grep "^LangString R$i " "$work/russian.nsh")"
done
# (CMake wraps a warning's lines.)
expect "NSIS: the untranslated text is named" 1 \
  "$(tr -s ' \n' '  ' <"$work/nsis.err" | grep -c 'does not translate "Not translated"')"

# The script: its tr() messages, each once, in ASCII (\u for the rest), and
# its other lines as they were.
cat >"$work/script.js" <<'JS'
var RUSSIAN = {};
tr("Plain %s", a);
tr("Say \"yes\" to C:\\Temp; [x]");
tr("Not translated");
x = tr("Plain %s") + str("not a message");
JS
printf '%s\nmsgid "Plain %%s"\nmsgstr "Да %%s"\n\nmsgid ""\n"Say \\"yes\\" "\n"to C:\\\\Temp; [x]"\nmsgstr "\\"Да\\" C:\\\\Temp; [x]"\n' \
  "$header" >"$work/script.po"
"$cmake" -DFORMAT=js "-DPO=$work/script.po" "-DTEMPLATE=$work/script.js" "-DOUT=$work/filled.js" -DNAME=RUSSIAN \
  -P "$source/cmake/po_catalogue.cmake" 2>/dev/null
expect "JS: the table filled in, the rest kept" "var RUSSIAN = {  // from $work/script.po
    \"Plain %s\": \"\\u0414\\u0430 %s\",
    \"Say \\\"yes\\\" to C:\\\\Temp; [x]\": \"\\\"\\u0414\\u0430\\\" C:\\\\Temp; [x]\",
    \"Not translated\": \"Not translated\"
};
$(tail -n +2 "$work/script.js")" "$(cat "$work/filled.js")"

echo "$((${#rows[@]} + 2 - failures)) passed, $failures failed"
((failures == 0))
