#!/usr/bin/env bash
# Installs what Korvex needs on Debian 12. Idempotent: packages already present are left
# alone. Run as root (or with sudo).
#   scripts/install-deps.sh                     # build, test, benchmark and fuzz on this machine
#   scripts/install-deps.sh --tool              # only what building and running krv needs
#   scripts/install-deps.sh --target linux-i386 # the first group and one other target's packages
#   scripts/install-deps.sh --cross             # the first group and every other target's packages
#   ... --unavailable FILE                      # see below
#
# The other targets (32-bit x86 Linux under qemu-i386, Windows x86-64 under Wine) are set up one
# by one. When apt cannot deliver a target's packages (a mirror out of step, say), that target
# is reported on one line, "install-deps: cannot set up TARGET: REASON", and the others go on.
# The script then exits 3; with --unavailable FILE it writes "TARGET<tab>REASON" lines to FILE
# instead and exits 0, so that a caller can skip those targets. Any other package that cannot be
# installed fails the script (exit 1).
#
# apt-get update is tried KORVEX_APT_TRIES times (default 3), KORVEX_APT_PAUSE seconds apart
# (default 15). When some indexes still cannot be read, it says which and goes on: apt-get
# install then decides whether what is needed can be installed from the indexes it has.
set -euo pipefail

usage() {
  sed -n 4,9p "$0" | sed 's/^# *//' >&2
  exit 2
}

tool_packages=(
  build-essential cmake ninja-build pkg-config
  libcli11-dev libpng-dev libfontconfig-dev fonts-dejavu-core fonts-liberation2
  libfreetype-dev libcairo2-dev libcups2-dev
  python3 pngcheck poppler-utils
)
host_packages=(
  "${tool_packages[@]}" git
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libssl-dev libpcre2-dev
  sharutils unicode-data
  x11-common
  xvfb zenity xdotool
  groff-base man-db
  cups-daemon cups-client fonts-dejavu-extra
  python3-dev pybind11-dev python3-pybind11 python3-pytest python3-numpy python3-pandas
  python3-venv python3-setuptools python3-pip
)
# GoogleTest is built for each target from Debian's sources.
target_names=(linux-i386 mingw-w64)
target_packages_linux_i386=(googletest g++-multilib qemu-user libpng-dev:i386 libfontconfig-dev:i386
  libfreetype-dev:i386 libcairo2-dev:i386 libcups2-dev:i386)
target_packages_mingw_w64=(googletest g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64)

group=host
targets=()
unavailable_file=""
while (($#)); do
  case "$1" in
  --tool) group=tool ;;
  --cross) targets=("${target_names[@]}") ;;
  --target)
    (($# >= 2)) || usage
    case " ${target_names[*]} " in *" $2 "*) ;; *) echo "install-deps: unknown target: $2" >&2 && exit 2 ;; esac
    targets+=("$2")
    shift
    ;;
  --unavailable)
    (($# >= 2)) || usage
    unavailable_file="$2"
    shift
    ;;
  *) usage ;;
  esac
  shift
done
[ -z "$unavailable_file" ] || : >"$unavailable_file"

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Prints the packages of "$@" that are not installed yet.
missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# apt-get update, retried; returns 0 even when some indexes could not be read, after naming them.
updated=""
unread=""
apt_update() {
  [ -z "$updated" ] || return 0
  updated=yes
  unread=""
  local tries=${KORVEX_APT_TRIES:-3} pause=${KORVEX_APT_PAUSE:-15} try
  for ((try = 1; try <= tries; try++)); do
    if $SUDO apt-get update 2>&1 | tee "$log"; then
      # apt-get update exits 0 in some cases where an index failed; the E: lines tell.
      grep -q '^E: Failed to fetch' "$log" || return 0
    fi
    if ((try < tries)); then
      echo "install-deps: apt-get update failed (try $try of $tries); trying again in ${pause}s" >&2
      sleep "$pause"
    fi
  done
  local failed
  failed=$(grep '^E: Failed to fetch' "$log" | sed -E 's/^E: Failed to fetch ([^ ]+) +(.*)$/\1 (\2)/' || true)
  # "Err:6 http://host/debian-security bookworm-security/main i386 Packages" -> the index's name.
  unread=$(sed -nE 's/^Err:[0-9]+ [^ ]+ (.*)$/\1/p' "$log" | paste -sd, - | sed 's/,/, /g')
  if [ -n "$failed" ]; then
    echo "install-deps: apt-get update could not read these indexes; going on without them:" >&2
    sed 's/^/  /' <<<"$failed" >&2
  else
    echo "install-deps: apt-get update failed $tries times; going on with the indexes there are" >&2
  fi
}

# The reason apt gave for the failure logged in $log, on one line.
apt_reason() {
  local unmet more reason
  unmet=$(sed -n '/have unmet dependencies:/,/^E:/{/^ [^ ]/p}' "$log" | sed -E 's/^ +//; s/ +/ /g')
  if [ -n "$unmet" ]; then
    reason=$(head -n 1 <<<"$unmet")
    more=$(($(wc -l <<<"$unmet") - 1))
    ((more == 0)) || reason+=" (and $more more unmet dependencies)"
  else
    reason=$(grep -E '^E: ' "$log" | head -n 1 | sed 's/^E: //' || true)
    [ -n "$reason" ] || reason=$(tail -n 1 "$log")
  fi
  reason=${reason:-apt-get install failed}
  [ -z "$unread" ] || reason+="; apt-get update could not read: $unread"
  echo "$reason"
}

# Installs "$@"; on failure leaves apt's output in $log and returns 1.
apt_install() {
  local missing
  mapfile -t missing < <(missing_of "$@")
  ((${#missing[@]})) || return 0
  apt_update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}" 2>&1 | tee "$log"
}

# The i386 libraries come from Debian's multiarch archive, added before the one update.
if [[ " ${targets[*]} " == *" linux-i386 "* ]] && [ -n "$(missing_of "${target_packages_linux_i386[@]}")" ] &&
  ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
if [ "$group" = tool ]; then
  apt_install "${tool_packages[@]}" || exit 1
else
  apt_install "${host_packages[@]}" || exit 1
fi

unavailable=0
for target in "${targets[@]}"; do
  var="target_packages_${target//-/_}[@]"
  packages=("${!var}")
  if ! apt_install "${packages[@]}"; then
    reason=$(apt_reason)
    echo "install-deps: cannot set up $target: $reason" >&2
    [ -z "$unavailable_file" ] || printf '%s\t%s\n' "$target" "$reason" >>"$unavailable_file"
    unavailable=1
  fi
done
if ((unavailable)) && [ -z "$unavailable_file" ]; then exit 3; fi
exit 0
