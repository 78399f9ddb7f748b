# Installs the Debian packages Pixorama needs that are missing.  Sourced by run.sh and test.sh.
# Usage: ensure_packages PACKAGE...

ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installiere fehlende Pakete: ${missing[*]}" >&2
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -q || true
    "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# What building the program needs.
PIXORAMA_BUILD_PACKAGES=(
    cmake ninja-build g++ pkg-config
    libpng-dev libjpeg62-turbo-dev libgif-dev libtiff-dev zlib1g-dev libsane-dev
    libfreetype-dev libfontconfig-dev
    qt6-base-dev qt6-image-formats-plugins qt6-translations-l10n fonts-liberation
    adwaita-icon-theme
)
# What the tests need on top: GoogleTest, Google Benchmark (built only), and the other programs
# whose files and readings the tests compare with (cups: a private print server for the test
# that prints through a real queue).
PIXORAMA_TEST_PACKAGES=(
    libgtest-dev libgmock-dev libbenchmark-dev imagemagick netpbm
    xvfb xauth xclip desktop-file-utils poppler-utils sane-utils libsane1
    cups cups-client
)
# What scripts/bench-e2e.sh needs on top of the build: the timers, the vips command line as the
# peer, netpbm for the peer's input file.
PIXORAMA_E2E_PACKAGES=(
    hyperfine time libvips-tools netpbm python3
)
