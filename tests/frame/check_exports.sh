#!/usr/bin/env bash
# The module must show the host exactly the six exports and no other symbol of its own.
set -euo pipefail
lib=$1
expected="PopupCouponIssue PopupRefuseList PopupSMMS PopupSMS ReceiveResult ReceiveSMMSResult"
# Defined dynamic symbols of type T/D/B/R (code and data); the version-script leaves only ours.
actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRVWtdbr]$/ {print $3}' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$expected" ]; then
  echo "exported: $actual"
  echo "expected: $expected"
  exit 1
fi
echo "exports ok: $actual"
