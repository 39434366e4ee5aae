# Sourced by the scripts that need a virtual display. start_xvfb starts Xvfb on a display number
# the server picks itself (-displayfd), so it never takes one that belongs to someone else, waits
# until it answers, and exports DISPLAY; xvfb holds its process id for the caller's clean-up.
# -noreset: without it the server resets itself each time its last client leaves (the probe below,
# or a program between two starts), and a program that connects during that reset is dropped with
# "could not connect to display".
start_xvfb() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
    xvfb=$!
    local number
    if ! read -r -t 10 number <"$fifo"; then
        rm -f "$fifo"
        echo "Xvfb did not start" >&2
        return 1
    fi
    rm -f "$fifo"
    export DISPLAY=":$number"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "Xvfb on $DISPLAY does not answer" >&2
    return 1
}
