#!/usr/bin/env bash
# The installed packages at work for an ordinary account, with nothing of the source tree: a store made
# by the installed zmsg-host, the installed simulator as the center, a small store program compiled
# against the installed pkg-config files, and the installed zmsg-host's receipts. Run by
# scripts/package-test.sh as that account, from a copy of this folder, with a clean environment.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$HOME"
# The account is the test's own: its settings and data folders start empty.
chmod -R u+w smoke 2>/dev/null || true
rm -rf smoke .config/zmsg .local/state/zmsg
mkdir -p smoke/db smoke/bin .config/zmsg
db="sqlite:$HOME/smoke/db/store.db"

step() { echo "smoke: $*"; }
fail() { echo "smoke: FAILED: $*" >&2; exit 1; }

step "a store from the installed zmsg-host"
zmsg-host make-demo-db "$HOME/smoke/db/store.db"

step "the installed simulator as the center"
coproc SIM { exec zmsg-center-sim --port 0; }
simulator=$SIM_PID
trap 'kill "$simulator" 2>/dev/null || true; wait "$simulator" 2>/dev/null || true' EXIT
read -r first <&"${SIM[0]}"
port=${first##*:}
[[ $port =~ ^[0-9]+$ ]] || fail "simulator said: $first"
printf '[CENTER]\nHost=http://127.0.0.1:%s\nOptOutHost=http://127.0.0.1:%s\n' "$port" "$port" >.config/zmsg/ZMSG.ini

step "a store program built from the installed pkg-config files"
# shellcheck disable=SC2046 # the flags are words
g++ -std=c++17 -Wall -Wextra -Werror -o smoke/bin/zmsg-smoke "$here/smoke.cpp" $(pkg-config --cflags --libs zmsg)
# Its folder is read-only, as an installed program's is.
chmod a-w smoke/bin
for lib in libzmsg.so.1 libzmsgdb.so.1; do
  path=$(ldd smoke/bin/zmsg-smoke | sed -n "s|^\s*$lib => \(/[^ ]*\).*|\1|p")
  [ -n "$path" ] && dpkg -S "$(readlink -f "$path")" >/dev/null 2>&1 || fail "$lib is not an installed one: ${path:-not found}"
done

# A send the center ended, as the module makes it: begin, one batch of the phones, end. Prints its code.
center_send() {
  local reply ss
  post() { curl -fsS --max-time 30 "http://127.0.0.1:$port/ZMSG/AppRequest.ashx" "$@"; }
  reply=$(post -d work=SMSBEGIN -d mart=1001 -d emp=1 -d tp=S -d msg=smoke -d cb=0212345678 -d call=$#)
  ss=$(sed -n 's|^1:.*<SS>\([0-9]*\)</SS>.*|\1|p' <<<"$reply")
  [ -n "$ss" ] || fail "SMSBEGIN: $reply"
  reply=$(post -d work=SMSLIST -d mart=1001 -d "ss=$ss" -d seq=1 --data-urlencode "list=$(printf '}{%s' "$@")")
  [[ $reply == 1:* ]] || fail "SMSLIST: $reply"
  reply=$(post -d work=SMSEND -d mart=1001 -d "ss=$ss")
  [[ $reply == 1:* ]] || fail "SMSEND: $reply"
  echo "$ss"
}

step "ReceiveResult through the installed libzmsg.so"
phones=(01090000001 01090000002 01090000007)
ss=$(center_send "${phones[@]}")
smoke/bin/zmsg-smoke seed "$db" 9001 "$ss" "${phones[@]}"
smoke/bin/zmsg-smoke receive "$db"
smoke/bin/zmsg-smoke check "$db" 9001 "${phones[@]}"

step "the installed zmsg-host receive-sms and receive-smms"
phones=(01090000011 01090000017 01090000023 01090000031)
ss=$(center_send "${phones[@]}")
smoke/bin/zmsg-smoke seed "$db" 9002 "$ss" "${phones[@]}"
out=$(zmsg-host receive-sms --db "$db") || fail "receive-sms exited with $?: $out"
summary=$(tail -n 1 <<<"$out")
echo "$summary"
[[ $summary == "SMS 결과수신 완료: 결과를 요청한 전송 1건, 반영한 결과 4건(수신실패 1건)"* ]] || fail "receive-sms said: $out"
smoke/bin/zmsg-smoke check "$db" 9002 "${phones[@]}"
out=$(zmsg-host receive-smms --db "$db") || fail "receive-smms exited with $?: $out"
tail -n 1 <<<"$out"

step "the receipt timer's command, as its service runs it"
# What systemd runs: the unit's ExecStart with its "$$" made "$", the store from /etc/default.
unit_command=$(sed -n 's/^ExecStart=//p' /lib/systemd/system/zmsg-receive@.service | sed 's/\$\$/$/g')
out=$(export ZMSG_DB="$db"; eval "$unit_command") || fail "the service's command exited with $?: $out"
grep -q '^SMS 결과수신 완료' <<<"$out" && grep -q '^SMMS 결과수신 완료' <<<"$out" || fail "the service said: $out"
status=0
(export ZMSG_DB=""; eval "$unit_command") >/dev/null 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "without ZMSG_DB the service's command exited with $status, not 2"
echo "both receipts ran; without ZMSG_DB the service fails with 2"

step "the module's log in the account's data folder"
# The program's folder (/usr/bin) cannot be written by this account: the module writes in its state folder.
log="$HOME/.local/state/zmsg/Log/ZMSG_$(date +%Y%m%d).log"
[ -f "$log" ] || fail "no log at $log"
iconv -f cp949 -t utf-8 "$log" | grep -qF "$summary" || fail "$log lacks the receipt's summary"
echo "$log has the receipt's summary"
step "passed"
