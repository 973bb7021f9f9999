# Debian packages the build, the tests and the demo need.
SELVANTO_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-webengine-dev libqt6sql6-sqlite libqt6svg6 qt6-tools-dev libgl-dev
    libicu-dev libcpp-httplib-dev libsqlite3-dev sqlite3 mdbtools-dev mdbtools
    xvfb xauth x11-utils xdotool imagemagick
    fonts-arphic-bsmi00lp
)

# What scripts/package needs besides: the package tools and the checkers of
# the package, the desktop entry and the AppStream metadata.
SELVANTO_PACKAGE_PACKAGES=(dpkg-dev file lintian desktop-file-utils appstream)

# What scripts/fuzz needs besides: clang with libFuzzer and the sanitizer runtimes.
SELVANTO_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

# Installs whatever of the given packages (SELVANTO_PACKAGES when none are
# given) is missing, through sudo when not root.
install_packages()
{
    local wanted=("$@")
    if [ ${#wanted[@]} -eq 0 ]; then
        wanted=("${SELVANTO_PACKAGES[@]}")
    fi
    local missing=()
    for package in "${wanted[@]}"; do
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
