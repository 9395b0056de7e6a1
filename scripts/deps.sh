#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, when any is missing.
# Sourced by run.sh and test.sh; the one list of the project's packages.
set -euo pipefail

RUVO_PACKAGES=(
    cmake ninja-build g++ pkg-config python3-vobject
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev clang-format
    libphonenumber-dev
    libmecab-dev mecab-ipadic-utf8
    qt6-base-dev qt6-svg-dev qt6-translations-l10n
    fonts-ipafont-mincho adwaita-icon-theme xvfb xauth
    poppler-utils
    dpkg-dev lintian appstream desktop-file-utils man-db
)

ruvo_install_deps() {
    local missing=()
    for p in "${RUVO_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local sudo=""
        if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
        $sudo apt-get update -q
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}
