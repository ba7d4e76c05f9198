# Sourced by the scripts that look at windows as a user would: an X server
# (Xvfb) with a real window manager (openbox), and xdotool and ImageMagick to
# drive it and take screenshots. Needs scripts/packages.sh.

install_missing xvfb openbox xdotool imagemagick

# What the session started, and what the caller adds with session_track: ended
# in reverse, so that the X server goes last and no client loses its server.
session_pids=()

session_track() {
    session_pids+=("$1")
}

session_stop() {
    local i
    for ((i = ${#session_pids[@]} - 1; i >= 0; i--)); do
        kill "${session_pids[i]}" 2>/dev/null || true
        wait "${session_pids[i]}" 2>/dev/null || true
    done
    session_pids=()
}

# Starts Xvfb on DISPLAY_NAME with openbox in it and exports DISPLAY. Waits for
# the server by asking it, never by the clock alone.
session_start() {
    Xvfb "$1" -screen 0 1024x700x24 -nolisten tcp &
    session_track $!
    export DISPLAY=$1
    for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
    openbox &
    session_track $!
    # Windows mapped before the manager runs would be left undecorated.
    sleep 1
}

# The first visible window whose name matches the pattern, once it is there
# (at most ten seconds); empty when none came.
session_find_window() {
    local window
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) && [ -n "$window" ] && break
        sleep 0.1
    done
    echo "$window"
}
