#!/usr/bin/env bash
# Installs the Debian packages that are missing from a list (default: tools/packages.txt).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wanted=$(grep -v '^[[:space:]]*$' "${1:-$here/packages.txt}")
# One query for the whole list; a package dpkg does not know is missing too.
installed=$(dpkg-query -W -f='${Package}\t${Status}\n' $wanted 2>/dev/null |
    awk -F '\t' '$2 == "install ok installed" { sub(/:.*/, "", $1); print $1 }' || true)
declare -A have=()
for pkg in $installed; do have[$pkg]=1; done
missing=()
for pkg in $wanted; do
    [ -n "${have[$pkg]:-}" ] || missing+=("$pkg")
done
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The comma-decimal locale the media tests run a job under.
if [ -z "${1:-}" ] && command -v locale-gen >/dev/null &&
    ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $SUDO sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE\.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
