#!/usr/bin/env bash
# Builds the Debian packages from this tree, checks them with lintian, installs them on this machine
# and runs tests/installed/smoke.sh against the installed files as an ordinary account; the packages
# (and the account, when made here) are removed at the end, so do not run it where they are installed
# for real. The packages and lintian's report stay in $WORK. Prints each phase's time.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
# It installs and removes packages and makes an account: root's work.
[ "$(id -u)" -eq 0 ] || exec sudo "$ROOT/scripts/package-test.sh" "$@"

PACKAGES=(libzmsg1 libzmsgdb1 libzmsg-dev zmsg-tools)
SMOKE_USER=zmsg-smoke
# A fixed place, so that the compiler cache meets the same paths on the next run.
WORK=/var/tmp/zmsg-package
JOBS=${ZMSG_JOBS:-$(nproc)}

made_user=0
cleanup() {
  local rc=$?
  trap - EXIT
  echo "== packages removed"
  apt-get purge -y -qq "${PACKAGES[@]}" >/dev/null 2>&1 || true
  [ "$made_user" -eq 0 ] || userdel -r "$SMOKE_USER" >/dev/null 2>&1 || true
  rm -rf "$WORK/src"
  exit "$rc"
}
trap cleanup EXIT

phase_name="" phase_start=$SECONDS
# Ends the running phase with its time and starts the next one (none when no name is given).
phase() {
  [ -z "$phase_name" ] || echo "package-test: $phase_name took $((SECONDS - phase_start)) s"
  phase_name=${1:-}
  phase_start=$SECONDS
  [ -z "$phase_name" ] || echo "== $phase_name"
}

phase "package build"
scripts/deps.sh
version=$(sed -n 's/^project(zmsg VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
changelog=$(dpkg-parsechangelog -S Version)
[ "$version" = "$changelog" ] || { echo "debian/changelog is at $changelog, the project at $version" >&2; exit 1; }
# Built from a copy of what git knows of the tree (changes not yet committed included), so nothing
# of the build lands in the tree or beside it.
rm -rf "$WORK"
mkdir -p "$WORK/src"
git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$WORK/src"
command -v ccache >/dev/null && export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
(cd "$WORK/src" && DEB_BUILD_OPTIONS="nocheck parallel=$JOBS" dpkg-buildpackage -us -uc -b) >"$WORK/build.log" 2>&1 ||
  { tail -n 60 "$WORK/build.log"; exit 1; }
changes=$(ls "$WORK"/zmsg_"$version"_*.changes)
ls -1 "$WORK"/*.deb

phase "lintian"
# Errors fail; what remains is listed (README, "Debian packages", says why each is accepted).
lintian --fail-on error --info --display-level '>=warning' "$changes" | tee "$WORK/lintian.log"

phase "install"
debs=()
for p in "${PACKAGES[@]}"; do debs+=("$WORK/${p}_${version}_$(dpkg --print-architecture).deb"); done
apt-get install -y -qq --reinstall --no-install-recommends "${debs[@]}" >"$WORK/install.log" 2>&1 ||
  { cat "$WORK/install.log"; exit 1; }
for unit in zmsg-receive@.service zmsg-receive@.timer; do
  [ -f "/lib/systemd/system/$unit" ] || { echo "$unit not installed" >&2; exit 1; }
done
# Installed, not enabled: a template waits for the administrator to name the account.
if ls /etc/systemd/system/*/zmsg-receive@* >/dev/null 2>&1; then
  echo "the receipt timer was enabled on install" >&2
  exit 1
fi

phase "unit check"
getent passwd "$SMOKE_USER" >/dev/null || { useradd --create-home --shell /bin/bash "$SMOKE_USER"; made_user=1; }
systemd-analyze verify "zmsg-receive@$SMOKE_USER.service" "zmsg-receive@$SMOKE_USER.timer"
echo "units verified"

phase "smoke test as $SMOKE_USER"
mkdir -p "$WORK/installed"
cp tests/installed/smoke.cpp tests/installed/smoke.sh "$WORK/installed/"
chmod -R a+rX "$WORK/installed"
home=$(getent passwd "$SMOKE_USER" | cut -d: -f6)
runuser -u "$SMOKE_USER" -- env -i HOME="$home" USER="$SMOKE_USER" LOGNAME="$SMOKE_USER" \
  PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 bash "$WORK/installed/smoke.sh"

phase
echo "package-test: passed in $SECONDS s"
