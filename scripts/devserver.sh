#!/usr/bin/env bash
# Sourced by the test and bench scripts:
#   devserver_start <port or 0> <port file>   starts tools/devserver, waits for
#                                              it, exports VORN2_DEVSERVER_URL
#   devserver_start_demo <who>                 the same on the demo builds' fixed
#                                              port 18080; fails, saying so, when
#                                              the port is taken
#   devserver_stop                             stops it, by PID
devserver_pid=""

devserver_start() {
  local port=$1 portfile=$2 i
  rm -f "$portfile"
  python3 tools/devserver/devserver.py --port "$port" --port-file "$portfile" --quiet &
  devserver_pid=$!
  for i in $(seq 1 100); do [ -s "$portfile" ] && break; sleep 0.1; done
  [ -s "$portfile" ] || { echo "devserver did not start"; return 1; }
  export VORN2_DEVSERVER_URL="http://127.0.0.1:$(cat "$portfile")"
}

devserver_start_demo() {
  if (exec 3<>/dev/tcp/127.0.0.1/18080) 2>/dev/null; then
    echo "$1: port 18080 is taken; the demo and tour builds talk to the devserver there"
    return 1
  fi
  devserver_start 18080 "build/windows/devserver-demo.port"
}

devserver_stop() {
  [ -n "$devserver_pid" ] && kill "$devserver_pid" 2>/dev/null
  devserver_pid=""
}
