# A private X server for one run, sourced by scripts/wine-run, wine-prefix and
# run. Xvfb picks a free display itself and writes its number to a pipe
# (-displayfd): no lock-file scan that two servers can race for, and a server
# that fails says so at once instead of leaving the caller on a dead display.
#
#   xserver_start LOGFILE   sets DISPLAY and KES_XVFB_PID; 1 when it failed
#   xserver_stop            ends the server and waits for it to be gone

KES_XVFB_PID=

xserver_start() {
    local log=$1 fifo display=
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/kes-x.XXXXXX")
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" >"$log" 2>&1 &
    KES_XVFB_PID=$!
    # The read ends at the number, or at EOF when the server died first.
    read -r -t 30 display <"$fifo"
    rm -f "$fifo"
    if [ -z "$display" ] || ! kill -0 "$KES_XVFB_PID" 2>/dev/null; then
        kill "$KES_XVFB_PID" 2>/dev/null
        wait "$KES_XVFB_PID" 2>/dev/null
        KES_XVFB_PID=
        return 1
    fi
    export DISPLAY=":$display"
    unset XAUTHORITY
}

xserver_stop() {
    [ -n "$KES_XVFB_PID" ] || return 0
    kill "$KES_XVFB_PID" 2>/dev/null
    wait "$KES_XVFB_PID" 2>/dev/null
    KES_XVFB_PID=
}
