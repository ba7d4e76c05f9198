# Sourced by the scripts: the Debian packages that the build needs, and the
# installation of the missing ones.

build_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev xdg-utils shared-mime-info adwaita-icon-theme
    libsqlite3-dev
    libasound2-dev
    libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev libtiff-dev libgif-dev
    libwmf-dev fonts-urw-base35 libemf2svg-dev qt6-svg-dev
    libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    desktop-file-utils
)

# What scripts/check-install needs beyond the build: the desktop's tools that
# check and use what Setup wrote, and the X session (scripts/xsession.sh).
install_check_packages=(desktop-file-utils libglib2.0-bin xdg-utils shared-mime-info sqlite3)

# How long, in seconds, apt-get waits while another program (an update
# running in the background, a package manager window) holds its lock.
apt_lock_seconds=600
apt_options=(-o "DPkg::Lock::Timeout=$apt_lock_seconds")

# Installs those of the named packages that are not installed yet.
install_missing() {
    local missing=() package sudo=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    ((${#missing[@]})) || return 0
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    apt_update "${sudo[@]}"
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "${apt_options[@]}" install -y --no-install-recommends "${missing[@]}"
}

# apt-get update, run by the command given (sudo or nothing). The lock of
# the package lists is not one that DPkg::Lock::Timeout waits for, so a
# refusal for that lock is tried again, for as long as the other lock is
# waited for; any other failure ends at once.
apt_update() {
    local errors waited=0 status
    errors=$(mktemp)
    while :; do
        status=0
        "$@" apt-get "${apt_options[@]}" update 2>"$errors" || status=$?
        if [ "$status" -eq 0 ] || ! grep -q 'Could not get lock' "$errors" || [ "$waited" -ge "$apt_lock_seconds" ]; then
            cat "$errors" >&2
            rm -f "$errors"
            return "$status"
        fi
        [ "$waited" -gt 0 ] || echo "Waiting for another program to release the package lists..." >&2
        sleep 5
        waited=$((waited + 5))
    done
}
