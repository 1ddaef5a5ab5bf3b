#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when something is missing. Runs as root (or sudo).
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libssl-dev libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev nlohmann-json3-dev libtomlplusplus-dev iproute2 util-linux)
# the ABI check
packages+=(abigail-tools xz-utils)
# man pages (scdoc converts them, man and col read them back), Debian packages (dpkg-shlibdeps and file
# for CPack's dependencies, lintian to check them) and the zsh completion's syntax check
packages+=(scdoc man-db bsdextrautils dpkg-dev file lintian zsh)
# clang's libFuzzer and sanitizer runtimes for the fuzz targets
packages+=(clang libclang-rt-dev)
# the API reference (the docs target; awk pastes the record's X-macro tables into the headers for it)
packages+=(doxygen mawk)
# the wall service: its HTTP server and systemd notification; the metrics check and the browser test
packages+=(libcpp-httplib-dev libsystemd-dev prometheus chromium)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep "install ok installed" >/dev/null; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
