#!/usr/bin/env bash
# scripts/release is reproducible and its signature comes off cleanly: two
# copies of the working tree at paths of different length build the same
# SHA256SUMS, and a signed exe less its signature is byte for byte the
# other copy's unsigned build. Two builds, a few minutes.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd -P)
cd "$top"
work=$(mktemp -d "${TMPDIR:-/tmp}/kes-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=i686-w64-mingw32
exe=KestruneSetup.exe

passed=0 failed=0
check() {  # description, then a command that must succeed
    local what=$1; shift
    if "$@"; then echo "ok   $what"; passed=$((passed + 1)); else echo "FAIL $what"; failed=$((failed + 1)); fi
}
part() { echo "== $*"; part_start=$SECONDS; }
part_end() { echo "   ($1: $((SECONDS - part_start))s)"; }

# The tracked and new files as they are now, and the Lua source the build needs.
copy_tree() {
    mkdir -p "$1/.deps"
    git ls-files -z -co --exclude-standard | while IFS= read -r -d '' f; do
        if [ -e "$f" ] || [ -L "$f" ]; then cp -a --parents -- "$f" "$1/"; fi
    done
    cp -a .deps/lua5.1 "$1/.deps/"
}
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
pe_header() { u32 "$1" 60; }
build_id() { $prefix-objdump -p "$1" | sed -n 's/.*RSDS signature \([0-9a-f]*\).*/\1/p' | head -n 1; }
symbols() { $prefix-nm "$1" 2>/dev/null | wc -l; }
differs() { ! cmp -s "$1" "$2"; }
sum_of() { awk -v f="$2" '$2 == f { print $1 }' "$1"; }
# Every differing byte past the first few is summarised, not listed.
explain_difference() {  # file, reference
    local got=$1 want=$2 checksum
    checksum=$(( $(pe_header "$want") + 88 ))
    echo "   $(basename "$got"): $(stat -c %s "$got") bytes, the unsigned build: $(stat -c %s "$want") bytes"
    cmp -l "$got" "$want" 2>/dev/null | head -n 8 | while read -r at mine theirs; do
        local off=$((at - 1)) what=
        [ $off -lt $checksum ] || [ $off -ge $((checksum + 4)) ] || what=" (PE CheckSum field)"
        printf '   byte 0x%x: 0x%02x here, 0x%02x in the unsigned build%s\n' $off $((8#$mine)) $((8#$theirs)) "$what"
    done
    if [ "$(stat -c %s "$got")" -gt "$(stat -c %s "$want")" ]; then
        echo "   bytes past the unsigned build's end: $(tail -c +$(( $(stat -c %s "$want") + 1 )) "$got" | od -An -tx1 | tr -s ' ')"
    fi
    printf '   PE CheckSum: 0x%08x here, 0x%08x in the unsigned build\n' \
        "$(u32 "$got" $(( $(pe_header "$got") + 88 )))" "$(u32 "$want" $checksum)"
}

if git rev-parse --git-dir >/dev/null 2>&1; then
    epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
else
    echo "release_test: needs a git checkout to know which files to copy" >&2
    exit 1
fi
export SOURCE_DATE_EPOCH=$epoch
a=$work/a
b=$work/bb/deeper
echo "release_test: SOURCE_DATE_EPOCH=$epoch, copies in $a and $b"

part "reproducibility: two builds at different paths"
for dir in "$a" "$b"; do
    copy_tree "$dir"
    start=$SECONDS
    rc=0
    (cd "$dir" && scripts/release) >"$work/release-$(basename "$dir").log" 2>&1 || rc=$?
    echo "   build in $dir: $((SECONDS - start))s, exit $rc"
    [ $rc -eq 0 ] || tail -n 30 "$work/release-$(basename "$dir").log" | sed 's/^/   | /'
done
ra=$a/build/release rb=$b/build/release
check "both builds wrote SHA256SUMS" [ -s "$ra/SHA256SUMS" -a -s "$rb/SHA256SUMS" ]
if [ -s "$ra/SHA256SUMS" ] && [ -s "$rb/SHA256SUMS" ]; then
    sed 's/^/   /' "$ra/SHA256SUMS"
    check "SHA256SUMS lists the exe, its unstripped copy and the check program" \
        [ -n "$(sum_of "$ra/SHA256SUMS" $exe)" -a -n "$(sum_of "$ra/SHA256SUMS" KestruneSetup.unstripped.exe)" \
          -a -n "$(sum_of "$ra/SHA256SUMS" KestruneSetupCheck.exe)" ]
    check "the two builds' SHA256SUMS are identical" cmp -s "$ra/SHA256SUMS" "$rb/SHA256SUMS"
    cmp -s "$ra/SHA256SUMS" "$rb/SHA256SUMS" || diff "$ra/SHA256SUMS" "$rb/SHA256SUMS" | sed 's/^/   /'
    check "SHA256SUMS matches the files beside it" bash -c "cd '$ra' && sha256sum --quiet -c SHA256SUMS"
    stamp=$(u32 "$ra/$exe" $(( $(pe_header "$ra/$exe") + 8 )))
    check "the PE time stamp is SOURCE_DATE_EPOCH ($stamp)" [ "$stamp" = "$epoch" ]
    id=$(build_id "$ra/$exe")
    check "the stripped and unstripped exe carry one build id ($id)" \
        [ -n "$id" -a "$id" = "$(build_id "$ra/KestruneSetup.unstripped.exe")" ]
    check "the exe has no symbols, the unstripped copy has them" \
        [ "$(symbols "$ra/$exe")" -eq 0 -a "$(symbols "$ra/KestruneSetup.unstripped.exe")" -gt 100 ]
fi
part_end reproducibility

part "signing: a throwaway certificate, verify, remove the signature"
unsigned_sum=$(sum_of "$rb/SHA256SUMS" $exe 2>/dev/null)
rc=0
(cd "$a" && KES_SIGN_CERT=$work/cert.pem scripts/release) >"$work/half.log" 2>&1 || rc=$?
check "only KES_SIGN_CERT set: refused, naming KES_SIGN_KEY" \
    [ $rc -ne 0 -a "$(grep -c 'KES_SIGN_KEY is not' "$work/half.log")" -eq 1 ]
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Kestrune Release Test" \
    -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=critical,digitalSignature" \
    -keyout "$work/key.pem" -out "$work/cert.pem" >"$work/openssl.log" 2>&1 ||
    { cat "$work/openssl.log"; echo "release_test: openssl could not make a certificate"; exit 1; }
# The tree is built: only signing, stripping and checksums run again.
rc=0
(cd "$a" && KES_SIGN_CERT=$work/cert.pem KES_SIGN_KEY=$work/key.pem KES_SIGN_CAFILE=$work/cert.pem \
    scripts/release) >"$work/sign.log" 2>&1 || rc=$?
check "scripts/release with the signing variables succeeds" [ $rc -eq 0 ]
[ $rc -eq 0 ] || grep -v '^  ' "$work/sign.log" | tail -n 10 | sed 's/^/   | /'
if [ -f "$ra/KestruneSetup.unsigned.exe" ] && [ -f "$ra/$exe" ]; then
    check "the unsigned exe is the other copy's build" \
        [ "$(sha256sum <"$ra/KestruneSetup.unsigned.exe" | cut -d' ' -f1)" = "$unsigned_sum" ]
    check "SHA256SUMS keeps the unsigned exe's line" \
        [ "$(sum_of "$ra/SHA256SUMS" KestruneSetup.unsigned.exe 2>/dev/null)" = "$unsigned_sum" ]
    check "the shipped exe is not the unsigned one" differs "$ra/$exe" "$rb/$exe"
    rc=0
    osslsigncode verify -CAfile "$work/cert.pem" -in "$ra/$exe" >"$work/verify.log" 2>&1 || rc=$?
    grep -E 'Signature verification|Subject|Current message digest|Calculated message digest|Number of verified|Succeeded|Failed' \
        "$work/verify.log" | awk '!seen[$0]++' | sed 's/^[[:space:]]*/   verify: /'
    check "osslsigncode verify -CAfile cert.pem: exit 0" [ $rc -eq 0 ]
    check "osslsigncode verify says the signature is valid" grep -q '^Signature verification: ok' "$work/verify.log"
    rc=0
    osslsigncode remove-signature -in "$ra/$exe" -out "$work/removed.exe" >"$work/remove.log" 2>&1 || rc=$?
    sed 's/^/   remove-signature: /' "$work/remove.log"
    check "osslsigncode remove-signature: exit 0" [ $rc -eq 0 ]
    if [ -f "$work/removed.exe" ]; then
        check "the signed exe less its signature is byte for byte the other copy's unsigned build" \
            cmp -s "$work/removed.exe" "$rb/$exe"
        cmp -s "$work/removed.exe" "$rb/$exe" || explain_difference "$work/removed.exe" "$rb/$exe"
    fi
else
    check "the signed release wrote $exe and KestruneSetup.unsigned.exe" false
fi
part_end signing

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
