#!/usr/bin/env bash
# Installs the Debian 12 packages that build, run and test Pinora 2; with "net", those of the
# network soak instead (scripts/netsoak.sh): Samba and OpenSSH to serve a folder on this
# machine, and the FUSE clients smbnetfs and sshfs that mount it.
# Runs apt-get only when something is missing; uses sudo when not root.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev qt6-webengine-dev libqt6webenginecore6-bin qt6-qpa-plugins libgl-dev
  libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3-pyftpdlib python3-aiosmtpd xvfb xauth poppler-utils fonts-dejavu-core
  unrtf clang libclang-rt-14-dev
  at-spi2-core python3-pyatspi dbus xdotool x11-xkb-utils imagemagick
  librsvg2-bin desktop-file-utils appstream lintian dpkg-dev man-db file
)
if [ "${1:-}" = net ]; then
  PACKAGES=(samba smbnetfs sshfs fuse3 openssh-server openssh-client iproute2)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
