#!/usr/bin/env bash
# Installs what is missing, builds, creates the sample store database under demo/db/ if absent,
# starts the service-center simulator and the stand-in host on it.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target zmsg-host $( [ -f sim/main.cpp ] && echo zmsg-center-sim )

# The store database keeps a folder of its own, where the file dialogs that look for pictures never go.
DB="$ROOT/demo/db/store.db"
mkdir -p "$ROOT/demo/db"
# A store from before, kept beside the pictures, moves with its log and index (the demo is not running).
if [ -f "$ROOT/demo/store.db" ] && [ ! -e "$DB" ]; then
  for f in store.db store.db-wal store.db-shm; do
    [ ! -e "$ROOT/demo/$f" ] || mv "$ROOT/demo/$f" "$ROOT/demo/db/$f"
  done
  echo "store database moved to demo/db/store.db"
fi
[ -f "$DB" ] || build/host/zmsg-host make-demo-db "$DB"
# A picture for the app message's image editor (button "내 PC 이미지" of the app-message window).
cp -f "$ROOT/res/demo/sample-picture.jpg" "$ROOT/demo/sample-picture.jpg"

# The demo's own settings folder: the module reads the center's address from it.
export XDG_CONFIG_HOME="$ROOT/demo/home/config"
mkdir -p "$XDG_CONFIG_HOME/zmsg" "$ROOT/demo/Log"

# Ctrl+C (or closing the host window) stops the host, the simulator and Xvfb together.
HOST_PID="" SIM_PID="" XVFB=""
cleanup() {
  trap - EXIT INT TERM
  # The host first, so it does not see its display vanish.
  if [ -n "$HOST_PID" ]; then kill "$HOST_PID" 2>/dev/null || true; wait "$HOST_PID" 2>/dev/null || true; fi
  for pid in $SIM_PID $XVFB; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -x build/sim/zmsg-center-sim ]; then
  coproc SIM { exec build/sim/zmsg-center-sim --port 0; }
  read -r first <&"${SIM[0]}"
  echo "simulator: $first"
  port=${first##*:}
  cat > "$XDG_CONFIG_HOME/zmsg/ZMSG.ini" <<INI
[CENTER]
Host=http://127.0.0.1:$port
OptOutHost=http://127.0.0.1:$port
INI
  # Calls waiting on the store's simulated 080 line: four sample members asked today to be refused
  # (two of them in the same second). "요청자료수신" in the refusal list downloads them.
  sim_post() {
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    printf 'POST %s HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: %d\r\nConnection: close\r\n\r\n%s' \
      "$1" "${#2}" "$2" >&3
    cat <&3 >/dev/null
    exec 3<&-
  }
  today=$(date +%Y-%m-%d)
  for call in "1 090000" "2 090000" "4 101500" "7 113000"; do
    read -r member at <<<"$call"
    phone=$(sqlite3 "$DB" "SELECT mem_cel FROM member WHERE mem_code=$member" | tr -cd 0-9)
    [ -z "$phone" ] || sim_post /_sim/optout "mart=1001&date=$today&time=$at&cn=0807001001&p=$phone"
  done
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no display: starting Xvfb on :99 (take a screenshot with: DISPLAY=:99 import -window root shot.png)"
  Xvfb :99 -screen 0 1280x900x24 >/dev/null 2>&1 &
  XVFB=$!
  export DISPLAY=:99
  sleep 1
fi

# What Qt expects of a desktop session, so the terminal shows the demo's own lines only.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -w "${XDG_RUNTIME_DIR}" ]; then
  export XDG_RUNTIME_DIR="$ROOT/demo/home/runtime"
  mkdir -p "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
fi
export QT_LOGGING_RULES="${QT_LOGGING_RULES:-qt.webenginecontext.info=false;qt.webenginecontext.debug=false}"
# The center's pages run in Chromium, whose sandbox refuses to start as root.
CHROMIUM="--disable-gpu --log-level=3"
[ "$(id -u)" = 0 ] && CHROMIUM="$CHROMIUM --no-sandbox"
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} $CHROMIUM"

# The host's folder holds the daily log; the demo keeps it under demo/Log.
cp -f "$ROOT/build/host/zmsg-host" "$ROOT/demo/zmsg-host"
echo "demo running: stop it with Ctrl+C here (or close the host window)"
echo "module log:   iconv -f cp949 -t utf-8 demo/Log/ZMSG_$(date +%Y%m%d).log"
echo "app picture:  $ROOT/demo/sample-picture.jpg (for the app-message window's image editor)"
"$ROOT/demo/zmsg-host" --db "sqlite:$DB" "$@" &
HOST_PID=$!
wait "$HOST_PID"
