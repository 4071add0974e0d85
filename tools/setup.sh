#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing (needs root or sudo).
# Usage: tools/setup.sh [more packages, e.g. the packaging tools tools/package.sh asks for]
set -euo pipefail
# qt6-translations-l10n: Qt's own texts (standard dialogs and buttons) in the German UI.
# libxml2-utils: xmllint, with which the tests check the JUnit reports against a schema.
packages=(build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools libgl-dev libqt6svg6
          qt6-translations-l10n libxml2-utils "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
