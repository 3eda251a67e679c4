#!/usr/bin/env bash
# Installs what is missing, builds Tonzettel and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default
cmake --build --preset default --target tonzettel tonzettel-cli
exec build/bin/tonzettel "$@"
