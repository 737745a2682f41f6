# Sourced by netsoak.sh and .ci/run: a share of a fresh folder served on this machine by Samba
# and by OpenSSH (SFTP) on the loopback address, mounted as separate clients.
#
#   netshareUp MOUNTS     MOUNTS: comma-separated names, each one client with its own cache:
#                         ssh* an sshfs mount, smb* an smbnetfs mount ("ssh,ssh2", "smbA,smbB")
#   netshareDown          unmounts every client and stops both servers by their own pids
#   netshareSweep FILE    the same for every share listed in FILE (NETSHARE_RECORD=FILE makes
#                         netshareUp list its share there) that is still up
#
# After netshareUp: NET (the work folder), EXPORT (the shared folder as the server holds it),
# and view NAME prints the shared folder as client NAME sees it. Everything lives under NET;
# netshareDown removes it.

NET_USER=pinorasoak
NET_SHARE=pinora
NET_ADDR=${NET_ADDR:-127.0.0.1}
NET_MOUNTS=()

# A pid counts only while it is still the program it was (pids are reused).
netAlive() { # PIDFILE NAME
  [ -f "$1" ] && [ "$(ps -p "$(cat "$1")" -o comm= 2>/dev/null)" = "$2" ]
}

netFreePort() { # FIRST: the first port from FIRST on which nothing listens on NET_ADDR
  local p=$1
  while ss -ltn | awk '{print $4}' | grep -qx "$NET_ADDR:$p"; do p=$((p + 1)); done
  echo "$p"
}

netWaitListen() { # PORT
  for _ in $(seq 1 100); do
    ss -ltn | awk '{print $4}' | grep -qx "$NET_ADDR:$1" && return 0
    sleep 0.1
  done
  return 1
}

netStartSamba() {
  mkdir -p "$NET"/samba/{private,lock,state,cache,run,ncalrpc,log}
  chmod 700 "$NET/samba/private"
  # smbnetfs reaches Samba on port 445 only; another test bed may hold it on 127.0.0.1.
  if ss -ltn | awk '{print $4}' | grep -qx "$NET_ADDR:445"; then
    local a
    for a in 2 3 4 5 6 7 8 9; do
      ss -ltn | awk '{print $4}' | grep -qx "127.0.0.$a:445" || { NET_ADDR=127.0.0.$a; break; }
    done
    echo "netshare: port 445 of 127.0.0.1 is taken; Samba listens on $NET_ADDR"
  fi
  cat >"$NET/samba/smb.conf" <<EOF
[global]
  server role = standalone server
  workgroup = WORKGROUP
  netbios name = PINORASOAK
  interfaces = $NET_ADDR
  bind interfaces only = yes
  smb ports = 445
  disable netbios = yes
  server min protocol = SMB2_02
  private dir = $NET/samba/private
  lock directory = $NET/samba/lock
  state directory = $NET/samba/state
  cache directory = $NET/samba/cache
  pid directory = $NET/samba/run
  ncalrpc dir = $NET/samba/ncalrpc
  log file = $NET/samba/log/log.%m
  max log size = 1000
  log level = 1
  passdb backend = tdbsam:$NET/samba/private/passdb.tdb
  map to guest = never
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
  # as a Windows server: oplocks and leases on, writes flushed when a client asks
  oplocks = yes
  smb2 leases = yes
  kernel oplocks = no
  strict sync = yes
[$NET_SHARE]
  path = $EXPORT
  read only = no
  valid users = $NET_USER
  create mask = 0664
  directory mask = 0775
EOF
  printf '%s\n%s\n' "$NET_PASS" "$NET_PASS" |
    smbpasswd -c "$NET/samba/smb.conf" -s -a "$NET_USER" >/dev/null 2>&1
  # setsid: smbd signals its whole process group when it stops, which would end this script
  setsid smbd --foreground --no-process-group -s "$NET/samba/smb.conf" \
    </dev/null >"$NET/samba/log/smbd.out" 2>&1 &
  echo $! >"$NET/pids/smbd"
  netWaitListen 445 || { echo "netshare: smbd does not listen" >&2; return 1; }
}

netStartSshd() {
  mkdir -p "$NET/ssh" /run/sshd
  NET_SSH_PORT=$(netFreePort 2322)
  ssh-keygen -q -t ed25519 -N '' -f "$NET/ssh/host_key"
  ssh-keygen -q -t ed25519 -N '' -f "$NET/secret/client_key"
  cp "$NET/secret/client_key.pub" "$NET/ssh/authorized_keys"
  chmod 644 "$NET/ssh/authorized_keys"
  cat >"$NET/ssh/sshd_config" <<EOF
Port $NET_SSH_PORT
ListenAddress $NET_ADDR
HostKey $NET/ssh/host_key
PidFile $NET/ssh/sshd.pidfile
AuthorizedKeysFile $NET/ssh/authorized_keys
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
AllowUsers $NET_USER
Subsystem sftp internal-sftp
LogLevel ERROR
EOF
  /usr/sbin/sshd -t -f "$NET/ssh/sshd_config"
  setsid /usr/sbin/sshd -D -e -f "$NET/ssh/sshd_config" </dev/null >"$NET/ssh/sshd.out" 2>&1 &
  echo $! >"$NET/pids/sshd"
  echo "[$NET_ADDR]:$NET_SSH_PORT $(cut -d' ' -f1,2 "$NET/ssh/host_key.pub")" >"$NET/ssh/known_hosts"
  netWaitListen "$NET_SSH_PORT" || { echo "netshare: sshd does not listen" >&2; return 1; }
}

netMountSmb() { # NAME: one smbnetfs process with its own configuration and cache
  local name=$1 home="$NET/clients/$1" mnt="$NET/mnt/$1"
  mkdir -p "$home/.smb" "$mnt"
  (umask 077
   printf '[global]\n  client min protocol = SMB2_02\n  client max protocol = SMB3\n' \
     >"$home/.smb/smb.conf"
   printf 'auth "%s" "%s" "%s"\n' "$NET_ADDR" "$NET_USER" "$NET_PASS" >"$home/.smb/smbnetfs.auth"
   : >"$home/.smb/smbnetfs.host"
   cat >"$home/.smb/smbnetfs.conf" <<EOF
smb_query_browsers "false"
use_libsecret "false"
stat_workaround_depth 0
stat_workaround_enable_default_entries "false"
log_file "$NET/clients/$name.log"
include "smbnetfs.auth"
include "smbnetfs.host"
EOF
  )
  HOME="$home" smbnetfs "$mnt" -o "config=$home/.smb/smbnetfs.conf"
  NET_MOUNTS+=("$mnt")
  local root="$mnt/$NET_ADDR/$NET_SHARE"
  for _ in $(seq 1 100); do [ -d "$root" ] && break; sleep 0.1; done
  [ -d "$root" ] || { echo "netshare: $name does not show the share" >&2; return 1; }
  ln -sfn "$root" "$NET/view/$name"
}

netMountSsh() { # NAME: one sshfs process with its own connection and cache
  local name=$1 mnt="$NET/mnt/$1"
  mkdir -p "$mnt"
  sshfs -p "$NET_SSH_PORT" "$NET_USER@$NET_ADDR:$EXPORT" "$mnt" \
    -o IdentityFile="$NET/secret/client_key",UserKnownHostsFile="$NET/ssh/known_hosts" \
    -o StrictHostKeyChecking=yes,BatchMode=yes,ServerAliveInterval=15
  NET_MOUNTS+=("$mnt")
  mountpoint -q "$mnt" || { echo "netshare: $name is not mounted" >&2; return 1; }
  ln -sfn "$mnt" "$NET/view/$name"
}

view() { # NAME
  readlink -f "$NET/view/$1"
}

netshareUp() { # MOUNTS
  local names kind n
  IFS=, read -r -a names <<<"$1"
  bash "$(dirname "${BASH_SOURCE[0]}")/install-deps.sh" net
  NET=$(mktemp -d /tmp/pinora-net.XXXXXX)
  chmod 755 "$NET"
  # A caller that may be killed before this script's own clean-up keeps the list (.ci/run).
  if [ -n "${NETSHARE_RECORD:-}" ]; then echo "$NET" >>"$NETSHARE_RECORD"; fi
  EXPORT="$NET/export"
  mkdir -p "$EXPORT" "$NET"/{secret,pids,mnt,clients,view}
  chmod 700 "$NET/secret"
  if ! id "$NET_USER" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$NET_USER"
  fi
  usermod -p '*' "$NET_USER" # no password, yet not locked: sshd refuses a locked account
  chown "$NET_USER:" "$EXPORT"
  NET_PASS=$(head -c 18 /dev/urandom | base64 | tr -d '/+=')
  kind=""
  for n in "${names[@]}"; do
    case "$n" in
      smb*) kind="$kind smb" ;;
      ssh*) kind="$kind ssh" ;;
      *) echo "netshare: a mount is named ssh... (sshfs) or smb... (smbnetfs), not '$n'" >&2; return 2 ;;
    esac
  done
  case "$kind" in *smb*) netStartSamba || return 1 ;; esac
  case "$kind" in *ssh*) netStartSshd || return 1 ;; esac
  for n in "${names[@]}"; do
    case "$n" in
      smb*) netMountSmb "$n" || return 1 ;;
      ssh*) netMountSsh "$n" || return 1 ;;
    esac
  done
}

netStop() { # NAME
  local f="$NET/pids/$1" pid
  [ -f "$f" ] || return 0
  pid=$(cat "$f")
  if netAlive "$f" "$1"; then
    kill "$pid"
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && kill -9 "$pid"
  fi
  rm -f "$f"
}

netshareDown() {
  [ -n "${NET:-}" ] && [ -d "$NET" ] || return 0
  local m
  for m in "$NET"/mnt/*; do
    [ -d "$m" ] || continue
    if mountpoint -q "$m"; then
      fusermount -u "$m" 2>/dev/null || fusermount -uz "$m" 2>/dev/null || umount -l "$m"
    fi
  done
  netStop sshd
  netStop smbd
  rm -rf "$NET"
  NET=""
}

netshareSweep() { # FILE
  [ -f "$1" ] || return 0
  local d
  while read -r d; do
    [ -n "$d" ] && [ -d "$d" ] || continue
    NET=$d netshareDown
  done <"$1"
}
