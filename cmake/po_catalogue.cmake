# Compiles a gettext catalogue (.po) into a table of its translations, so the
# programs and scripts carry them without the gettext runtime.
#   cmake -DPO=ru.po -DOUT=catalogue.cpp -DNAME=kRussianCatalogue -P po_catalogue.cmake
#     FORMAT cpp (the default): a C++ table of platform::CatalogueEntry
#   cmake -DFORMAT=js -DPO=ru.po -DTEMPLATE=registration.js -DOUT=... -DNAME=RUSSIAN -P po_catalogue.cmake
#     the script TEMPLATE with its line "var NAME = {};" made an object of the
#     messages it passes to tr("...") (English text -> translation)
#   cmake -DFORMAT=nsis -DPO=ru.po -DTEMPLATE=strings.nsh -DOUT=... -DNAME=LANG_RUSSIAN -P po_catalogue.cmake
#     for each "LangString ID ${LANG_ENGLISH} "..."" of TEMPLATE the same ID
#     in ${NAME}, with the translation of its text
#   cmake -DFORMAT=bash -DPO=ru.po -DOUT=... -DNAME=russian -P po_catalogue.cmake
#     a bash associative array NAME of every message without plural forms
#     (English text -> translation), in $'...' quoting, which reads C escapes
# Strings keep the .po file's C escapes, which C++ and JavaScript read alike;
# NSIS gets its own ($\" $\n $\r $\t). Fuzzy and untranslated entries are left
# out, as msgfmt leaves them out; a script's message without a translation
# stays English, with a warning. The header's Plural-Forms is not read: the
# program knows the language's plural rule (platform/translation.h), and the
# scripts have no plurals. Contexts (msgctxt) are not used and are refused.
cmake_policy(SET CMP0054 NEW)  # "id" in if() is the word, not the variable
if(NOT DEFINED FORMAT)
  set(FORMAT cpp)
endif()
# Semicolons and brackets would upset CMake's lists; they travel as markers.
function(marked out text)
  string(REPLACE ";" "@SEMI@" text "${text}")
  string(REPLACE "[" "@OPEN@" text "${text}")
  string(REPLACE "]" "@CLOSE@" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(READ "${PO}" text)
marked(text "${text}")
string(REPLACE "\r" "" text "${text}")
string(REPLACE "\n" ";" lines "${text}")
list(APPEND lines "")  # a blank line ends the last entry

set(entries "")
set(single_ids "")
set(field "")
set(fuzzy OFF)
foreach(var id plural s0 s1 s2)
  set(${var} "")
endforeach()

# The text of one quoted piece of a .po string, its escapes kept; the
# pieces of a string, so joined, give its text in one (id_text, s0_text).
function(po_text out quoted)
  string(REGEX REPLACE "^\"(.*)\"$" "\\1" text "${quoted}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

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
    if(plural STREQUAL "")
      # For the scripts: the message's text in one piece, by its English text.
      string(MD5 key "${id_text}")
      set("translation_${key}" "${s0_text}")
      list(APPEND single_ids "${id_text}")
    endif()
  endif()
  foreach(var id plural s0 s1 s2)
    set(${var} "")
    set(${var}_text "")
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
    po_text(id_text "${id}")
  elseif(line MATCHES "^msgstr@OPEN@([0-2])@CLOSE@ (\".*\")$")
    set(field "s${CMAKE_MATCH_1}")
    set(s${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  elseif(line MATCHES "^msgstr (\".*\")$")
    set(field s0)
    set(s0 "${CMAKE_MATCH_1}")
    po_text(s0_text "${s0}")
  elseif(line MATCHES "^\".*\"$" AND NOT field STREQUAL "")
    set(${field} "${${field}} ${line}")
    po_text(piece "${line}")
    string(APPEND ${field}_text "${piece}")
  else()
    message(FATAL_ERROR "${PO}: cannot read the line: ${line}")
  endif()
endforeach()

# The markers back into their characters.
function(unmarked out text)
  string(REPLACE "@SEMI@" ";" text "${text}")
  string(REPLACE "@OPEN@" "[" text "${text}")
  string(REPLACE "@CLOSE@" "]" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The template's text, marked as the catalogue is, and its lines.
function(read_template out_text out_lines)
  file(READ "${TEMPLATE}" text)
  marked(text "${text}")
  set(${out_text} "${text}" PARENT_SCOPE)
  string(REPLACE "\n" ";" lines "${text}")
  set(${out_lines} "${lines}" PARENT_SCOPE)
endfunction()

# The translation of a message (its text as the .po file writes it), or the
# message itself with a warning.
function(translated out message)
  string(MD5 key "${message}")
  if(DEFINED "translation_${key}")
    set(${out} "${translation_${key}}" PARENT_SCOPE)
  else()
    unmarked(shown "${message}")
    message(WARNING "${PO} does not translate \"${shown}\" (${TEMPLATE}); it stays English")
    set(${out} "${message}" PARENT_SCOPE)
  endif()
endfunction()

# A message as the .po file writes it (C escapes) as one bash word $'...'.
# In $'...' only \ and ' are special; a .po's \' is a plain '.
function(bash_word out text)
  string(REPLACE "\\\\" "@BACKSLASH@" text "${text}")
  string(REPLACE "\\'" "'" text "${text}")
  string(REPLACE "'" "\\'" text "${text}")
  string(REPLACE "@BACKSLASH@" "\\\\" text "${text}")
  set(${out} "$'${text}'" PARENT_SCOPE)
endfunction()

# Text in ASCII for a script: each other character (UTF-8) as \uXXXX, as
# the Windows Script Host reads a script in the ANSI code page.
function(js_ascii out text)
  string(HEX "${text}" hex)
  string(LENGTH "${hex}" length)
  set(result "")
  set(at 0)
  while(at LESS length)
    string(SUBSTRING "${hex}" ${at} 2 byte)
    math(EXPR byte "0x${byte}")
    math(EXPR at "${at} + 2")
    if(byte LESS 128)
      string(ASCII ${byte} char)
      string(APPEND result "${char}")
      continue()
    elseif(byte LESS 224)
      math(EXPR code "${byte} & 31")
      set(more 1)
    elseif(byte LESS 240)
      math(EXPR code "${byte} & 15")
      set(more 2)
    else()
      message(FATAL_ERROR "${PO}: a character beyond U+FFFF in \"${text}\"")
    endif()
    foreach(_ RANGE 1 ${more})
      string(SUBSTRING "${hex}" ${at} 2 byte)
      math(EXPR code "(${code} << 6) | (0x${byte} & 63)")
      math(EXPR at "${at} + 2")
    endforeach()
    math(EXPR code "${code} + 65536" OUTPUT_FORMAT HEXADECIMAL)  # 0x1XXXX: four digits after the 1
    string(SUBSTRING "${code}" 3 4 code)
    string(APPEND result "\\u${code}")
  endwhile()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

if(FORMAT STREQUAL "cpp")
  unmarked(entries "${entries}")
  string(CONCAT output "// Generated from ${PO} by cmake/po_catalogue.cmake; do not edit.\n"
    "#include \"platform/translation.h\"\n\n#include <cstddef>\n\nnamespace platform {\n\n"
    "extern const CatalogueEntry ${NAME}[];\nextern const size_t ${NAME}Size;\n\n"
    "const CatalogueEntry ${NAME}[] = {\n${entries}    {\"\", nullptr, {nullptr, nullptr, nullptr}},\n};\n"
    "const size_t ${NAME}Size = sizeof(${NAME}) / sizeof(${NAME}[0]) - 1;\n\n}  // namespace platform\n")
elseif(FORMAT STREQUAL "js")
  # The messages are the literals passed to tr(), written with the .po
  # file's escapes (\" and \\), so that they read alike.
  read_template(text lines)
  string(REGEX MATCHALL "(^|[^A-Za-z0-9_$.])tr\\(\"([^\"\\]|\\\\.)*\"" calls "${text}")
  set(messages "")
  foreach(call IN LISTS calls)
    string(REGEX REPLACE "^[^\"]*tr\\(\"(.*)\"$" "\\1" message "${call}")
    list(APPEND messages "${message}")
  endforeach()
  list(REMOVE_DUPLICATES messages)
  set(table "")
  foreach(message IN LISTS messages)
    translated(translation "${message}")
    js_ascii(translation "${translation}")
    if(NOT table STREQUAL "")
      string(APPEND table ",\n")
    endif()
    string(APPEND table "    \"${message}\": \"${translation}\"")
  endforeach()
  set(output "")
  set(filled OFF)
  foreach(line IN LISTS lines)
    if(line MATCHES "^var ${NAME} = {}@SEMI@")
      set(line "var ${NAME} = {  // from ${PO}\n${table}\n}@SEMI@")
      set(filled ON)
    endif()
    string(APPEND output "${line}\n")
  endforeach()
  if(NOT filled)
    message(FATAL_ERROR "${TEMPLATE} has no line \"var ${NAME} = {};\"")
  endif()
  string(REGEX REPLACE "\n$" "" output "${output}")  # the file's own last line break stays
  unmarked(output "${output}")
elseif(FORMAT STREQUAL "bash")
  set(table "")
  foreach(message IN LISTS single_ids)
    string(MD5 key "${message}")
    bash_word(key_word "${message}")
    bash_word(value_word "${translation_${key}}")
    string(APPEND table "  [${key_word}]=${value_word}\n")
  endforeach()
  unmarked(table "${table}")
  set(output "# Generated from ${PO} by cmake/po_catalogue.cmake; do not edit.\ndeclare -A ${NAME}=(\n${table})\n")
elseif(FORMAT STREQUAL "nsis")
  read_template(text lines)
  set(output "; Generated from ${PO} and ${TEMPLATE} by cmake/po_catalogue.cmake; do not edit.\n")
  foreach(line IN LISTS lines)
    if(line MATCHES "^LangString ([A-Za-z0-9_.]+) \\\${LANG_ENGLISH} \"(.*)\"[ \t\r]*$")
      set(id "${CMAKE_MATCH_1}")
      # NSIS's escapes into the .po file's: $\" $\n $\r $\t, and a backslash
      # doubled. Variables ($0, $INSTDIR, $$) stay as they are.
      set(message "${CMAKE_MATCH_2}")
      foreach(c \" n r t)
        string(REPLACE "$\\${c}" "@NSIS_${c}@" message "${message}")
      endforeach()
      string(REPLACE "\\" "\\\\" message "${message}")
      foreach(c \" n r t)
        string(REPLACE "@NSIS_${c}@" "\\${c}" message "${message}")
      endforeach()
      translated(translation "${message}")
      # And back.
      string(REPLACE "\\\\" "@BACKSLASH@" translation "${translation}")
      foreach(c \" n r t)
        string(REPLACE "\\${c}" "$\\${c}" translation "${translation}")
      endforeach()
      string(REPLACE "@BACKSLASH@" "\\" translation "${translation}")
      string(APPEND output "LangString ${id} \${${NAME}} \"${translation}\"\n")
    endif()
  endforeach()
  unmarked(output "${output}")
else()
  message(FATAL_ERROR "FORMAT must be cpp, js, nsis or bash, not ${FORMAT}")
endif()

file(WRITE "${OUT}.new" "${output}")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
