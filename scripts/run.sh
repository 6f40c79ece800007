#!/usr/bin/env bash
# Installs what is missing, builds K7 and opens it on the bundled example CFG.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
exec make run "$@"
