#!/usr/bin/env bash
# The program and the probe on a headless Wayland desktop, sway, started
# here on a private session (tests/harness/private_desktop, which as root
# runs this as an unprivileged user of its own, for sway refuses root): the
# whole program with fcitx5 as the compositor's input method
# (program_on_wayland.py); then IBus, found by its address file named after
# WAYLAND_DISPLAY.
#
#   private_desktop --as-user run_wayland_e2e.sh PATH/TO/morvane PATH/TO/desktop_probe
set -euo pipefail

usage="usage: private_desktop --as-user run_wayland_e2e.sh PATH/TO/morvane PATH/TO/desktop_probe"
MORVANE_BINARY=$(realpath "${1:?$usage}")
PROBE=$(realpath "${2:?$usage}")
export MORVANE_BINARY
source "$(dirname "$0")/../../harness/desktop_session.sh"
source "$(dirname "$0")/probe_checks.sh"
require_tools sway swaymsg wtype fcitx5 fcitx5-remote ibus ibus-daemon
# No keyboard LEDs of the machine's: Caps Lock reads as unknown.
export SYSFS_PATH="$WORK/sys"

start_wayland_desktop
cd "$(dirname "$0")"
expect "the program on Wayland" "$DESKTOP_HERE/python" -m unittest -v program_on_wayland

# IBus where fcitx5, which is asked first, is not running.
stop "$ENTRY_PID"
stop "$FCITX_PID"
start_ibus_daemon
ibus_file="$XDG_CONFIG_HOME/ibus/bus/$(cat /var/lib/dbus/machine-id 2>/dev/null ||
  cat /etc/machine-id)-unix-$WAYLAND_DISPLAY"
expect "ibus-daemon names its address file after WAYLAND_DISPLAY" test -s "$ibus_file"
# It leaves one for display 0 as well: without it only the name after
# WAYLAND_DISPLAY leads to the daemon.
rm -f "${ibus_file%-"$WAYLAND_DISPLAY"}-0"
# The engine is set even where its setxkbmap, with no X display, fails.
ibus engine xkb:us::eng >/dev/null 2>&1 || true
expect "the probe finds IBus by that name" \
  short_probe_reads "keyboard wayland" "esc=0 shift=0 saver=0 caps=unknown ime=off"
expect "without WAYLAND_DISPLAY it looks for another name" \
  short_probe_reads "keyboard unreachable" "esc=0 shift=0 saver=0 caps=unknown ime=none" \
  WAYLAND_DISPLAY=

finish
