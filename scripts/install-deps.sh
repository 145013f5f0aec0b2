#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing. Usage: install-deps.sh PKG...
set -euo pipefail
missing=()
for pkg in "$@"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "Cannot install them: this needs root, and sudo is not installed." >&2
    echo "Run as root:  apt-get update && apt-get install -y ${missing[*]}" >&2
    echo "then start this script again." >&2
    exit 1
  fi
  SUDO=sudo
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
