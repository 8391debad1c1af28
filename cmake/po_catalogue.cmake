# Compiles a gettext catalogue (.po) into a C++ table of platform::CatalogueEntry,
# so the programs carry their translations without the gettext runtime.
#   cmake -DPO=ru.po -DOUT=catalogue.cpp -DNAME=kRussianCatalogue -P po_catalogue.cmake
# Strings keep the .po file's C escapes, which C++ reads alike. Fuzzy and
# untranslated entries are left out, as msgfmt leaves them out. The header's
# Plural-Forms is not read: the program knows the language's plural rule
# (platform/translation.h). Contexts (msgctxt) are not used and are refused.
file(READ "${PO}" text)
# Semicolons and brackets would upset CMake's lists; they travel as markers.
string(REPLACE ";" "@SEMI@" text "${text}")
string(REPLACE "[" "@OPEN@" text "${text}")
string(REPLACE "]" "@CLOSE@" text "${text}")
string(REPLACE "\r" "" text "${text}")
string(REPLACE "\n" ";" lines "${text}")
list(APPEND lines "")  # a blank line ends the last entry

set(entries "")
set(field "")
set(fuzzy OFF)
foreach(var id plural s0 s1 s2)
  set(${var} "")
endforeach()

macro(finish_entry)
  # The header (msgid "") and untranslated entries (msgstr "") are skipped.
  if(NOT id STREQUAL "" AND NOT id STREQUAL "\"\"" AND NOT s0 STREQUAL "" AND NOT s0 STREQUAL "\"\"" AND NOT fuzzy)
    if(plural STREQUAL "")
      set(plural_text "nullptr")
      set(forms "${s0}, nullptr, nullptr")
    else()
      set(plural_text "${plural}")
      set(forms "${s0}, ${s1}, ${s2}")
      if(s1 STREQUAL "" OR s2 STREQUAL "")
        message(FATAL_ERROR "${PO}: ${id} lacks a plural form")
      endif()
    endif()
    string(APPEND entries "    {${id}, ${plural_text}, {${forms}}},\n")
  endif()
  foreach(var id plural s0 s1 s2)
    set(${var} "")
  endforeach()
  set(field "")
  set(fuzzy OFF)
endmacro()

foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "")
    finish_entry()
  elseif(line MATCHES "^#,.*fuzzy")
    set(fuzzy ON)
  elseif(line MATCHES "^#")
  elseif(line MATCHES "^msgid_plural (\".*\")$")
    set(field plural)
    set(plural "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^msgid (\".*\")$")
    if(NOT field STREQUAL "" AND NOT field STREQUAL "id")
      finish_entry()
    endif()
    set(field id)
    set(id "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^msgstr@OPEN@([0-2])@CLOSE@ (\".*\")$")
    set(field "s${CMAKE_MATCH_1}")
    set(s${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  elseif(line MATCHES "^msgstr (\".*\")$")
    set(field s0)
    set(s0 "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^\".*\"$" AND NOT field STREQUAL "")
    set(${field} "${${field}} ${line}")
  else()
    message(FATAL_ERROR "${PO}: cannot read the line: ${line}")
  endif()
endforeach()

string(REPLACE "@SEMI@" ";" entries "${entries}")
string(REPLACE "@OPEN@" "[" entries "${entries}")
string(REPLACE "@CLOSE@" "]" entries "${entries}")

file(WRITE "${OUT}.new" "// Generated from ${PO} by cmake/po_catalogue.cmake; do not edit.\n"
  "#include \"platform/translation.h\"\n\n#include <cstddef>\n\nnamespace platform {\n\n"
  "extern const CatalogueEntry ${NAME}[];\nextern const size_t ${NAME}Size;\n\n"
  "const CatalogueEntry ${NAME}[] = {\n${entries}    {\"\", nullptr, {nullptr, nullptr, nullptr}},\n};\n"
  "const size_t ${NAME}Size = sizeof(${NAME}) / sizeof(${NAME}[0]) - 1;\n\n}  // namespace platform\n")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
