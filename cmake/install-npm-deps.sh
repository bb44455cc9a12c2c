#!/usr/bin/env bash
# Installs the npm packages the tests use into build/npm, only when one is missing: the
# Khronos glTF validator, glTF Transform (glTF files made by another tool),
# three.js with puppeteer-core (a real glTF renderer in Debian's headless Chromium), and
# mikktspace (the reference tangent frames, compiled to WebAssembly).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v npm >/dev/null || { echo "npm not found: the tests that need node will fail (RL_SKIP_MISSING_TOOLS=1 skips them)"; exit 0; }
packages=(gltf-validator@2.0.0-dev.3.10 @gltf-transform/cli@4.5.1 three@0.187.0
          puppeteer-core@25.16.0 mikktspace@1.1.1)
for package in "${packages[@]}"; do
  if [ ! -d "build/npm/node_modules/${package%@*}" ]; then
    mkdir -p build/npm
    exec npm install --prefix build/npm --no-audit --no-fund --loglevel=error "${packages[@]}"
  fi
done
