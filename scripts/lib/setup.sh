# Shared by scripts/run and scripts/test: installs what is missing, then configures and builds.
# Sourced, not run.

QUADREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Everything the build, the tests and the package checks need, from Debian's archive.
QUADREL_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    clang libclang-rt-14-dev
    locales fonts-dejavu-core
    xvfb xauth xdotool
    desktop-file-utils appstream dpkg-dev file libxml2-utils shared-mime-info lintian
    g++-mingw-w64-x86-64 wine wine64
    libassimp-dev libqhull-dev
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

install_missing_packages() {
    local missing=()
    local package
    for package in "${QUADREL_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
    # The conversions are tested under a locale whose decimal separator is a comma.
    if ! locale -a 2>/dev/null | grep -qi '^fr_FR\.utf-\?8$'; then
        as_root localedef -i fr_FR -c -f UTF-8 fr_FR.UTF-8
    fi
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
    local dir=$1
    shift
    cmake -S "$QUADREL_ROOT" -B "$QUADREL_ROOT/$dir" -G Ninja "$@"
    cmake --build "$QUADREL_ROOT/$dir" --parallel "$(nproc)"
}
