#!/usr/bin/env bash
# CI, Windows installer: builds the x64 and x86 setup programs; then, under
# Wine in a fresh prefix that has a recording client as the earlier handler
# of .torrent files and magnet links, installs the x64 one silently and
# checks the files, the registry and the client taken into Settings.ini,
# opens a torrent through the registered command and sees it reach the
# client, upgrades over changed settings, uninstalls, and checks that the
# earlier handlers are back and the user's files stayed. Last, the zip's
# register.cmd on a table of earlier handlers, the Default apps page it
# names when run interactively, its Russian for a Russian display language,
# and its unregister.cmd.
# Loopback only: nothing here opens a connection.
set -euo pipefail
cd "$(dirname "$0")/.."

source .ci/packages.sh
ensure_packages g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 nsis gettext

source .ci/checks.sh

echo "== build both installers"
for arch in x64 x86; do
  cmake --preset "windows-$arch" >/dev/null
  cmake --build --preset "windows-$arch" --target installer >/dev/null
done
cmake --build --preset windows-x64 --target fake_client >/dev/null
setup64=build/windows-x64/Retrackers-1.0.0-windows-x64-setup.exe
setup86=build/windows-x86/Retrackers-1.0.0-windows-x86-setup.exe
pe_machine() {  # prints the machine field of a PE file's header
  python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(); o=struct.unpack_from("<I",d,0x3c)[0]; print(hex(struct.unpack_from("<H",d,o+4)[0]))' "$1"
}
check "the x64 installer is a 64-bit program" test "$(pe_machine "$setup64")" = 0x8664
check "the x86 installer is a 32-bit program" test "$(pe_machine "$setup86")" = 0x14c
# The installer's data (its string tables and files) is one LZMA stream
# after NSIS's first header; its texts are UTF-16LE.
installer_has() {  # SETUP TEXT...: every text is among the installer's strings
  python3 - "$@" <<'PY'
import lzma, sys
data = open(sys.argv[1], "rb").read()
body = data[data.index(b"\xef\xbe\xad\xdeNullsoftInst") + 24:]
strings = lzma.LZMADecompressor(lzma.FORMAT_ALONE).decompress(body[:5] + b"\xff" * 8 + body[5:], 4 << 20)
missing = [text for text in sys.argv[2:] if text.encode("utf-16-le") not in strings]
if missing:
    sys.exit("     missing: %s" % missing)
PY
}
# The build's Russian LangStrings (those without variables, which NSIS
# stores as codes), and a text of the Russian pages of the installer's UI.
mapfile -t russian < <(sed -n 's/^LangString [A-Z_]* ${LANG_RUSSIAN} "\([^$]*\)"$/\1/p' \
  build/windows-x64/windows/installer-strings-ru.nsh)
check "the installers carry the Russian texts of po/ru.po (${#russian[@]}) and Russian pages" \
  installer_has "$setup64" "${russian[@]}" "Далее"
# (The x86 one has no use for the text that refuses 32-bit Windows.)
check "... the x86 one too" installer_has "$setup86" "${russian[0]}" "Далее"

work=$(mktemp -d "$PWD/build/windows-installer.XXXXXX")
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Debian's `wine` picks the 32-bit loader, which cannot run here.
wine=/usr/lib/wine/wine64
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

check "po/ru.po translates every message of the programs, the scripts and the installer (po/update.sh)" \
  bash -c 'po/update.sh --pot "$1" && msgcmp po/ru.po "$1"' - "$work/all.pot"

echo "== fresh Wine prefix"
"$wine" wineboot -i >/dev/null 2>&1
/usr/lib/wine/wineserver -w
win_env() { "$wine" cmd /c echo "%$1%" | tr -d '\r'; }
unix_path() { "$wine" winepath -u "$1" | tr -d '\r'; }
local_appdata=$(win_env LOCALAPPDATA)
install_win="$local_appdata\\Programs\\Retrackers"
install=$(unix_path "$install_win")
menu=$(unix_path "$(win_env APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Retrackers")

# Registry helpers: values printed as data, absent ones fail.
reg_value() {  # KEY [NAME]
  local out
  if (($# == 2)); then out=$("$wine" reg query "$1" /v "$2" 2>/dev/null); else out=$("$wine" reg query "$1" /ve 2>/dev/null); fi
  printf '%s\n' "$out" | tr -d '\r' | sed -n 's/^    .*    REG_[A-Z_]*    \{0,1\}//p' | head -n 1
  printf '%s\n' "$out" | grep -q REG_
}
reg_is() {  # EXPECTED KEY [NAME]
  local expected=$1 actual
  shift
  actual=$(reg_value "$@") || return 1
  [[ $actual == "$expected" ]] || { echo "     $* is: $actual" >&2; return 1; }
}
no_key() { ! "$wine" reg query "$1" >/dev/null 2>&1; }
reg_set() {  # KEY NAME DATA (NAME "" is the default value)
  if [[ -z $2 ]]; then "$wine" reg add "$1" /ve /d "$3" /f >/dev/null; else "$wine" reg add "$1" /v "$2" /d "$3" /f >/dev/null; fi
}
setting() {  # KEY FILE: the value in a Settings.ini
  tr -d '\r' <"$2" | sed -n "s/^$1=//p" | head -n 1
}
setting_is() {  # EXPECTED KEY FILE
  local actual
  actual=$(setting "$2" "$3")
  [[ $actual == "$1" ]] || { echo "     $2 is: $actual" >&2; return 1; }
}

quiet() { "$@" >>"$work/wine.out" 2>&1 </dev/null; }  # keeps what the scripts print out of the report

classes='HKCU\Software\Classes'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Retrackers'
client_win='C:\Fake Client\client.exe'
client="$WINEPREFIX/drive_c/Fake Client/client.exe"
mkdir -p "$(dirname "$client")"
cp build/windows-x64/tests/support/fake_client.exe "$client"
torrent_open="\"$client_win\" --add \"%1\""
magnet_open="\"$client_win\" --magnet \"%1\""
reg_set "$classes\\.torrent" "" Recorder.Torrent
reg_set "$classes\\Recorder.Torrent\\shell\\open\\command" "" "$torrent_open"
reg_set "$classes\\magnet" "" "URL:Magnet link"
reg_set "$classes\\magnet" "URL Protocol" ""
reg_set "$classes\\magnet\\shell\\open\\command" "" "$magnet_open"
applications='HKCU\Software\RegisteredApplications'
reg_set "$applications" Recorder 'Software\Recorder\Capabilities'
capabilities_are() {  # TAVRIN_OPEN: Tavrin listed for Default apps, with its ProgIDs
  local caps='HKCU\Software\Retrackers\Capabilities'
  reg_is Tavrin "$caps" ApplicationName && reg_value "$caps" ApplicationDescription >/dev/null &&
    reg_is Retrackers.Torrent "$caps\\FileAssociations" .torrent &&
    reg_is Retrackers.Magnet "$caps\\URLAssociations" magnet &&
    reg_is "" "$classes\\Retrackers.Magnet" "URL Protocol" &&
    reg_is "$1" "$classes\\Retrackers.Magnet\\shell\\open\\command" &&
    reg_is 'Software\Retrackers\Capabilities' "$applications" Retrackers
}

echo "== silent install of the x64 installer, over an earlier version's directory"
# The folder as an earlier version left it: its directory is replaced, byte
# for byte one the project shipped.
mkdir -p "$install"
cp packaging/earlier-directories/example-1.ini "$install/retrackers.ini"
started=$(date +%s)
check "the installer ends with 0" "$wine" "$setup64" /S
all_there() {
  local file
  for file in "$@"; do [[ -f $install/$file ]] || { echo "     missing: $file" >&2; return 1; }; done
}
own_files=(Tavrin.exe Keswel.exe README.md README.ru.md registration.js register.cmd unregister.cmd Uninstall.exe)
check "programs, scripts, guide and uninstaller installed" all_there "${own_files[@]}"
check "sample settings and directory installed" all_there Settings.ini retrackers.ini
check "the earlier shipped directory replaced by the default one" \
  cmp -s "$install/retrackers.ini" packaging/retrackers-default.ini
check "Start-menu entries for Keswel, its --choose and --detect, the settings and the guide" \
  test "$(ls "$menu" | grep -c '\.lnk$')" = 5
tavrin_open="\"$install_win\\Tavrin.exe\" \"%1\""
check "capabilities and RegisteredApplications name Tavrin's ProgIDs" capabilities_are "$tavrin_open"
check ".torrent goes to Retrackers.Torrent" reg_is Retrackers.Torrent "$classes\\.torrent"
check "Retrackers.Torrent opens with the installed Tavrin" reg_is "$tavrin_open" "$classes\\Retrackers.Torrent\\shell\\open\\command"
check "magnet links open with the installed Tavrin" reg_is "$tavrin_open" "$classes\\magnet\\shell\\open\\command"
check "magnet stays a URL protocol" reg_is "" "$classes\\magnet" "URL Protocol"
check "the earlier .torrent handler is remembered" reg_is Recorder.Torrent 'HKCU\Software\Retrackers\Earlier handlers' '.torrent|'
check "the earlier magnet command is remembered" \
  reg_is "$magnet_open" 'HKCU\Software\Retrackers\Earlier handlers' 'magnet/shell/open/command|'
check "uninstall entry under HKCU" reg_is "\"$install_win\\Uninstall.exe\"" "$uninstall_key" UninstallString
check "LaunchPath taken from the earlier handler" setting_is "$client_win" LaunchPath "$install/Settings.ini"
check "LaunchArguments taken from it, %1 unquoted" setting_is "--add %1" LaunchArguments "$install/Settings.ini"

echo "== a torrent opened through the registered command reaches the client"
sed -i 's/^TrackerCheck=.*/TrackerCheck=1 2 0\r/' "$install/Settings.ini"
mkdir -p "$WINEPREFIX/drive_c/Torrents Here"
cp examples/sample.torrent "$WINEPREFIX/drive_c/Torrents Here/my film.torrent"
command=$(reg_value "$classes\\Retrackers.Torrent\\shell\\open\\command") || true
printf '@%s\r\n' "${command//%1/C:\\Torrents Here\\my film.torrent}" >"$work/open.cmd"
"$wine" cmd /c "$("$wine" winepath -w "$work/open.cmd" | tr -d '\r')" || true
record_args() {  # waits for the fake client's record; prints its arguments, one a line
  local at
  for at in $(seq 200); do
    [[ -f $client.args ]] && break
    sleep 0.1
  done
  python3 - "$client.args" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
at = 1
while at < len(data) - 1:
    colon = data.index(b":", at)
    length = int(data[at:colon])
    print(data[colon + 1:colon + 1 + length].decode("latin-1"))
    at = colon + 1 + length
PY
  rm -f "$client.args"
}
mapfile -t got < <(record_args 2>/dev/null || true)
expected_torrent="$install_win\\my film.torrent"
check "the client got --add and the torrent Tavrin wrote" \
  test "${got[1]-}|${got[2]-}" = "--add|$expected_torrent"
check "that torrent holds the retrackers" grep -q "retracker.local/announce" "$install/my film.torrent"
check "Tavrin.log written" test -s "$install/Tavrin.log"

echo "== upgrade: the installer again, over changed settings and directory"
printf '; my own line\r\n' >>"$install/Settings.ini"
printf '; my own line\r\n' >>"$install/retrackers.ini"
sums_before=$(md5sum "$install/Settings.ini" "$install/retrackers.ini")
check "the installer ends with 0 (with /KeswelTask)" "$wine" "$setup64" /S /KeswelTask
check "Settings.ini and retrackers.ini kept byte for byte" test "$(md5sum "$install/Settings.ini" "$install/retrackers.ini")" = "$sums_before"
check "the earlier .torrent handler is still the remembered one" \
  reg_is Recorder.Torrent 'HKCU\Software\Retrackers\Earlier handlers' '.torrent|'
check "the earlier magnet command is still the remembered one" \
  reg_is "$magnet_open" 'HKCU\Software\Retrackers\Earlier handlers' 'magnet/shell/open/command|'
# Wine's schtasks creates tasks only from XML (no /TR), so there the
# installer reports the refusal and records no task; Windows creates it.
if reg_value "$uninstall_key" "Keswel task" >/dev/null; then
  check "the daily Keswel task is recorded for the uninstaller" reg_is 'Retrackers\Keswel daily' "$uninstall_key" "Keswel task"
else
  echo "   (daily Keswel task refused by Wine's schtasks, as expected there)"
fi

echo "== silent uninstall"
check "the uninstaller ends with 0" "$wine" "$install/Uninstall.exe" /S
# It runs on from a copy of itself; wait for every process of the prefix.
/usr/lib/wine/wineserver -w
none_there() {
  local file
  for file in "$@"; do [[ ! -e $install/$file ]] || { echo "     still there: $file" >&2; return 1; }; done
}
check "programs, scripts, guide and uninstaller removed" none_there "${own_files[@]}"
check "the user's settings, directory, log and torrent stay" \
  all_there Settings.ini retrackers.ini Tavrin.log "my film.torrent"
check "Start-menu entries removed" test ! -e "$menu"
check "the earlier .torrent handler is back" reg_is Recorder.Torrent "$classes\\.torrent"
check "the earlier magnet command is back" reg_is "$magnet_open" "$classes\\magnet\\shell\\open\\command"
check "Retrackers.Torrent removed" no_key "$classes\\Retrackers.Torrent"
check "Retrackers.Magnet removed" no_key "$classes\\Retrackers.Magnet"
check "our RegisteredApplications value removed" bash -c '! "$0" reg query "$1" /v Retrackers >/dev/null 2>&1' "$wine" "$applications"
check "another program's RegisteredApplications value stays" reg_is 'Software\Recorder\Capabilities' "$applications" Recorder
check "the remembered handlers removed" no_key 'HKCU\Software\Retrackers'
check "uninstall entry removed" no_key "$uninstall_key"
echo "   (install, open, upgrade and uninstall took $(($(date +%s) - started)) s)"

echo "== the zip's register.cmd takes the client from the earlier handler"
zip_win='C:\My Retrackers'
zip="$WINEPREFIX/drive_c/My Retrackers"
mkdir -p "$zip"
cp build/windows-x64/installer-stage/* "$zip/"
"$wine" reg delete "$classes\\magnet" /f >/dev/null
"$wine" reg delete "$applications" /f >/dev/null
# Earlier .torrent command | LaunchPath before | LaunchPath after | LaunchArguments after
# ("-" keeps the sample's values; the sample's client is not installed here).
mkdir -p "$WINEPREFIX/drive_c/Gone"
rows=(
  "\"$client_win\" \"%1\"|-|$client_win|%1"
  "$client_win /x %L|-|$client_win|/x %1"
  "\"%SystemDrive%\\Fake Client\\client.exe\" --add \"%1\" %*|-|$client_win|--add %1"
  "\"$client_win\"|-|$client_win|%1"
  "\"C:\\windows\\explorer.exe\" \"%1\"|-|-|-"
  "\"C:\\windows\\system32\\rundll32.exe\" x.dll,Open %1|-|-|-"
  "\"$zip_win\\Tavrin.exe\" \"%1\"|-|-|-"
  "\"C:\\Gone\\client.exe\" \"%1\"|-|-|-"
  "\"$client_win\" \"%1\"|C:\\windows\\notepad.exe|C:\\windows\\notepad.exe|-"
)
sample_path=$(setting LaunchPath build/windows-x64/installer-stage/Settings.ini)
sample_args=$(setting LaunchArguments build/windows-x64/installer-stage/Settings.ini)
for row in "${rows[@]}"; do
  IFS='|' read -r earlier before path args <<<"$row"
  cp build/windows-x64/installer-stage/Settings.ini "$zip/Settings.ini"
  [[ $before != - ]] && sed -i "s|^LaunchPath=.*|LaunchPath=${before//\\/\\\\}\r|" "$zip/Settings.ini"
  [[ $path == - ]] && path=$sample_path
  [[ $args == - ]] && args=$sample_args
  reg_set "$classes\\Recorder.Torrent\\shell\\open\\command" "" "$earlier"
  quiet "$wine" cmd /c "$zip_win\\register.cmd" /nopause || true
  check "earlier command $earlier: LaunchPath=$path" setting_is "$path" LaunchPath "$zip/Settings.ini"
  check "earlier command $earlier: LaunchArguments=$args" setting_is "$args" LaunchArguments "$zip/Settings.ini"
done
# A line break in the earlier command would make keys of their own in
# Settings.ini: the take-over is refused and the file stays as it was. (reg
# add cannot store a line break; regedit imports it as UTF-16 hex.)
cp build/windows-x64/installer-stage/Settings.ini "$zip/Settings.ini"
python3 - "$work/line-break.reg" "\"$client_win\" \"%1\"" <<'EOF'
import sys
data = (sys.argv[2] + "\nNotify=False\0").encode("utf-16-le")
open(sys.argv[1], "w", encoding="utf-16").write(
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Classes\\Recorder.Torrent\\shell\\open\\command]\r\n"
    "@=hex(1):" + ",".join("%02x" % b for b in data) + "\r\n")
EOF
quiet "$wine" regedit /S "$("$wine" winepath -w "$work/line-break.reg" | tr -d '\r')"
quiet "$wine" cmd /c "$zip_win\\register.cmd" /nopause || true
check "an earlier command holding a line break is not taken over" \
  cmp -s build/windows-x64/installer-stage/Settings.ini "$zip/Settings.ini"
zip_open="\"$zip_win\\Tavrin.exe\" \"%1\""
check "register.cmd registers the Tavrin.exe beside it" reg_is "$zip_open" "$classes\\Retrackers.Torrent\\shell\\open\\command"
check "... for magnet links too" reg_is "$zip_open" "$classes\\magnet\\shell\\open\\command"
check "register.cmd lists its Tavrin for Default apps" capabilities_are "$zip_open"

echo "== register.cmd run interactively names the Default apps page"
build_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
build_before=$(reg_value "$build_key" CurrentBuildNumber)
torrent_choice='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.torrent\UserChoice'
magnet_choice='HKCU\Software\Microsoft\Windows\Shell\Associations\UrlAssociations\magnet\UserChoice'
page_of() {  # ARGUMENTS of register.cmd: the page it would open, or "-"
  local out
  out=$(RETRACKERS_SETTINGS_PAGE=print "$wine" cmd /c "$zip_win\\register.cmd" "$@" </dev/null 2>&1 | tr -d '\r')
  printf '%s\n' "$out" >>"$work/wine.out"
  out=$(printf '%s\n' "$out" | sed -n 's/^Would open: //p')
  echo "${out:--}"
}
# "Open with" and a browsed-to Tavrin.exe make a choice of this kind.
reg_set "$classes\\Applications\\Tavrin.exe\\shell\\open\\command" "" "$zip_open"
# Windows build | the user's choice for .torrent | for magnet ("-" none) | page
page_rows=(
  "10240|Recorder.Torrent|-|ms-settings:defaultapps"
  "22000|Recorder.Torrent|-|ms-settings:defaultapps?registeredAppUser=Retrackers"
  "22631|-|Other.Magnet|ms-settings:defaultapps?registeredAppUser=Retrackers"
  "22631|Retrackers.Torrent|Retrackers.Magnet|-"
  "22631|Applications\\Tavrin.exe|-|-"
  "22631|-|-|-"
  "9600|Recorder.Torrent|-|-"
)
for row in "${page_rows[@]}"; do
  IFS='|' read -r build torrent magnet page <<<"$row"
  reg_set "$build_key" CurrentBuildNumber "$build"
  "$wine" reg delete "$torrent_choice" /f >/dev/null 2>&1 || true
  "$wine" reg delete "$magnet_choice" /f >/dev/null 2>&1 || true
  [[ $torrent != - ]] && reg_set "$torrent_choice" ProgId "$torrent"
  [[ $magnet != - ]] && reg_set "$magnet_choice" ProgId "$magnet"
  check "build $build, chosen $torrent and $magnet: page $page" test "$(page_of)" = "$page"
done
reg_set "$build_key" CurrentBuildNumber 22631
check "... and none under /nopause, where it would be named" test "$(page_of /nopause)" = -

echo "== register.cmd speaks the user's display language"
# Wine keeps its display language in no registry value: it takes it from the
# Unix locale, which it writes as the user's LocaleName (the script's source
# under Wine). A display language of the user's own (PreferredUILanguages)
# comes first. A pipe gets the OEM code page, 866 for Russian.
said_in() {  # LC_ALL: what register.cmd prints, in UTF-8
  LC_ALL=$1 RETRACKERS_SETTINGS_PAGE=print "$wine" cmd /c "$zip_win\\register.cmd" </dev/null 2>&1 |
    iconv -f CP866 -t UTF-8 | tr -d '\r' | tee -a "$work/wine.out"
}
reg_set "$torrent_choice" ProgId Recorder.Torrent
said=$(said_in ru_RU.UTF-8)
check "Russian: what it registered" grep -qxF "Файлы .torrent и magnet-ссылки теперь открывает $zip_win\\Tavrin.exe" <<<"$said"
check "Russian: the Default apps guidance" \
  grep -q '^Приложение по умолчанию Windows позволяет выбрать только вам: на странице Tavrin' <<<"$said"
check "Russian: the page it would open" grep -qxF "Would open: ms-settings:defaultapps?registeredAppUser=Retrackers" <<<"$said"
reg_set 'HKCU\Control Panel\Desktop' PreferredUILanguages en-US
check "English for a display language en-US of the user's own" \
  grep -q '^Windows lets only you choose the default app: in Tavrin' <<<"$(said_in ru_RU.UTF-8)"
"$wine" reg delete 'HKCU\Control Panel\Desktop' /v PreferredUILanguages /f >/dev/null
reg_set "$build_key" CurrentBuildNumber "$build_before"
"$wine" reg delete "$torrent_choice" /f >/dev/null 2>&1 || true
"$wine" reg delete "$magnet_choice" /f >/dev/null 2>&1 || true
check "unregister.cmd ends with 0" quiet "$wine" cmd /c "$zip_win\\unregister.cmd" /nopause
check "unregister.cmd gives .torrent back" reg_is Recorder.Torrent "$classes\\.torrent"
check "unregister.cmd removes the magnet key it created" no_key "$classes\\magnet"
check "unregister.cmd removes Retrackers.Torrent" no_key "$classes\\Retrackers.Torrent"
check "unregister.cmd removes the remembered handlers and the capabilities" no_key 'HKCU\Software\Retrackers'
check "unregister.cmd removes Retrackers.Magnet" no_key "$classes\\Retrackers.Magnet"
check "unregister.cmd removes the RegisteredApplications key it created" no_key "$applications"

echo "$passes passed, $failures failed"
((failures == 0))
