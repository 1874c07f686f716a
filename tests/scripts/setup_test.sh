#!/usr/bin/env bash
# scripts/setup's decisions, with stand-ins for the package tools on PATH: a
# package-list update that fails, an optional package that cannot be had, a
# required one that cannot be had, and a machine that needs nothing.
set -u
setup=$(cd "$(dirname "$0")/../.." && pwd)/scripts/setup
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

make_stand_ins() {
  local bin=$1
  mkdir -p "$bin"
  # Installed unless named in $STATE/missing; apt-get install takes names off it.
  cat > "$bin/dpkg-query" <<'SH'
#!/usr/bin/env bash
pkg=${!#}
grep -qxF -- "$pkg" "$STATE/missing" && exit 1
echo -n "install ok installed"
SH
  cat > "$bin/apt-get" <<'SH'
#!/usr/bin/env bash
echo "apt-get $*" >> "$STATE/calls"
case "$1" in
  update) [ -e "$STATE/fail-update" ] && exit 100; exit 0 ;;
esac
pkgs=()
for a in "$@"; do case "$a" in install|-y|-q) ;; *) pkgs+=("$a") ;; esac; done
for p in "${pkgs[@]}"; do
  if grep -qxF -- "$p" "$STATE/uninstallable" 2>/dev/null; then
    echo "E: Unable to install $p" >&2; exit 100
  fi
done
for p in "${pkgs[@]}"; do grep -vxF -- "$p" "$STATE/missing" > "$STATE/m"; mv "$STATE/m" "$STATE/missing"; done
SH
  cat > "$bin/dpkg" <<'SH'
#!/usr/bin/env bash
echo "dpkg $*" >> "$STATE/calls"
SH
  cat > "$bin/sudo" <<'SH'
#!/usr/bin/env bash
exec "$@"
SH
  printf '#!/bin/sh\necho zh_CN.utf8\n' > "$bin/locale"
  printf '#!/bin/sh\nexit 0\n' > "$bin/i686-w64-mingw32-g++-posix"
  chmod +x "$bin"/*
}

bin="$work/bin"
make_stand_ins "$bin"

# name | missing before | uninstallable | update fails | exit | output must hold | calls must hold
cases=(
  "nothing to do|wine32:i386|||0|setup: ok|^$"
  "all installed at once|cmake wine64 wine32:i386|||0|setup: ok|install -y -q cmake wine64"
  "update fails: warned, lists kept|cmake wine32:i386||1|0|apt-get update failed 3 times|install -y -q cmake"
  "optional cannot be had|wine64 wine32:i386|wine32:i386||0|wine32:i386 could not be installed; the 64-bit build will be tested|install -y -q wine64"
  "broken index: update and optional fail|cmake wine64 wine32:i386|wine32:i386|1|0|the 64-bit build will be tested|install -y -q cmake wine64"
  "required cannot be had|cmake wine64 wine32:i386|wine64||1|cannot install required package(s): wine64$|install -y -q cmake"
)

for c in "${cases[@]}"; do
  IFS='|' read -r name missing uninstallable failupdate want_rc want_out want_calls <<< "$c"
  export STATE="$work/state"
  rm -rf "$STATE"; mkdir -p "$STATE"; : > "$STATE/calls"
  tr ' ' '\n' <<< "$missing" > "$STATE/missing"
  tr ' ' '\n' <<< "$uninstallable" > "$STATE/uninstallable"
  [ -n "$failupdate" ] && touch "$STATE/fail-update"
  out=$(PATH="$bin:$PATH" TOBRIX_SETUP_RETRY_PAUSE=0 bash "$setup" 2>&1); rc=$?
  calls=$(cat "$STATE/calls")
  ok=1
  [ "$rc" = "$want_rc" ] || { echo "  exit $rc, wanted $want_rc"; ok=0; }
  grep -qE -- "$(sed 's/[()]/\\&/g' <<< "$want_out")" <<< "$out" || { echo "  output lacks: $want_out"; ok=0; }
  if [ "$want_calls" = "^$" ]; then
    [ -z "$calls" ] || { echo "  called package tools: $calls"; ok=0; }
  else
    grep -qF -- "$want_calls" <<< "$calls" || { echo "  calls lack: $want_calls"; ok=0; }
  fi
  case "$name" in
    update*|broken*) [ "$(grep -c '^apt-get update' <<< "$calls")" = 3 ] || { echo "  update not tried 3 times"; ok=0; } ;;
  esac
  # A required package left out only when it cannot be had.
  if [ "$want_rc" = 0 ] && grep -qvxF -e wine32:i386 -e '' "$STATE/missing"; then
    echo "  still missing: $(tr '\n' ' ' < "$STATE/missing")"; ok=0
  fi
  if [ $ok = 1 ]; then echo "ok   $name"; else echo "FAIL $name"; echo "$out" | sed 's/^/    | /'; failures=$((failures + 1)); fi
done
[ $failures -eq 0 ]
