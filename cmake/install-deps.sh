#!/usr/bin/env bash
# Installs the Debian packages the build needs, and only those that are missing.
# The package index is refreshed once, and only when something has to be installed.
set -euo pipefail

packages=(cmake ninja-build make g++ binutils clang-format libgtest-dev libbenchmark-dev
          libcli11-dev libtinyobjloader-dev libtinygltf-dev libstb-dev libassimp-dev
          libdraco-dev libmeshoptimizer-dev nlohmann-json3-dev libembree-dev zlib1g-dev
          libopenexr-dev openexr
          chromium assimp-testmodels blender python3-numpy "$@")

missing=()
for pkg in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
