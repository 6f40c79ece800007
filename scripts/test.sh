#!/usr/bin/env bash
# Installs what is missing, builds K7 and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
exec make test "$@"
