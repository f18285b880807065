#!/usr/bin/env bash
# The bootstrap's apt helpers against a stand-in apt-get that fails the ways a
# mirror caught mid-sync does. The real apt state is never touched.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
echo "$*" >>"$APT_CALLS"
case "$APT_MODE:$*" in
    stale-index:update*)
        echo "E: Failed to fetch http://mirror.test/dists/sec/main/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress?" >&2
        exit 100 ;;
    *:update*) exit 0 ;;
    *nosuch*)
        echo "E: Unable to locate package nosuch" >&2; exit 100 ;;
    *" -t testcodename "*) exit 0 ;;
    *) echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;;
esac
STANDIN
chmod +x "$work/bin/apt-get"
printf 'ID=debian\nVERSION_CODENAME=testcodename\n' >"$work/os-release"

failures=0
check() {  # description, then a command that must succeed
    local what=$1; shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

# Runs one helper in a fresh shell with the stand-in first on PATH.
run() {
    local mode=$1; shift
    : >"$work/calls"
    APT_MODE=$mode APT_CALLS="$work/calls" PATH="$work/bin:$PATH" KES_OS_RELEASE="$work/os-release" \
        KES_APT_PAUSE=1 SUDO= bash -c '. "$0/scripts/lib/apt.sh"; "$@"' "$top" "$@" >"$work/out" 2>"$work/err"
}
calls() { grep -c "^$1" "$work/calls"; }

start=$SECONDS
run stale-index apt_update
rc=$?
check "update: goes on when an index keeps failing" [ $rc -eq 0 ]
check "update: tried more than once" [ "$(calls update)" -gt 1 ]
check "update: bounded tries" [ "$(calls update)" -le 5 ]
check "update: one line names the failing index" \
    [ "$(grep -c 'could not fetch http://mirror.test/dists/sec/main/binary-i386/Packages.xz' "$work/out")" -eq 1 ]
check "update: bounded waiting" [ $((SECONDS - start)) -lt 20 ]

run ok apt_update
check "update: one call when all is well" [ "$(calls update)" -eq 1 ]
check "update: silent when all is well" [ ! -s "$work/out" ]

run held apt_install wine32:i386 xvfb
rc=$?
check "install: resolved with the release suite" [ $rc -eq 0 ]
check "install: the retry names the os-release codename" grep -q -- '^install -t testcodename .*wine32:i386 xvfb$' "$work/calls"

run held apt_source lua5.1
rc=$?
check "source: resolved with the release suite" [ $rc -eq 0 ]
check "source: retried once with -t" [ "$(calls 'source -t testcodename')" -eq 1 ]

run held apt_install nosuch
rc=$?
check "missing package: fails" [ $rc -ne 0 ]
check "missing package: apt's error is shown" grep -q 'Unable to locate package nosuch' "$work/err"
check "missing package: tried twice at most" [ "$(calls install)" -le 2 ]

[ $failures -eq 0 ]
