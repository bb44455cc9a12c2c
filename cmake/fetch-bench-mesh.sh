#!/usr/bin/env bash
# Fetches the real mesh of the benchmarks: the UV-mapped material sphere of Qt 3D's
# examples (55,742 triangles), taken out of Debian's package without installing it.
# Usage: fetch-bench-mesh.sh OUTPUT.obj
set -euo pipefail

out=$(realpath -m "$1")
[ -s "$out" ] && exit 0
member=qt5/examples/qt3d/exampleresources/assets/obj/material-sphere.obj

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
if ! apt-get download qt3d5-examples >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  apt-get download qt3d5-examples >/dev/null
fi
dpkg-deb --fsys-tarfile qt3d5-examples_*.deb | tar -x --wildcards "./usr/lib/*/$member"
mkdir -p "$(dirname "$out")"
cp usr/lib/*/"$member" "$out"
