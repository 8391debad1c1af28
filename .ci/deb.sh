#!/usr/bin/env bash
# CI (as root): build the .deb with the "deb" preset, check it with lintian,
# install it with apt-get, use it as a fresh user (settings, log and written
# torrents must land in that user's XDG folders), remove and purge it (the
# user's files must stay), and leave the machine as it was: package purged,
# user removed. Network: 127.0.0.1 only.
set -euo pipefail
cd "$(dirname "$0")/.."

source .ci/packages.sh
ensure_packages lintian dpkg-dev desktop-file-utils python3 xdg-utils file aria2 gettext
source .ci/checks.sh
source .ci/loopback_peers.sh

package=retrackers
if dpkg -s "$package" >/dev/null 2>&1; then
  echo "$package is installed on this machine already; the .deb checks would replace it, so they do not run" >&2
  exit 1
fi

work=$(mktemp -d)
chmod 755 "$work"
user="rtci$$"
adopt_users=()
installed=no
listener_pid=
cleanup() {
  [[ -n $listener_pid ]] && kill "$listener_pid" 2>/dev/null || true
  if [[ $installed == yes ]]; then
    dpkg --purge "$package" >/dev/null 2>&1 || true
  fi
  for name in "$user" "${adopt_users[@]}"; do
    if id "$name" >/dev/null 2>&1; then
      userdel "$name" 2>/dev/null || true
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

echo "== build the .deb (cmake --workflow --preset deb)"
rm -f build/deb/"$package"_*.deb
cmake --workflow --preset deb >"$work/build.log" 2>&1 || { tail -40 "$work/build.log"; exit 1; }
deb=$(ls build/deb/"$package"_*.deb)
echo "$deb:"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p' | sed 's/^/  /'
dpkg-deb --contents "$deb" | awk '{print "  " $1 " " $2 " " $6}'

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for file in ./usr/bin/tavrin ./usr/bin/keswel ./usr/share/applications/retrackers-tavrin.desktop \
  ./usr/lib/systemd/user/retrackers-keswel.service ./usr/lib/systemd/user/retrackers-keswel.timer \
  ./usr/share/retrackers/Settings.ini ./usr/share/retrackers/retrackers.ini \
  ./usr/share/doc/retrackers/README.md ./usr/share/doc/retrackers/copyright \
  ./usr/share/doc/retrackers/changelog.Debian.gz ./usr/share/man/man1/tavrin.1.gz ./usr/share/man/man1/keswel.1.gz \
  ./usr/share/man/ru/man1/tavrin.1.gz ./usr/share/man/ru/man1/keswel.1.gz ./usr/share/doc/retrackers/README.ru.md; do
  check ".deb holds $file" grep -qxF "$file" <<<"$contents"
done
depends=$(dpkg-deb --field "$deb" Depends)
check "Depends comes from dpkg-shlibdeps (libc6 and libstdc++6 with versions): $depends" \
  grep -Eq 'libc6 \(>= [^)]+\).*libstdc\+\+6 \(>= [^)]+\)|libstdc\+\+6 \(>= [^)]+\).*libc6 \(>= [^)]+\)' <<<"$depends"
check "no maintainer scripts" test -z "$(dpkg-deb --ctrl-tarfile "$deb" | tar t | grep -E 'inst|rm$')"

echo "== lintian"
lintian --display-info --show-overrides "$deb" >"$work/lintian.txt" 2>&1 || true
sed 's/^/  /' "$work/lintian.txt"
check "lintian reports no tag that is not overridden" test -z "$(grep -E '^[EWIXP]:' "$work/lintian.txt" || true)"
check "po/ru.po: each translation keeps its message's conversions" msgfmt -c --check-format -o /dev/null po/ru.po
sh po/update.sh --pot "$work/current.pot"
check "po/ru.po translates every message the sources mark (po/update.sh refreshes it)" \
  msgcmp po/ru.po "$work/current.pot"

echo "== apt-get install ./$deb"
installed=yes
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; exit 1; }
check "dpkg knows $package" dpkg -s "$package" >/dev/null
check "tavrin and keswel are on PATH" test "$(command -v tavrin):$(command -v keswel)" = /usr/bin/tavrin:/usr/bin/keswel
check "desktop-file-validate is silent on the installed entry" \
  test -z "$(desktop-file-validate /usr/share/applications/retrackers-tavrin.desktop 2>&1)"
check "the entry runs /usr/bin/tavrin with the link or file" \
  grep -qx 'Exec=/usr/bin/tavrin %u' /usr/share/applications/retrackers-tavrin.desktop
if command -v systemd-analyze >/dev/null 2>&1; then
  mkdir -m 700 "$work/runtime"
  verify=$(XDG_RUNTIME_DIR="$work/runtime" systemd-analyze verify --user \
    /usr/lib/systemd/user/retrackers-keswel.service /usr/lib/systemd/user/retrackers-keswel.timer 2>&1) || true
  [[ -z $verify ]] || printf '%s\n' "$verify"
  check "systemd-analyze verify is silent on the installed units" test -z "$verify"
fi

echo "== a fresh user: $user"
home="$work/home"
useradd --create-home --home-dir "$home" --shell /bin/sh --user-group "$user"
# Runs a command as the user, in the home, with a clean environment: no
# XDG_* variables, so the programs use the defaults under $home.
as_user() { runuser -u "$user" -- env -i -C "$home" HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
config="$home/.config/retrackers" state="$home/.local/state/retrackers" data="$home/.local/share/retrackers/torrents"

# A retracker that accepts connections and one whose port is closed, both on
# 127.0.0.1, in a directory the user keeps in the config folder before any
# program ran (so first use copies the sample Settings.ini but keeps it).
start_listener "$work" 300
open_port=$listener_port
closed_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
as_user mkdir -p "$config"
{
  printf '[Город]\r\n1=Loopback\r\n[Провайдеры Loopback]\r\n1=Lo\r\n[Ретрекеры Loopback Lo]\r\nКоличество=2\r\n'
  printf '1=http://127.0.0.1:%s/announce\r\n2=http://127.0.0.1:%s/announce\r\n' "$open_port" "$closed_port"
} | iconv -f UTF-8 -t WINDOWS-1251 | as_user tee "$config/retrackers.ini" >/dev/null

# A stand-in client that records what it was given, one argument a line.
as_user tee "$home/record-client" >/dev/null <<'EOF'
#!/bin/sh
printf '%s\n' "$@" >"$HOME/client.args.part" && mv "$HOME/client.args.part" "$HOME/client.args"
EOF
as_user chmod +x "$home/record-client"
as_user cp /dev/stdin "$home/film.torrent" <examples/sample.torrent
magnet='magnet:?xt=urn:btih:0123456789abcdef0123456789abcdef01234567&dn=ci'

echo "== first use: a link through tavrin copies the sample settings"
status=0
as_user tavrin --output "$home/link-0.txt" "$magnet" || status=$?
check "tavrin exit code 0" test "$status" = 0
check "Settings.ini made from /usr/share/retrackers/Settings.ini" \
  cmp -s "$config/Settings.ini" /usr/share/retrackers/Settings.ini
check "/usr/share/retrackers/retrackers.ini is the default directory" \
  cmp -s /usr/share/retrackers/retrackers.ini packaging/retrackers-default.ini
check "the user's directory was kept" grep -qa "127.0.0.1:$open_port" "$config/retrackers.ini"
check "Tavrin.log lies in ~/.local/state/retrackers" grep -q "Running for torrent \"$magnet\"" "$state/Tavrin.log"
check "the state folder is the user's alone" test "$(stat -c '%a %U' "$state")" = "700 $user"
check "nothing was written beside the programs" test ! -e /usr/bin/Tavrin.log -a ! -e /usr/bin/Settings.ini

echo "== the user's language"
check "keswel --help in Russian for LANG=ru_RU.UTF-8 (locale not installed)" \
  grep -q '^использование: keswel\|^использование: Keswel' <(as_user env LANG=ru_RU.UTF-8 keswel --help)
check "keswel --help in English for LANG=C" grep -q '^usage: ' <(as_user env LANG=C keswel --help)

echo "== keswel --select 1 1"
as_user sed -i 's/^TrackerIniIndex=.*/TrackerIniIndex=/' "$config/Settings.ini"
status=0
as_user keswel --select 1 1 >"$work/select.out" 2>&1 || status=$?
check "keswel --select 1 1 stored TrackerIniIndex=0 0 (exit code $status)" \
  grep -qx 'TrackerIniIndex=0 0' "$config/Settings.ini"
# The steps below do not depend on --select: the index is set by hand if it failed.
grep -qx 'TrackerIniIndex=0 0' "$config/Settings.ini" ||
  as_user sed -i 's/^TrackerIniIndex=.*/TrackerIniIndex=0 0/' "$config/Settings.ini"

echo "== keswel"
status=0
as_user timeout 60 keswel >"$work/keswel.out" 2>&1 || status=$?
sed 's/^/  /' "$work/keswel.out"
check "keswel exit code 0" test "$status" = 0
check "keswel stored the loopback retracker that answered in the user's Settings.ini" \
  grep -qx 'TrackerCheck=1 0' "$config/Settings.ini"

echo "== tavrin on a torrent, as the desktop starts it"
as_user sed -i -e "s|^LaunchPath=.*|LaunchPath=$home/record-client|" -e 's|^LaunchArguments=.*|LaunchArguments=%1|' \
  "$config/Settings.ini"
status=0
as_user tavrin "$home/film.torrent" || status=$?
check "tavrin exit code 0" test "$status" = 0
check "the torrent was written to ~/.local/share/retrackers/torrents" test -s "$data/film.torrent"
check "with the retracker added" grep -qa "127.0.0.1:$open_port/announce" "$data/film.torrent"
check "and without the one that did not answer" bash -c "! grep -qa '127.0.0.1:$closed_port/' '$data/film.torrent'"
for _ in $(seq 100); do [[ -f $home/client.args ]] && break; sleep 0.1; done
check "the client got the written torrent" test "$(cat "$home/client.args" 2>/dev/null)" = "$data/film.torrent"
check "the torrent given stays as it was" cmp -s "$home/film.torrent" examples/sample.torrent

echo "== tavrin on a magnet link"
rm -f "$home/client.args"
status=0
as_user tavrin "$magnet" || status=$?
check "tavrin exit code 0" test "$status" = 0
for _ in $(seq 100); do [[ -f $home/client.args ]] && break; sleep 0.1; done
check "the client got the link with the retracker" \
  test "$(cat "$home/client.args" 2>/dev/null)" = "$magnet&tr=http%3a%2f%2f127.0.0.1%3a$open_port%2fannounce"
check "all three runs are in the user's log" test "$(grep -c 'Running for torrent' "$state/Tavrin.log")" = 3

adopt_start=$SECONDS
source .ci/deb_adopt.sh
echo "   (the adoption checks took $((SECONDS - adopt_start)) s)"

echo "== apt-get remove, then purge: the user's files stay"
(cd "$home" && find .config .local -type f -print0 | sort -z | xargs -0 sha256sum) >"$work/user-files.sha256"
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq "$package" >"$work/remove.log" 2>&1
check "the programs are gone" test ! -e /usr/bin/tavrin -a ! -e /usr/bin/keswel
check "the user's settings, directory, log and torrent are unchanged" \
  bash -c "cd '$home' && sha256sum --quiet -c '$work/user-files.sha256'"
# Without conffiles a removed package is gone from dpkg already; purging it
# again is what a user may do all the same.
dpkg --purge "$package" >"$work/purge.log" 2>&1
installed=no
check "purged" bash -c "! dpkg -s $package >/dev/null 2>&1"
check "the user's files are still unchanged" bash -c "cd '$home' && sha256sum --quiet -c '$work/user-files.sha256'"

if ((failures)); then
  echo ".deb checks: $passes passed, $failures failed"
  exit 1
fi
echo ".deb checks: all $passes passed"
