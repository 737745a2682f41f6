#!/usr/bin/env bash
# Lays out a database folder: the program, its help pages, pinoractl, MSG and TEMP.
# Usage: scripts/deploy.sh [FOLDER]   (default: run/ in the checkout)
# What the staff wrote in an existing folder is left as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
dest="${1:-run}"
mkdir -p "$dest/MSG" "$dest/TEMP" "$dest/help"
cp -f build/bin/pinora2 build/bin/pinoractl "$dest/"
if compgen -G "build/bin/help/*" >/dev/null; then
  cp -f build/bin/help/* "$dest/help/"
fi
echo "$dest"
