# The installer's English LangStrings (one a line: LangString ID ${LANG_ENGLISH} "text")
# as .po entries, the ID as a comment: NSIS's escapes ($\" $\n $\r $\t) become
# the .po file's, a backslash is doubled, and variables ($0, $INSTDIR, $$)
# stay. cmake/po_catalogue.cmake (FORMAT nsis) reads them back the same way.
/^LangString [A-Za-z0-9_.]+ \$\{LANG_ENGLISH\} ".*"[ \t\r]*$/ {
  text = $0
  sub(/^[^"]*"/, "", text)
  sub(/"[ \t\r]*$/, "", text)
  out = ""
  while (text != "") {
    c = substr(text, 1, 1)
    if (c == "$" && substr(text, 2, 1) == "\\" && index("\"nrt", substr(text, 3, 1)) > 0) {
      out = out "\\" substr(text, 3, 1)
      text = substr(text, 4)
    } else {
      out = out (c == "\\" ? "\\\\" : c)
      text = substr(text, 2)
    }
  }
  printf "#. %s\nmsgid \"%s\"\nmsgstr \"\"\n\n", $2, out
}
