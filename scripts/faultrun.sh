#!/usr/bin/env bash
# Fails every file-system call of every operation that writes (each save, a message file, each
# lock, creating and submitting a notice, an upgrade, the 1.4 import, a repair by the check)
# with EIO, ENOSPC, EACCES, EINTR, a short write and a power cut in turn, over a database
# folder in memory, then checks the folder as the next station would find it.
#
#   bash scripts/faultrun.sh [--sample K] [--verbose]
#
# Ends with "faults: N injected: L files lost, K locks left, S silent failures" and exits
# non-zero unless L, K and S are all 0.
set -euo pipefail
source "$(dirname "$0")/tools.sh"
exec "$TOOLS/faultrun" "$@"
