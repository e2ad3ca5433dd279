#!/usr/bin/env bash
# Runs scripts/install-deps.sh against a stand-in apt (apt-get, dpkg, dpkg-query on PATH) that
# can fail chosen index downloads and refuse chosen packages, and checks what it installs, what
# it reports and how it exits.
set -euo pipefail
script="$(cd "$(dirname "$0")/../.." && pwd)/scripts/install-deps.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

# The stand-in keeps its state in $FAKE: installed (one package a line), updates (a line per
# apt-get update), arch. FAKE_UPDATE_FAILS: how many updates fail first; FAKE_REFUSE: an
# extended regular expression of the packages that cannot be installed.
cat >"$work/bin/apt-get" <<'TOOL'
#!/usr/bin/env bash
case "$1" in
update)
  echo update >>"$FAKE/updates"
  if (($(wc -l <"$FAKE/updates") <= ${FAKE_UPDATE_FAILS:-0})); then
    echo "Err:6 http://deb.example/debian-security bookworm-security/main i386 Packages"
    echo "  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    echo "E: Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100
  fi ;;
install)
  shift 2
  refused=()
  for p in "$@"; do [[ -n "${FAKE_REFUSE:-}" && "$p" =~ ^($FAKE_REFUSE)$ ]] && refused+=("$p"); done
  if ((${#refused[@]})); then
    echo "The following packages have unmet dependencies:"
    for p in "${refused[@]}"; do
      echo " $p : Depends: libpng16-16:i386 (= 1.6.39-2+deb12u5) but it is not going to be installed"
      echo "              Depends: zlib1g-dev:i386 but it is not going to be installed"
    done
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100
  fi
  printf '%s\n' "$@" >>"$FAKE/installed" ;;
esac
TOOL
cat >"$work/bin/dpkg-query" <<'TOOL'
#!/usr/bin/env bash
grep -qxF -- "${!#}" "$FAKE/installed" && printf 'install ok installed'
TOOL
cat >"$work/bin/dpkg" <<'TOOL'
#!/usr/bin/env bash
case "$1" in
--print-foreign-architectures) cat "$FAKE/arch" ;;
--add-architecture) echo "$2" >>"$FAKE/arch" ;;
esac
TOOL
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work"/bin/*

failures=0
# run NAME EXPECTED_STATUS ARGS...: a fresh stand-in machine, then the script; its output is
# left in $out and its state in $FAKE.
run() {
  local name="$1" expected="$2" status=0
  shift 2
  FAKE="$work/$name"
  mkdir "$FAKE"
  : >"$FAKE/installed" && : >"$FAKE/updates" && : >"$FAKE/arch"
  [ -z "${PREINSTALLED:-}" ] || printf '%s\n' $PREINSTALLED >"$FAKE/installed"
  out="$FAKE/output"
  FAKE="$FAKE" PATH="$work/bin:$PATH" KORVEX_APT_PAUSE=0 "$script" "$@" >"$out" 2>&1 || status=$?
  if [ "$status" != "$expected" ]; then
    echo "FAIL $name: exit $status, expected $expected"
    sed 's/^/    /' "$out"
    failures=$((failures + 1))
  fi
}
expect() { # expect NAME DESCRIPTION COMMAND...
  local name="$1" what="$2"
  shift 2
  if ! "$@"; then
    echo "FAIL $name: $what"
    failures=$((failures + 1))
  fi
}
installed() { grep -qxF -- "$1" "$FAKE/installed"; }
updates() { [ "$(wc -l <"$FAKE/updates")" = "$1" ]; }

run all-install 0 --cross
expect all-install "one update" updates 1
expect all-install "cmake installed" installed cmake
expect all-install "i386 libraries installed" installed libpng-dev:i386
expect all-install "wine installed" installed wine64
expect all-install "i386 architecture added" grep -qx i386 "$FAKE/arch"

PREINSTALLED="cmake" run tool-only 0 --tool
expect tool-only "krv's packages installed" installed libcli11-dev
expect tool-only "no test packages" eval '! installed libgtest-dev'

FAKE_UPDATE_FAILS=2 run update-retried 0
expect update-retried "three updates" updates 3
expect update-retried "no index reported" eval '! grep -q "could not read" "$out"'

unavailable="$work/unavailable"
FAKE_UPDATE_FAILS=99 FAKE_REFUSE='libpng-dev:i386' run i386-skipped 0 --cross --unavailable "$unavailable"
expect i386-skipped "three updates, then on" updates 3
expect i386-skipped "the unread index named" grep -q 'binary-i386/Packages.xz (File has unexpected size' "$out"
expect i386-skipped "Windows packages installed" installed wine64
expect i386-skipped "only linux-i386 unavailable" [ "$(cut -f1 "$unavailable")" = linux-i386 ]
expect i386-skipped "apt's reason given" grep -q $'^linux-i386\tlibpng-dev:i386 : Depends: libpng16-16:i386 (= 1.6.39-2+deb12u5) but it is not going to be installed; apt-get update could not read: bookworm-security/main i386 Packages$' "$unavailable"
expect i386-skipped "one line says so" grep -q '^install-deps: cannot set up linux-i386: libpng-dev:i386 : Depends' "$out"

FAKE_REFUSE='libpng-dev:i386|wine64' run both-refused 3 --cross
expect both-refused "both named" eval '[ "$(grep -c "^install-deps: cannot set up" "$out")" = 2 ]'

FAKE_REFUSE='libgtest-dev' run host-refused 1 --target mingw-w64
expect host-refused "no target tried" eval '! installed wine64'

PREINSTALLED="$(bash -c "source <(sed -n '/^tool_packages=(/,/^)/p' '$script'); echo \${tool_packages[*]}")" \
  run nothing-missing 0 --tool
expect nothing-missing "no update" updates 0

run bad-target 2 --target vax
if ((failures)); then exit 1; fi
echo "install-deps: all cases passed"
