#!/usr/bin/env bash
# Installs the Debian packages a build needs when they are missing, quietly and once.
# Usage: ensure-packages.sh GROUP...   Exit status 0 when every package of the groups is present,
# 77 when something is missing and cannot be installed here (not root, or no apt).
set -u

packages_for() {
    case "$1" in
        native) echo "cmake make g++ googletest libgtest-dev libgmock-dev" ;;
        *) grep -h "^$1:" "$(dirname "$0")/package-groups.txt" 2>/dev/null | cut -d: -f2- ;;
    esac
}

missing=()
for group in "$@"; do
    for pkg in $(packages_for "$group"); do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null 2>&1; then
    echo "missing packages: ${missing[*]} (install them with: apt-get install ${missing[*]})" >&2
    exit 77
fi
echo "installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# Packages of a foreign architecture (wine32:i386) need that architecture enabled, once.
for pkg in "${missing[@]}"; do
    arch=${pkg##*:}
    [ "$arch" = "$pkg" ] && continue
    if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        dpkg --add-architecture "$arch"
    fi
done
if ! { apt-get -o DPkg::Lock::Timeout=600 update -qq && apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"; } >/tmp/ensure-packages.log 2>&1; then
    echo "could not install ${missing[*]}; see /tmp/ensure-packages.log" >&2
    exit 77
fi
exit 0
