# apt-get that copes with an archive caught mid-sync: an index that fails to
# download, and the two architectures then unable to agree on versions.
# Sourced by scripts/bootstrap; $SUDO may be empty. A missing package or no
# archive at all still fails, with apt's own message, after bounded waiting.

KES_APT_TRIES=${KES_APT_TRIES:-3}
KES_APT_PAUSE=${KES_APT_PAUSE:-20}   # seconds between tries; 2 pauses at most

apt_codename() {
    local f=${KES_OS_RELEASE:-/etc/os-release}
    (. "$f" && echo "${VERSION_CODENAME:-}")
}

# Goes on with the lists it has when an index keeps failing; says which.
apt_update() {
    local try out rc
    for ((try = 1; try <= KES_APT_TRIES; try++)); do
        out=$($SUDO apt-get update -q 2>&1) && rc=0 || rc=$?
        if [ $rc -eq 0 ] && ! grep -q '^[EW]: Failed to fetch' <<<"$out"; then
            return 0
        fi
        [ $try -lt $KES_APT_TRIES ] && sleep "$KES_APT_PAUSE"
    done
    local failed
    failed=$(grep -oE '^[EW]: Failed to fetch [^ ]+' <<<"$out" | sed 's/.*Failed to fetch //' | paste -sd ' ')
    if [ -n "$failed" ]; then
        echo "bootstrap: apt-get update could not fetch $failed after $KES_APT_TRIES tries; going on with the lists it has"
    else
        printf '%s\n' "$out" >&2
        echo "bootstrap: apt-get update failed after $KES_APT_TRIES tries (exit $rc); going on with the lists it has"
    fi
    return 0
}

# "apt-get VERB ARGS"; if that cannot be resolved, once more with the
# release's own suite preferred, so both architectures take its versions.
apt_with_fallback() {
    local verb=$1; shift
    $SUDO apt-get "$verb" "$@" && return 0
    local codename
    codename=$(apt_codename)
    [ -n "$codename" ] || return 1
    echo "bootstrap: apt-get $verb failed; once more with -t $codename"
    $SUDO apt-get "$verb" -t "$codename" "$@"
}

apt_install() { apt_with_fallback install -y -q --no-install-recommends "$@"; }

apt_source() { SUDO= apt_with_fallback source -q "$@"; }
