# Sourced by the scripts: the Debian packages that the build needs, and the
# installation of the missing ones.

build_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev xdg-utils shared-mime-info adwaita-icon-theme
    libsqlite3-dev
    libasound2-dev
    libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev libtiff-dev libgif-dev
    libwmf-dev fonts-urw-base35 libemf2svg-dev qt6-svg-dev
    libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
    libgtest-dev libgmock-dev libbenchmark-dev
)

# Installs those of the named packages that are not installed yet.
install_missing() {
    local missing=() package sudo=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    ((${#missing[@]})) || return 0
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}
