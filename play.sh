#!/usr/bin/env bash
# Sets up and builds Zaplino, then starts it in the folder of the sample word lists.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cd wordlists
exec ../build/src/zaplino "$@"
