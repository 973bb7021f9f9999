# Debian packages the build, the tests and the demo need.
SELVANTO_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-webengine-dev libqt6sql6-sqlite qt6-tools-dev libgl-dev
    libicu-dev libcpp-httplib-dev libsqlite3-dev sqlite3
    xvfb xauth x11-utils xdotool imagemagick
    fonts-arphic-bsmi00lp
)

# Installs whatever of SELVANTO_PACKAGES is missing, through sudo when not root.
install_packages()
{
    local missing=()
    for package in "${SELVANTO_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
