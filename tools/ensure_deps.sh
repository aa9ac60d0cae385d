#!/usr/bin/env bash
# Makes sure the Debian packages the build needs are installed. As root it
# installs what is missing; otherwise it prints the one apt-get line to run.
set -u
# zlib1g-dev: compressed worlds; openssl and ca-certificates: https:// (the
# system's certificate store, and the tests' own certificates); xvfb: the
# desktop-window test on a virtual X display.
packages="cmake make g++ pkg-config python3 libsdl2-dev libcurl4-openssl-dev libpng-dev
libjpeg62-turbo-dev zlib1g-dev ca-certificates openssl xvfb libgtest-dev libgmock-dev libbenchmark-dev"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run:"
  echo "  sudo apt-get install -y$missing"
  exit 1
fi
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -q $missing >/dev/null 2>&1 || {
  apt-get update -q >/dev/null 2>&1
  apt-get install -y -q $missing
}
