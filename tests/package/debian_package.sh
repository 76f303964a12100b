#!/usr/bin/env bash
# The Linux package as users get it, one step a call, for the package suite's
# fixtures (tests/package/CMakeLists.txt):
#
#   debian_package.sh build            builds the .deb from the release build
#   debian_package.sh lint             checks it with lintian
#   debian_package.sh install STATE    installs it on this machine, first
#                                      noting in the folder STATE which of
#                                      its files the machine had before
#   debian_package.sh remove STATE     purges it and checks that it has left
#                                      nothing behind
#
# install and remove run as root (apt-get).
set -euo pipefail
cd "$(dirname "$0")/../.."

# The one package that the release build holds.
deb() {
  local packages=(build/release/morvane_*.deb)
  echo "${packages[0]}"
}

apt_get() {
  DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=300 -o Dpkg::Use-Pty=0 "$@"
}

# The package's files and folders that this machine has.
present() {
  dpkg-deb --contents "$(deb)" | awk '{ print substr($6, 2) }' | sed 's:/$::' |
    while read -r path; do if [ -e "$path" ]; then echo "$path"; fi; done
}

case ${1:-} in
build)
  cmake --preset release
  cmake --build --preset release --target morvane morvane-probe
  # A package left by an older version would be taken for this one.
  rm -f build/release/morvane_*.deb
  cpack --preset release
  ;;
lint)
  echo "lintian $(deb):"
  lintian --display-info --fail-on error,warning "$(deb)" 2> >(grep -v "^running with root privileges" >&2)
  ;;
install)
  state=${2:?usage: debian_package.sh install STATE}
  # A morvane installed before, from a package or a run that was stopped,
  # would be taken for this one.
  if dpkg-query -W morvane >/dev/null 2>&1; then apt_get purge morvane; fi
  mkdir -p "$state"
  present >"$state/present-before"
  apt_get install "./$(deb)"
  ;;
remove)
  state=${2:?usage: debian_package.sh remove STATE}
  apt_get purge morvane
  if dpkg-query -W -f='${db:Status-Status}\n' morvane 2>/dev/null | grep -qv '^not-installed$'; then
    echo "morvane is still known to dpkg after its purge" >&2
    exit 1
  fi
  if [ "$(present)" != "$(cat "$state/present-before")" ]; then
    echo "left behind by the package:" >&2
    diff "$state/present-before" <(present) >&2 || true
    exit 1
  fi
  echo "the package is removed and has left nothing behind"
  ;;
*)
  echo "usage: debian_package.sh build | lint | install STATE | remove STATE" >&2
  exit 2
  ;;
esac
