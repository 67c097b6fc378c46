#!/usr/bin/env bash
# The module must show the host exactly the six exports and no other symbol of its own.
set -euo pipefail
lib=$1
expected="PopupCouponIssue PopupRefuseList PopupSMMS PopupSMS ReceiveResult ReceiveSMMSResult"
# Defined dynamic symbols another object can bind to: global or weak code and data, and GNU unique
# objects (a lower-case type is a local symbol the table merely lists, as some debug builds do).
actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRVWu]$/ {print $3}' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$expected" ]; then
  echo "exported: $actual"
  echo "expected: $expected"
  exit 1
fi
echo "exports ok: $actual"
