#!/usr/bin/env bash
# Hooks the Tavrin and Keswel of this folder into the desktop of the user who
# runs it, and takes them out again.
#
#   retrackers-desktop.sh install [--with-timer]
#       A desktop entry that opens torrent files (application/x-bittorrent)
#       and magnet links (x-scheme-handler/magnet) with this folder's Tavrin,
#       made the default program for both. Before that, when LaunchPath in
#       Settings.ini is empty or names no program, the client that opened
#       them before becomes LaunchPath and LaunchArguments.
#       --with-timer also installs and enables a systemd user timer that runs
#       Keswel shortly after each login and once a day.
#   retrackers-desktop.sh uninstall
#       Removes exactly what install added and puts back the programs that
#       opened torrents and magnet links before. Settings.ini, the retracker directory and
#       Tavrin.log stay.
#
# Every change is written to desktop-integration.manifest in this folder as
# it is made; uninstall replays that record, so a failed install can be
# undone too. Exit code 0 on success, 1 on failure, 2 for wrong usage.
set -euo pipefail
shopt -u patsub_replacement 2>/dev/null || true

here=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")" && pwd -P)
tavrin="$here/Tavrin"
keswel="$here/Keswel"
templates="$here/integration"
manifest="$here/desktop-integration.manifest"

entry_id=retrackers-tavrin.desktop
service_id=retrackers-keswel.service
timer_id=retrackers-keswel.timer
# The types the entry takes over.
mimes=(application/x-bittorrent x-scheme-handler/magnet)

# XDG base directories; relative values are invalid and ignored.
data_home=${XDG_DATA_HOME:-}
[[ $data_home == /* ]] || data_home="$HOME/.local/share"
config_home=${XDG_CONFIG_HOME:-}
[[ $config_home == /* ]] || config_home="$HOME/.config"
apps="$data_home/applications"
entry="$apps/$entry_id"
cache="$apps/mimeinfo.cache"
mimeapps="$config_home/mimeapps.list"
legacy_mimeapps="$apps/mimeapps.list"
units="$config_home/systemd/user"
wants="$units/timers.target.wants"

# --- messages -----------------------------------------------------------------

# The first of the variables named by the arguments that is set and not empty.
first_set() {
  local name
  for name; do
    if [[ -n ${!name:-} ]]; then
      printf '%s' "${!name}"
      return
    fi
  done
}

# The console's character set: that of the locale, or where the locale is not
# generated, the codeset part of its name ("UTF-8" of "ru_RU.UTF-8@euro").
console_charset() {
  local name shown
  name=$(first_set LC_ALL LC_CTYPE LANG)
  # locale warns, one line each, before its answer when it cannot load the locale.
  if shown=$(env LC_ALL="$name" locale charmap 2>&1) && [[ $shown != *$'\n'* ]]; then
    printf '%s' "$shown"
  elif [[ $name == *.* ]]; then
    name=${name#*.}
    printf '%s' "${name%%@*}"
  fi
}

# The charset in which the messages are Russian, for iconv; "" for English.
# Russian when the first of LANGUAGE (its first entry), LC_ALL, LC_MESSAGES
# and LANG that is set names Russian and the console can show Cyrillic, as
# Tavrin and Keswel decide it.
russian_charset() {
  local language charset
  language=$(first_set LANGUAGE LC_ALL LC_MESSAGES LANG)
  [[ $language == ru || $language == ru[_.:@]* ]] || return 0
  charset=$(console_charset)
  charset=${charset,,}
  case ${charset//[-_]/} in
    utf8) printf UTF-8 ;;
    koi8r) printf KOI8-R ;;
    cp1251 | windows1251 | microsoftcp1251) printf CP1251 ;;
  esac
}

# The Russian messages (English message: Russian text), generated from the
# project's Russian catalogue when the folder is installed.
declare -A russian_messages=()
message_charset=
if [[ -f $templates/retrackers-desktop.ru.sh ]]; then
  message_charset=$(russian_charset)
  # shellcheck source=/dev/null
  if [[ $message_charset ]]; then source "$templates/retrackers-desktop.ru.sh"; fi
fi

# Message $1, an English printf format, in the user's language.
translate() {
  if [[ -z $message_charset || -z ${russian_messages[$1]+set} ]]; then
    printf '%s' "$1"
  elif [[ $message_charset == UTF-8 ]]; then
    printf '%s' "${russian_messages[$1]}"
  else
    printf '%s' "${russian_messages[$1]}" | iconv -f UTF-8 -t "$message_charset//TRANSLIT" 2>/dev/null ||
      printf '%s' "$1"
  fi
}

# Message $1 formatted with the remaining arguments (paths and values, %s
# each), on a line of its own.
say() {
  local format
  format=$(translate "$1")
  shift
  # shellcheck disable=SC2059 # the format is one of the messages
  printf "$format\n" "$@"
}
warn() {
  local format
  format=$(translate "$1")
  shift
  # shellcheck disable=SC2059
  printf "retrackers-desktop: $format\n" "$@" >&2
}
fail() {
  warn "$@"
  exit 1
}

# --- helpers -------------------------------------------------------------------

have() { command -v "$1" >/dev/null 2>&1; }
record() { printf '%s\t%s\n' "$1" "$2" >>"$manifest"; }

# Manifest lines "kind<TAB>value" in the order the changes were made.
manifest_lines() { [[ -f $manifest ]] && cat "$manifest" || true; }

# --- quoting for the generated files ---------------------------------------

# A path as one quoted argument of a desktop entry's Exec key: quoted-argument
# escapes first, then "%" doubled, then the string-value escape of "\".
desktop_exec_argument() {
  local s=$1 bs='\'
  # A path without reserved characters goes unquoted: xdg-mime (1.1) takes
  # the Exec line's first word as it stands and ignores an entry whose
  # program it cannot find.
  if [[ $s != *[[:space:]\"\'\\\>\<\~\|\&\;\$\*\?\#\(\)\`]* ]]; then
    printf '%s' "${s//'%'/'%%'}"
    return
  fi
  s=${s//"$bs"/"$bs$bs"}
  s=${s//'"'/"$bs\""}
  s=${s//'`'/"$bs\`"}
  s=${s//'$'/"$bs\$"}
  s="\"$s\""
  s=${s//'%'/'%%'}
  s=${s//"$bs"/"$bs$bs"}
  printf '%s' "$s"
}

# A path as a plain string value of a desktop entry (TryExec).
desktop_string() {
  local s=$1 bs='\'
  printf '%s' "${s//"$bs"/"$bs$bs"}"
}

# A path as the quoted program of a systemd Exec line: "%" (specifiers)
# doubled; "$" is not expanded in the program's own name. Quotes and
# backslashes are refused earlier.
systemd_exec_argument() {
  printf '"%s"' "${1//'%'/'%%'}"
}

# Writes template $1 to $2 with each @NAME@ of the remaining NAME=value
# arguments replaced. The target must not exist.
fill_template() {
  local template=$1 target=$2 text pair
  shift 2
  [[ -f $template ]] || fail "missing template %s" "$template"
  text=$(<"$template")
  for pair in "$@"; do
    text=${text//"@${pair%%=*}@"/"${pair#*=}"}
  done
  printf '%s\n' "$text" >"$target"
}

# --- directories and files ---------------------------------------------------

# Creates directory $1 and its missing parents, recording each one created.
make_dirs() {
  local dir=$1 missing=()
  while [[ ! -d $dir ]]; do
    missing=("$dir" "${missing[@]}")
    dir=$(dirname "$dir")
  done
  for dir in "${missing[@]}"; do
    mkdir "$dir"
    record dir "$dir"
  done
}

# Creates file $1 from template $2 (further arguments: substitutions),
# refusing to replace a file this folder did not put there.
add_file() {
  local target=$1 template=$2
  shift 2
  [[ -e $target || -L $target ]] &&
    fail "%s already exists; it belongs to another installation (run that one's uninstall) or was made by hand" "$target"
  make_dirs "$(dirname "$target")"
  record file "$target"
  fill_template "$template" "$target" "$@"
}

# --- mimeapps.list -------------------------------------------------------------

# The value of type $2 in the [Default Applications] group of file $1, ""
# when absent.
default_value() {
  [[ -f $1 ]] || return 0
  awk -v key="$2" '
    /^\[/ { group = $0; next }
    group == "[Default Applications]" && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }
  ' "$1"
}

# Rewrites file $1 for type $2: in [Default Applications] the line of $2
# becomes "$2=$3" (deleted when $3 is empty) if it names our entry first; in
# every group our entry leaves the lists of $2, and a list left empty is
# deleted.
release_mime() {
  local file=$1 mime=$2 previous=$3 tmp
  [[ -f $file ]] || return 0
  tmp="$file.retrackers.$$"
  awk -v key="$mime" -v id="$entry_id" -v previous="$previous" '
    /^\[/ { group = $0; print; next }
    index($0, key "=") == 1 {
      value = substr($0, length(key) + 2)
      if (group == "[Default Applications]" && (value == id || index(value, id ";") == 1)) {
        if (previous != "") print key "=" previous
        next
      }
      n = split(value, items, ";"); kept = ""
      for (i = 1; i <= n; i++) if (items[i] != "" && items[i] != id) kept = kept items[i] ";"
      if (kept == "") next
      if (kept != value) { print key "=" kept; next }
    }
    { print }
  ' "$file" >"$tmp"
  if cmp -s "$tmp" "$file"; then rm -f "$tmp"; else mv "$tmp" "$file"; fi
}

# Makes our entry the default for type $1 ourselves when xdg-mime is missing
# (what it does on a desktop it does not know).
set_default_without_xdg_mime() {
  local mime=$1 tmp="$mimeapps.retrackers.$$"
  [[ -f $mimeapps ]] || : >"$mimeapps"
  awk -v key="$mime" -v id="$entry_id" '
    /^\[/ {
      if (group == "[Default Applications]" && !done) { print key "=" id; done = 1 }
      group = $0; print; if (group == "[Default Applications]") seen = 1; next
    }
    group == "[Default Applications]" && index($0, key "=") == 1 { if (!done) print key "=" id; done = 1; next }
    { print }
    END {
      if (!done) { if (!seen) print "[Default Applications]"; print key "=" id }
    }
  ' "$mimeapps" >"$tmp"
  mv "$tmp" "$mimeapps"
}

# True when file $1 holds no key lines any more.
only_headers() { ! grep -qv -e '^\[' -e '^[[:space:]]*$' "$1"; }

# --- the client that opened torrents before -------------------------------------

# The type's current default desktop entry id, "" when none.
current_default() {
  if have xdg-mime; then
    xdg-mime query default "$1" 2>/dev/null | head -n 1 || true
  else
    default_value "$mimeapps" "$1" | cut -d';' -f1
  fi
}

# The file of desktop entry id $1 in the data directories, as the desktop
# looks it up ("a-b.desktop" may also lie as a/b.desktop).
entry_file() {
  local id=$1 dir dirs
  IFS=: read -r -a dirs <<<"$data_home:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"
  for dir in "${dirs[@]}"; do
    [[ $dir == /* ]] || continue
    if [[ -f $dir/applications/$id ]]; then
      printf '%s\n' "$dir/applications/$id"
      return 0
    fi
    if [[ -f $dir/applications/${id//-//} ]]; then
      printf '%s\n' "$dir/applications/${id//-//}"
      return 0
    fi
  done
  return 1
}

# The Exec value of the [Desktop Entry] group of file $1.
entry_exec() {
  awk '/^\[/ { group = $0; next } group == "[Desktop Entry]" && /^Exec[[:space:]]*=/ { sub(/^Exec[[:space:]]*=[[:space:]]*/, ""); print; exit }' "$1"
}

# When Settings.ini names no working client, Keswel takes over the one the
# earlier default entry starts (torrent files first, then magnet links). It
# writes Settings.ini itself, byte for byte as it was but for the two keys,
# never adopts Tavrin or a file opener, and says what it did.
adopt_client() {
  [[ -x $keswel ]] || return 0
  local mime id file exec
  for mime in "${mimes[@]}"; do
    id=$(current_default "$mime")
    [[ -n $id && $id != "$entry_id" ]] || continue
    file=$(entry_file "$id") || continue
    exec=$(entry_exec "$file")
    [[ -n $exec ]] || continue
    say "Your client so far: %s" "$id"
    "$keswel" --adopt-client "$exec" && return 0
  done
  return 0
}

# --- systemd ------------------------------------------------------------------

user_systemctl() { have systemctl && systemctl --user "$@" >/dev/null 2>&1; }

# --- install and uninstall -------------------------------------------------------

do_install() {
  local with_timer=$1
  [[ -x $tavrin ]] || fail "no Tavrin in %s; run this script from the installed folder" "$here"
  [[ $with_timer == no || -x $keswel ]] || fail "no Keswel in %s" "$here"
  case "$here" in
    *[[:cntrl:]]*) fail "the folder path holds a control character; move the folder and try again" ;;
  esac
  # systemd refuses to run a program whose path holds a quote or a backslash.
  if [[ $with_timer == yes && $here == *[\'\"\\]* ]]; then
    fail "systemd cannot run a program from a folder whose path holds %s %s or %s; move the folder (for example to ~/Retrackers) or leave out --with-timer" "'" '"' '\'
  fi
  if [[ -f $manifest ]]; then
    say "Replacing the earlier desktop integration of this folder."
    do_uninstall quiet
  fi

  # Whatever fails from here on (a refused file, a failed command) is undone
  # from the manifest when the script exits.
  installing=yes
  trap undo_failed_install EXIT
  : >"$manifest"

  make_dirs "$apps"
  # A cache that we create goes again; one that was there is rebuilt after
  # the entry has gone.
  if have update-desktop-database; then
    if [[ -f $cache ]]; then record cache-refresh "$apps"; else record file "$cache"; fi
  fi
  add_file "$entry" "$templates/$entry_id.in" \
    "TRYEXEC=$(desktop_string "$tavrin")" "EXEC=$(desktop_exec_argument "$tavrin")"
  if have desktop-file-validate; then
    desktop-file-validate "$entry"
  fi
  if have update-desktop-database; then
    update-desktop-database "$apps"
  fi
  say "Added %s" "$entry"

  adopt_client

  # Each previous default goes into the record before ours replaces it.
  if [[ ! -f $mimeapps ]]; then
    make_dirs "$config_home"
    record file-if-empty "$mimeapps"
  fi
  local mime
  for mime in "${mimes[@]}"; do
    record default "$mime=$(default_value "$mimeapps" "$mime")"
    if have xdg-mime; then
      xdg-mime default "$entry_id" "$mime"
    else
      set_default_without_xdg_mime "$mime"
    fi
    case $mime in
      application/x-bittorrent) say "Torrent files now open with Tavrin (%s)." "$mime" ;;
      x-scheme-handler/magnet) say "Magnet links now open with Tavrin (%s)." "$mime" ;;
    esac
  done

  if [[ $with_timer == yes ]]; then
    add_file "$units/$service_id" "$templates/$service_id.in" "EXECSTART=$(systemd_exec_argument "$keswel")"
    add_file "$units/$timer_id" "$templates/$timer_id.in"
    local wants_existed=no
    [[ -d $wants ]] && wants_existed=yes
    if user_systemctl daemon-reload && user_systemctl enable --now "$timer_id"; then
      if [[ $wants_existed == no && -d $wants ]]; then record dir "$wants"; fi
      record file "$wants/$timer_id"
      record enabled "$timer_id"
      say "Keswel now runs shortly after each login and once a day (systemctl --user list-timers shows it)."
    else
      # No user service manager to talk to (for example over ssh, or in a
      # container): link the timer as "enable" does; it starts at the next login.
      make_dirs "$wants"
      record file "$wants/$timer_id"
      ln -s "../$timer_id" "$wants/$timer_id"
      say "Keswel will run shortly after your next login and once a day (timer enabled; systemctl --user was not reachable)."
    fi
  fi
  installing=no
  say "Check the setup with: %s --check" "$keswel"
}

undo_failed_install() {
  if [[ $installing == yes ]]; then
    warn "install failed; undoing it"
    do_uninstall quiet
  fi
}

do_uninstall() {
  local quiet=${1:-}
  if [[ ! -f $manifest ]]; then
    [[ $quiet ]] || say "Nothing to remove: this folder's desktop integration is not installed."
    return 0
  fi
  local -a kinds=() values=()
  local kind value mime known
  while IFS=$'\t' read -r kind value; do
    kinds+=("$kind")
    values+=("$value")
  done < <(manifest_lines)

  local i reload=no
  # Undo in reverse order of the record.
  for ((i = ${#kinds[@]} - 1; i >= 0; i--)); do
    kind=${kinds[i]}
    value=${values[i]}
    case $kind in
      enabled)
        user_systemctl disable --now "$value" || true
        reload=yes
        ;;
      default)
        # "type=previous", as in mimeapps.list; a record without the type is
        # from an install that took over torrent files only.
        mime=application/x-bittorrent
        for known in "${mimes[@]}"; do
          if [[ $value == "$known="* ]]; then
            mime=$known
            value=${value#"$known="}
          fi
        done
        release_mime "$mimeapps" "$mime" "$value"
        release_mime "$legacy_mimeapps" "$mime" ""
        ;;
      file-if-empty)
        if [[ -f $value ]] && only_headers "$value"; then rm -f "$value"; fi
        ;;
      file)
        if [[ -e $value || -L $value ]]; then rm -f "$value"; fi
        case $value in "$units"/*) reload=yes ;; esac
        ;;
      cache-refresh)
        have update-desktop-database && update-desktop-database "$value" 2>/dev/null || true
        ;;
      dir)
        rmdir "$value" 2>/dev/null || true
        ;;
    esac
  done
  if [[ $reload == yes ]]; then user_systemctl daemon-reload || true; fi
  rm -f "$manifest"
  [[ $quiet ]] || say "Removed the desktop integration of %s (Settings.ini, the directory and Tavrin.log stay)." "$here"
}

usage() {
  say "usage: %s install [--with-timer] | uninstall" "$(basename "$0")" >&2
  exit 2
}

case ${1:-} in
  install)
    with_timer=no
    shift
    for option in "$@"; do
      case $option in
        --with-timer) with_timer=yes ;;
        *) usage ;;
      esac
    done
    do_install "$with_timer"
    ;;
  uninstall)
    (($# == 1)) || usage
    do_uninstall
    ;;
  *) usage ;;
esac
