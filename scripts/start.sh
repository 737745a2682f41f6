#!/usr/bin/env bash
# Sets everything up and starts Pinora 2 from the database folder run/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
folder=$(bash scripts/deploy.sh)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting on a virtual X display (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$folder/pinora2" "$@"
fi
exec "$folder/pinora2" "$@"
