#!/usr/bin/env bash
# Installs what is missing, builds, creates the sample store database under demo/ if absent,
# starts the service-center simulator and the stand-in host on it.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target zmsg-host $( [ -f sim/main.cpp ] && echo zmsg-center-sim )

DB="$ROOT/demo/store.db"
mkdir -p "$ROOT/demo"
[ -f "$DB" ] || build/host/zmsg-host make-demo-db "$DB"

# The demo's own settings folder: the module reads the center's address from it.
export XDG_CONFIG_HOME="$ROOT/demo/home/config"
mkdir -p "$XDG_CONFIG_HOME/zmsg" "$ROOT/demo/Log"

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
  trap 'kill $SIM_PID 2>/dev/null || true' EXIT
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no display: starting Xvfb on :99 (take a screenshot with: DISPLAY=:99 import -window root shot.png)"
  Xvfb :99 -screen 0 1280x900x24 >/dev/null 2>&1 &
  XVFB=$!
  trap 'kill $XVFB 2>/dev/null || true; kill ${SIM_PID:-0} 2>/dev/null || true' EXIT
  export DISPLAY=:99
  sleep 1
fi

# The center's pages run in Chromium, whose sandbox refuses to start as root.
if [ "$(id -u)" = 0 ]; then
  export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --no-sandbox"
fi

# The host's folder holds the daily log; the demo keeps it under demo/Log.
cp -f "$ROOT/build/host/zmsg-host" "$ROOT/demo/zmsg-host"
"$ROOT/demo/zmsg-host" --db "sqlite:$DB" "$@"
