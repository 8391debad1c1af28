# Compiles a gettext catalogue (.po) into a table that a program carries, so
# it has its translations without the gettext runtime.
#   cmake -DPO=ru.po -DOUT=catalogue.cpp -DNAME=kRussianCatalogue [-DFORMAT=cpp] -P po_catalogue.cmake
# FORMAT cpp (the default): a C++ table of platform::CatalogueEntry; strings
# keep the .po file's C escapes, which C++ reads alike.
# FORMAT bash: a bash associative array NAME, English message -> translation,
# in $'...' quoting, which reads the C escapes too; plural entries are left
# out (the scripts have none).
# Fuzzy and untranslated entries are left out, as msgfmt leaves them out. The
# header's Plural-Forms is not read: the program knows the language's plural
# rule (platform/translation.h). Contexts (msgctxt) are not used and are refused.
if(NOT DEFINED FORMAT)
  set(FORMAT cpp)
endif()
file(READ "${PO}" text)
# Semicolons and brackets would upset CMake's lists; they travel as markers.
string(REPLACE ";" "@SEMI@" text "${text}")
string(REPLACE "[" "@OPEN@" text "${text}")
string(REPLACE "]" "@CLOSE@" text "${text}")
string(REPLACE "\r" "" text "${text}")
string(REPLACE "\n" ";" lines "${text}")
list(APPEND lines "")  # a blank line ends the last entry

set(count 0)
set(field "")
set(fuzzy OFF)
foreach(var id plural s0 s1 s2)
  set(${var} "")
endforeach()

macro(finish_entry)
  # The header (msgid "") and untranslated entries (msgstr "") are skipped.
  # Each one kept is entry<N>_<field>, the .po's quoted strings as they stand.
  if(NOT id STREQUAL "" AND NOT id STREQUAL "\"\"" AND NOT s0 STREQUAL "" AND NOT s0 STREQUAL "\"\"" AND NOT fuzzy)
    if(NOT plural STREQUAL "" AND (s1 STREQUAL "" OR s2 STREQUAL ""))
      message(FATAL_ERROR "${PO}: ${id} lacks a plural form")
    endif()
    math(EXPR count "${count} + 1")
    foreach(var id plural s0 s1 s2)
      set(entry${count}_${var} "${${var}}")
    endforeach()
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

# The .po's quoted strings ("a" "b", C escapes) as one bash word $'ab'. In
# $'...' only \ and ' are special; a .po's \' becomes a plain '.
function(bash_word quoted out)
  string(REGEX MATCHALL "\"([^\"\\\\]|\\\\.)*\"" pieces "${quoted}")
  set(text "")
  foreach(piece IN LISTS pieces)
    string(REGEX REPLACE "^\"(.*)\"$" "\\1" piece "${piece}")
    string(APPEND text "${piece}")
  endforeach()
  string(REPLACE "\\\\" "@BACKSLASH@" text "${text}")
  string(REPLACE "\\'" "'" text "${text}")
  string(REPLACE "'" "\\'" text "${text}")
  string(REPLACE "@BACKSLASH@" "\\\\" text "${text}")
  set(${out} "$'${text}'" PARENT_SCOPE)
endfunction()

set(entries "")
if(count GREATER 0)
  foreach(n RANGE 1 ${count})
    set(id "${entry${n}_id}")
    set(plural "${entry${n}_plural}")
    set(s0 "${entry${n}_s0}")
    set(s1 "${entry${n}_s1}")
    set(s2 "${entry${n}_s2}")
    if(FORMAT STREQUAL "cpp")
      if(plural STREQUAL "")
        string(APPEND entries "    {${id}, nullptr, {${s0}, nullptr, nullptr}},\n")
      else()
        string(APPEND entries "    {${id}, ${plural}, {${s0}, ${s1}, ${s2}}},\n")
      endif()
    elseif(FORMAT STREQUAL "bash")
      if(plural STREQUAL "")
        bash_word("${id}" key)
        bash_word("${s0}" value)
        string(APPEND entries "  [${key}]=${value}\n")
      endif()
    else()
      message(FATAL_ERROR "po_catalogue.cmake: unknown FORMAT ${FORMAT} (cpp or bash)")
    endif()
  endforeach()
endif()
string(REPLACE "@SEMI@" ";" entries "${entries}")
string(REPLACE "@OPEN@" "[" entries "${entries}")
string(REPLACE "@CLOSE@" "]" entries "${entries}")

if(FORMAT STREQUAL "cpp")
  file(WRITE "${OUT}.new" "// Generated from ${PO} by cmake/po_catalogue.cmake; do not edit.\n"
    "#include \"platform/translation.h\"\n\n#include <cstddef>\n\nnamespace platform {\n\n"
    "extern const CatalogueEntry ${NAME}[];\nextern const size_t ${NAME}Size;\n\n"
    "const CatalogueEntry ${NAME}[] = {\n${entries}    {\"\", nullptr, {nullptr, nullptr, nullptr}},\n};\n"
    "const size_t ${NAME}Size = sizeof(${NAME}) / sizeof(${NAME}[0]) - 1;\n\n}  // namespace platform\n")
elseif(FORMAT STREQUAL "bash")
  file(WRITE "${OUT}.new" "# Generated from ${PO} by cmake/po_catalogue.cmake; do not edit.\n"
    "declare -A ${NAME}=(\n${entries})\n")
endif()
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
