#!/usr/bin/env bash
# Installs the npm packages the tests use (the Khronos glTF validator) into build/npm,
# only when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v npm >/dev/null || { echo "npm not found: the glTF validation test will be skipped"; exit 0; }
[ -d build/npm/node_modules/gltf-validator ] && exit 0
mkdir -p build/npm
npm install --prefix build/npm --no-audit --no-fund --loglevel=error gltf-validator@2.0.0-dev.3.10
