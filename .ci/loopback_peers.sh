# Sourced by the CI scripts that probe loopback peers.

# Waits until a peer process has written its ports (one line) into FILE,
# then reads them into the variables named.
#   read_ports FILE NAME...
read_ports() {
  local file=$1
  shift
  for _ in $(seq 100); do [[ -f $file ]] && break; sleep 0.1; done
  read -r "$@" <"$file"
}

# Starts Debian's opentracker on 127.0.0.1 and waits until it answers a UDP
# connect request. It drops its rights to "nobody" and works in the folder
# it is given.
#   start_opentracker FOLDER TCP_PORT UDP_PORT   (sets tracker_pid)
start_opentracker() {
  mkdir -p "$1"
  opentracker -i 127.0.0.1 -p "$2" -P "$3" -d "$1" >"$1/opentracker.log" 2>&1 &
  tracker_pid=$!
  python3 - "$3" <<'PY'
import socket, struct, sys, time
for _ in range(50):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.settimeout(0.1)
    try:
        s.sendto(struct.pack(">QII", 0x41727101980, 0, 1), ("127.0.0.1", int(sys.argv[1])))
        if len(s.recv(64)) >= 16:
            sys.exit(0)
    except OSError:
        time.sleep(0.1)
sys.exit("opentracker does not answer on UDP port " + sys.argv[1])
PY
}

# Starts a TCP listener on 127.0.0.1 that never accepts (the system completes
# connects into its queue) and lives for SECONDS; sets listener_pid and
# listener_port.
#   start_listener FOLDER SECONDS
start_listener() {
  python3 - "$1/listener.port" "$2" <<'PY' &
import os, socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(8)
with open(sys.argv[1] + ".part", "w") as f: print(s.getsockname()[1], file=f)
os.rename(sys.argv[1] + ".part", sys.argv[1])
time.sleep(int(sys.argv[2]))
PY
  listener_pid=$!
  read_ports "$1/listener.port" listener_port
}
