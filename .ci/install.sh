#!/usr/bin/env bash
# CI: build with the "install" preset, install into a temporary home, run the installed
# programs, reinstall over changed settings, hook Tavrin into a temporary
# desktop and take it out again (also from copies of the folder whose paths
# hold blanks, quotes, "$" and "%1"), and build the packages.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

source .ci/packages.sh
ensure_packages desktop-file-utils xdg-utils

source .ci/checks.sh
source .ci/loopback_peers.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

quietly() { "$@" >/dev/null; }
# Runs a command in the language that the arguments NAME=value before it set.
in_language() { env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LC_CTYPE -u LANG "$@"; }
to_file() {  # to_file FILE command...: the command's output into FILE
  local out=$1
  shift
  "$@" >"$out"
}

# A home of its own, and a desktop that knows nothing of this machine's.
# (xdg-utils cannot find desktop entries under a home path with blanks.)
export HOME="$work/home"
export XDG_DATA_HOME="$HOME/.local/share" XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_DIRS="$work/system/share" XDG_CONFIG_DIRS="$work/system/xdg"
unset XDG_RUNTIME_DIR DBUS_SESSION_BUS_ADDRESS XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION \
  GNOME_DESKTOP_SESSION_ID XDG_MENU_PREFIX
mkdir -p "$HOME"
# Everything below removes and rewrites files under $HOME: never the real one.
[[ $HOME == "$work"/* ]] || { echo "install checks need a temporary HOME" >&2; exit 1; }
prefix="$HOME/Retrackers"

echo "== build and install with the \"install\" preset into $prefix"
cmake --preset install >/dev/null
cmake --build --preset install >/dev/null
cmake --install build/install >"$work/install-1.log"
have_keswel=no
[[ -x build/install/probe/Keswel ]] && have_keswel=yes

expected=(Tavrin Settings.ini retrackers.ini README.md retrackers-desktop.sh
  integration/retrackers-tavrin.desktop.in integration/retrackers-keswel.service.in
  integration/retrackers-keswel.timer.in integration/retrackers-desktop.ru.sh)
[[ $have_keswel == yes ]] && expected+=(Keswel)
for file in "${expected[@]}"; do
  check "installed $file" test -e "$prefix/$file"
done
check "installed Settings.ini is the Linux sample" cmp -s "$prefix/Settings.ini" packaging/linux/Settings.ini
check "installed directory is the default one" cmp -s "$prefix/retrackers.ini" packaging/retrackers-default.ini

echo "== the installed Tavrin on the sample torrent"
status=0
"$prefix/Tavrin" examples/sample.torrent "$work/augmented.torrent" || status=$?
check "Tavrin exit code 0" test "$status" = 0
check "Tavrin wrote the output" test -s "$work/augmented.torrent"
check "the output has an announce-list" grep -qa '13:announce-list' "$work/augmented.torrent"
check "Tavrin.log lies beside Tavrin" grep -q 'Running for torrent "examples/sample.torrent"' "$prefix/Tavrin.log"

if [[ $have_keswel == yes ]]; then
  echo "== the installed Keswel on a loopback directory"
  # One retracker that accepts connections (when python3 can listen) and
  # one whose port is closed; 127.0.0.1 only.
  listener_pid=
  open_port=
  if command -v python3 >/dev/null 2>&1; then
    start_listener "$work" 120
    open_port=$listener_port
  fi
  closed_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' 2>/dev/null || echo 9)
  {
    printf '[Город]\r\n1=Loopback\r\n[Провайдеры Loopback]\r\n1=Lo\r\n[Ретрекеры Loopback Lo]\r\nКоличество=2\r\n'
    printf '1=http://127.0.0.1:%s/announce\r\n2=http://127.0.0.1:%s/announce\r\n' "${open_port:-$closed_port}" "$closed_port"
  } | iconv -f UTF-8 -t WINDOWS-1251 >"$prefix/loopback.ini"
  sed -i 's/^TrackersFile=.*/TrackersFile=loopback.ini/' "$prefix/Settings.ini"
  status=0
  timeout 60 "$prefix/Keswel" >"$work/keswel.out" || status=$?
  [[ -n $listener_pid ]] && kill "$listener_pid" 2>/dev/null || true
  check "Keswel exit code 0" test "$status" = 0
  if [[ -n $open_port ]]; then
    check "Keswel stored the reachable retracker" grep -qx 'TrackerCheck=1 0' "$prefix/Settings.ini"
    status=0
    "$prefix/Tavrin" examples/sample.torrent "$work/augmented-2.torrent" || status=$?
    check "Tavrin then adds it" grep -qa "127.0.0.1:$open_port/announce" "$work/augmented-2.torrent"
  else
    check "Keswel stored an empty list" grep -qx 'TrackerCheck= 0' "$prefix/Settings.ini"
  fi
  sed -i 's/^TrackersFile=.*/TrackersFile=retrackers.ini/' "$prefix/Settings.ini"
fi

echo "== a reinstall replaces a directory the project shipped, byte for byte"
for shipped in packaging/earlier-directories/*.ini; do
  cp "$shipped" "$prefix/retrackers.ini"
  quietly cmake --install build/install
  check "$(basename "$shipped") replaced by the default directory" \
    cmp -s "$prefix/retrackers.ini" packaging/retrackers-default.ini
done

echo "== a second install keeps the user's files byte for byte"
printf '; my own note\n' >>"$prefix/Settings.ini"
printf '\r\n; my own directory note\r\n' >>"$prefix/retrackers.ini"
sha256sum "$prefix/Settings.ini" "$prefix/retrackers.ini" >"$work/user-files.sha256"
cmake --install build/install >"$work/install-2.log"
check "Settings.ini and retrackers.ini unchanged" sha256sum --quiet -c "$work/user-files.sha256"
check "the install said it kept them" test "$(grep -c 'Keeping your' "$work/install-2.log")" = 2

# The desktop's part: the Exec value, unescaped and split as the desktop
# entry rules say, %u replaced by the file opened.
exec_argv() {  # exec_argv <entry> <file>: prints the arguments, NUL-separated
  local value text="" i c quoted=no token="" started=no
  value=$(sed -n 's/^Exec=//p' "$1")
  for ((i = 0; i < ${#value}; i++)); do  # string escapes
    c=${value:i:1}
    if [[ $c == '\' ]]; then
      i=$((i + 1))
      case ${value:i:1} in s) text+=' ' ;; n) text+=$'\n' ;; t) text+=$'\t' ;; r) text+=$'\r' ;; *) text+=${value:i:1} ;; esac
    else
      text+=$c
    fi
  done
  for ((i = 0; i <= ${#text}; i++)); do
    c=${text:i:1}
    if ((i == ${#text})) || [[ $quoted == no && $c == ' ' ]]; then
      if [[ $started == yes ]]; then
        [[ $token == '%u' ]] && token=$2 || token=${token//%%/%}
        printf '%s\0' "$token"
      fi
      token="" started=no
    elif [[ $c == '"' ]]; then
      [[ $quoted == yes ]] && quoted=no || quoted=yes
      started=yes
    elif [[ $quoted == yes && $c == '\' ]]; then
      i=$((i + 1))
      token+=${text:i:1}
    else
      token+=$c
      started=yes
    fi
  done
}

# A stand-in BitTorrent client that records its arguments, NUL-separated.
client_dir="$work/client \"dir\""
mkdir -p "$client_dir" "$work/Downloads"
printf '%s\n' '#!/bin/sh' 'out="$(dirname "$0")/client.args"' ': >"$out.part"' \
  'for argument in "$@"; do printf "%s\0" "$argument" >>"$out.part"; done' 'mv "$out.part" "$out"' \
  >"$client_dir/record client.sh"
chmod +x "$client_dir/record client.sh"
torrent_name="My \"odd\" name's \$HOME %1 ünï.torrent"
cp examples/sample.torrent "$work/Downloads/$torrent_name"

# Opens the sample torrent through the installed entry's Exec line, with the
# Tavrin of folder $1 set to start the recording client, and checks what the
# client got.
open_through_entry() {
  local folder=$1 entry="$XDG_DATA_HOME/applications/retrackers-tavrin.desktop" command=() got=() status
  cp "$folder/Settings.ini" "$work/Settings.ini.saved"
  sed -i -e "s|^LaunchPath=.*|LaunchPath=$client_dir/record client.sh|" \
    -e 's|^LaunchArguments=.*|LaunchArguments=--add "%1" --start|' "$folder/Settings.ini"
  rm -f "$client_dir/client.args"
  mapfile -d '' command < <(exec_argv "$entry" "$work/Downloads/$torrent_name")
  check "the Exec line names $folder/Tavrin" test "${command[0]:-}" = "$folder/Tavrin"
  status=1
  if ((${#command[@]})); then
    (cd "$work" && "${command[@]}") && status=0 || status=$?
  fi
  check "Tavrin exit code 0 through the entry" test "$status" = 0
  for _ in $(seq 100); do [[ -f $client_dir/client.args ]] && break; sleep 0.1; done
  [[ -f $client_dir/client.args ]] && mapfile -d '' got <"$client_dir/client.args"
  check "the client got --add, the written torrent and --start" \
    test "${#got[@]}" = 3 -a "${got[0]:-}" = --add -a "${got[1]:-}" = "$folder/$torrent_name" -a "${got[2]:-}" = --start
  check "the torrent the client got holds the added tier" grep -qa '13:announce-list' "$folder/$torrent_name"
  cp "$work/Settings.ini.saved" "$folder/Settings.ini"
  rm -f "$folder/$torrent_name"
}

# Checks the generated units of the folder $1.
verify_units() {
  local folder=$1 units="$XDG_CONFIG_HOME/systemd/user" verify status quoted
  check "the timer is enabled" test -L "$units/timers.target.wants/retrackers-keswel.timer"
  quoted=${folder//%/%%}
  check "the service runs $folder/Keswel" grep -qxF "ExecStart=\"$quoted/Keswel\"" "$units/retrackers-keswel.service"
  if command -v systemd-analyze >/dev/null 2>&1; then
    mkdir -p -m 700 "$work/runtime"
    verify=$(XDG_RUNTIME_DIR="$work/runtime" systemd-analyze verify --user \
      "$units/retrackers-keswel.service" "$units/retrackers-keswel.timer" 2>&1) && status=0 || status=$?
    [[ -z $verify ]] || printf '%s\n' "$verify"
    check "systemd-analyze verify passes silently" test "$status" = 0 -a -z "$verify"
  else
    echo "skip systemd-analyze verify (not installed)"
  fi
}

# Everything in the test home except the installed folder.
snapshot() { (cd "$HOME" && find . -path ./Retrackers -prune -o -print0 | sort -z | xargs -0 sha256sum -- 2>&1 || true); }
home_is_empty() { test -z "$(cd "$HOME" && find . -path ./Retrackers -prune -o ! -name . -print)"; }

if [[ $have_keswel == no ]]; then
  # Until Keswel is built, a stand-in lets the timer part be checked.
  printf '#!/bin/sh\n' >"$prefix/Keswel"
  chmod +x "$prefix/Keswel"
fi

echo "== desktop integration over an earlier default client"
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
printf '[Desktop Entry]\nType=Application\nName=Other\nExec=true %%f\nMimeType=application/x-bittorrent;\n' \
  >"$XDG_DATA_HOME/applications/other-client.desktop"
printf '[Desktop Entry]\nType=Application\nName=Magnets\nExec=true %%u\nMimeType=x-scheme-handler/magnet;\n' \
  >"$XDG_DATA_HOME/applications/other-magnet.desktop"
printf '[Default Applications]\napplication/x-bittorrent=other-client.desktop\ntext/plain=editor.desktop\nx-scheme-handler/magnet=other-magnet.desktop\n' \
  >"$XDG_CONFIG_HOME/mimeapps.list"
check "xdg-mime names the earlier client" test "$(xdg-mime query default application/x-bittorrent)" = other-client.desktop
check "xdg-mime names the earlier magnet handler" \
  test "$(xdg-mime query default x-scheme-handler/magnet)" = other-magnet.desktop
before=$(snapshot)
check "retrackers-desktop.sh install --with-timer" \
  to_file "$work/desktop-install.out" in_language LANG=C "$prefix/retrackers-desktop.sh" install --with-timer
check "it speaks English in the C locale" \
  grep -qxF 'Torrent files now open with Tavrin (application/x-bittorrent).' "$work/desktop-install.out"
check "desktop-file-validate is silent on the entry" \
  test -z "$(desktop-file-validate "$XDG_DATA_HOME/applications/retrackers-tavrin.desktop" 2>&1)"
check "xdg-mime names the entry" test "$(xdg-mime query default application/x-bittorrent)" = retrackers-tavrin.desktop
check "xdg-mime names the entry for magnet links" \
  test "$(xdg-mime query default x-scheme-handler/magnet)" = retrackers-tavrin.desktop
verify_units "$prefix"
echo "== a torrent opened through the desktop entry reaches the client Tavrin starts"
open_through_entry "$prefix"
check "retrackers-desktop.sh uninstall" "$prefix/retrackers-desktop.sh" uninstall
check "xdg-mime names the earlier client again" \
  test "$(xdg-mime query default application/x-bittorrent)" = other-client.desktop
check "xdg-mime names the earlier magnet handler again" \
  test "$(xdg-mime query default x-scheme-handler/magnet)" = other-magnet.desktop
check "the home is as it was before install" test "$before" = "$(snapshot)"
check "the user's files stay" test -f "$prefix/Settings.ini" -a -f "$prefix/retrackers.ini" -a -f "$prefix/Tavrin.log"

echo "== a folder whose path holds blanks, \$, % and parentheses, in an empty home"
rm -rf "${HOME:?}/.local" "${HOME:?}/.config"
odd="$work/odd \$USER %1 (x)/Retrackers"
mkdir -p "$(dirname "$odd")"
cp -a "$prefix" "$odd"
check "install --with-timer" "$odd/retrackers-desktop.sh" install --with-timer
check "desktop-file-validate is silent on the entry" \
  test -z "$(desktop-file-validate "$XDG_DATA_HOME/applications/retrackers-tavrin.desktop" 2>&1)"
check "xdg-mime names the entry" test "$(xdg-mime query default application/x-bittorrent)" = retrackers-tavrin.desktop
check "xdg-mime names the entry for magnet links" \
  test "$(xdg-mime query default x-scheme-handler/magnet)" = retrackers-tavrin.desktop
verify_units "$odd"
open_through_entry "$odd"
check "install again replaces it, in Russian" \
  to_file "$work/desktop-install-ru.out" in_language LANG=ru_RU.UTF-8 "$odd/retrackers-desktop.sh" install
for line in "Прежняя интеграция этой папки с рабочим столом будет заменена." \
  "Торрент-файлы теперь открывает Tavrin (application/x-bittorrent)." \
  "Проверьте настройку командой: $odd/Keswel --check"; do
  check "it says: $line" grep -qxF "$line" "$work/desktop-install-ru.out"
done
check "uninstall" "$odd/retrackers-desktop.sh" uninstall
check "no default left" test -z "$(xdg-mime query default application/x-bittorrent)"
check "no magnet default left" test -z "$(xdg-mime query default x-scheme-handler/magnet)"
check "nothing left in the home" home_is_empty
check "uninstall again says in Russian that there is nothing to remove" grep -qxF \
  "Удалять нечего: интеграция этой папки с рабочим столом не установлена." \
  <(in_language LANG=ru_RU.UTF-8 "$odd/retrackers-desktop.sh" uninstall)

echo "== the desktop script's language, as Tavrin and Keswel choose it"
# Each row: the language expected, the charset of its output, the environment.
while read -r language charset row; do
  read -r -a settings <<<"$row"
  usage=$(in_language "${settings[@]}" "$prefix/retrackers-desktop.sh" 2>&1 | iconv -f "$charset" -t UTF-8 || true)
  if [[ $language == ru ]]; then
    expected_usage="использование: retrackers-desktop.sh install [--with-timer] | uninstall"
  else
    expected_usage="usage: retrackers-desktop.sh install [--with-timer] | uninstall"
  fi
  check "usage in $language with ${settings[*]}" grep -qxF "$expected_usage" <<<"$usage"
done <<'ROWS'
ru UTF-8  LANG=ru_RU.UTF-8
en UTF-8  LANG=C
en UTF-8  LANG=en_US.UTF-8
ru UTF-8  LANGUAGE=ru:en LANG=C.UTF-8
en UTF-8  LANGUAGE=en LANG=ru_RU.UTF-8
en UTF-8  LANGUAGE=ru LC_ALL=C
ru UTF-8  LC_MESSAGES=ru_RU.UTF-8 LANG=en_US.UTF-8
en UTF-8  LANG=ru_RU
ru KOI8-R LANG=ru_RU.KOI8-R
en UTF-8  LANG=rus_RU.UTF-8
ROWS

echo "== a folder whose path holds quotes"
quoted_folder="$work/it's \"quoted\"/Retrackers"
mkdir -p "$(dirname "$quoted_folder")"
cp -a "$prefix" "$quoted_folder"
"$quoted_folder/retrackers-desktop.sh" install --with-timer 2>/dev/null && status=0 || status=$?
check "install --with-timer is refused with exit code 1" test "$status" = 1
check "and leaves nothing in the home" home_is_empty
check "install without the timer" "$quoted_folder/retrackers-desktop.sh" install
check "desktop-file-validate is silent on the entry" \
  test -z "$(desktop-file-validate "$XDG_DATA_HOME/applications/retrackers-tavrin.desktop" 2>&1)"
open_through_entry "$quoted_folder"
check "uninstall" "$quoted_folder/retrackers-desktop.sh" uninstall
check "nothing left in the home" home_is_empty
[[ $have_keswel == yes ]] || rm -f "$prefix/Keswel"

if [[ $have_keswel == yes ]] && command -v python3 >/dev/null 2>&1; then
  echo "== a new user's path: five steps, no file edited by hand, aria2c as the client"
  ensure_packages aria2
  rm -rf "${HOME:?}/.local" "${HOME:?}/.config"
  mkdir -p "$work/newuser-listener"
  start_listener "$work/newuser-listener" 120
  retracker="http://127.0.0.1:$listener_port/announce"
  {
    printf '[Город]\r\n1=Loopback\r\n[Провайдеры Loopback]\r\n1=Lo\r\n[Ретрекеры Loopback Lo]\r\nКоличество=1\r\n'
    printf '1=%s\r\n' "$retracker"
  } >"$work/provider-directory.ini"  # as UTF-8: --import converts it
  # The client the desktop used so far: aria2c, which with -S lists what a
  # torrent holds, announce addresses included, and exits.
  mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
  printf '[Desktop Entry]\nType=Application\nName=aria2\nExec=aria2c -S %%U\nMimeType=application/x-bittorrent;\n' \
    >"$XDG_DATA_HOME/applications/aria2-client.desktop"
  printf '[Default Applications]\napplication/x-bittorrent=aria2-client.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"
  newuser="$work/newuser/Retrackers"

  # 1. install; 2. the provider's directory taken in; 3. the city and
  # provider by number; 4. the desktop integration; 5. open a torrent.
  check "step 1: install" quietly cmake --install build/install --prefix "$newuser"
  check "step 2: Keswel --import the directory" to_file "$work/newuser-import.out" "$newuser/Keswel" --import "$work/provider-directory.ini"
  check "it names the directory in Settings.ini" grep -qx 'TrackersFile=provider-directory.ini' "$newuser/Settings.ini"
  check "step 3: Keswel --select 1 1" to_file "$work/newuser-select.out" timeout 60 "$newuser/Keswel" --select 1 1
  check "Keswel stored the live retracker" grep -q '^TrackerCheck=1 0' "$newuser/Settings.ini"
  check "step 4: retrackers-desktop.sh install" to_file "$work/newuser-install.out" "$newuser/retrackers-desktop.sh" install
  cat "$work/newuser-install.out"
  check "the integration took over aria2c" grep -qx "LaunchPath=$(command -v aria2c)" "$newuser/Settings.ini"
  check "with its arguments" grep -qx 'LaunchArguments=-S %1' "$newuser/Settings.ini"
  check "and said so" grep -q "Set LaunchPath=$(command -v aria2c)" "$work/newuser-install.out"
  check "Keswel --check finds all in order" quietly "$newuser/Keswel" --check
  cp examples/sample.torrent "$work/Downloads/first.torrent"
  mapfile -d '' command < <(exec_argv "$XDG_DATA_HOME/applications/retrackers-tavrin.desktop" "$work/Downloads/first.torrent")
  status=0
  (cd "$work" && "${command[@]}" >"$work/newuser-client.out") || status=$?
  check "step 5: the entry's Exec line runs Tavrin (exit code 0)" test "$status" = 0
  for _ in $(seq 100); do grep -q "$retracker" "$work/newuser-client.out" 2>/dev/null && break; sleep 0.1; done
  check "aria2c got the torrent with the retracker added" grep -q "$retracker" "$work/newuser-client.out"
  check "uninstall" quietly "$newuser/retrackers-desktop.sh" uninstall
  kill "$listener_pid" 2>/dev/null || true
  rm -rf "${HOME:?}/.local" "${HOME:?}/.config"
fi

echo "== packages"
rm -f build/install/Retrackers-*.tar.gz
(cd build/install && cpack >/dev/null)
archive=$(ls build/install/Retrackers-*-Linux-*.tar.gz)
echo "$archive:"
tar tzf "$archive" | sed 's/^/  /'
for file in "${expected[@]}"; do
  check ".tar.gz holds Retrackers/$file" tar tzf "$archive" "Retrackers/$file" >/dev/null
done
mkdir "$work/unpacked"
tar xzf "$archive" -C "$work/unpacked"
check ".tar.gz holds the sample Settings.ini" cmp -s "$work/unpacked/Retrackers/Settings.ini" packaging/linux/Settings.ini
status=0
"$work/unpacked/Retrackers/Tavrin" examples/sample.torrent "$work/from-archive.torrent" || status=$?
check "the unpacked Tavrin runs" test "$status" = 0 -a -s "$work/from-archive.torrent"

# The Windows ZIP comes from the windows-x64 build, when that build exists
# here or its preset and MinGW are at hand.
windows_dir=build/windows-x64
if [[ ! -f $windows_dir/CMakeCache.txt ]] && cmake --list-presets 2>/dev/null | grep -q '"windows-x64"' &&
  command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1; then
  cmake --preset windows-x64 >/dev/null || true
fi
if [[ -f $windows_dir/CMakeCache.txt ]]; then
  windows_targets=(Tavrin)
  [[ $have_keswel == yes ]] && windows_targets+=(Keswel)
  cmake --build "$windows_dir" --target "${windows_targets[@]}" -j 2 >/dev/null
  rm -f "$windows_dir"/Retrackers-*.zip
  (cd "$windows_dir" && cpack >/dev/null)
  zip=$(ls "$windows_dir"/Retrackers-*-windows-*.zip)
  echo "$zip:"
  cmake -E tar tf "$zip" | sed 's/^/  /'
  windows_expected=(Tavrin.exe Settings.ini retrackers.ini README.md retrackers.reg retrackers-remove.reg)
  [[ $have_keswel == yes ]] && windows_expected+=(Keswel.exe)
  for file in "${windows_expected[@]}"; do
    check ".zip holds Retrackers/$file" grep -qxF "Retrackers/$file" <(cmake -E tar tf "$zip")
  done
else
  echo "skip the Windows .zip (no windows-x64 build here)"
fi

if ((failures)); then
  echo "install checks: $failures failed"
  exit 1
fi
echo "install checks: all passed"
