#!/usr/bin/env bash
# The program and the probe on a private X desktop (tests/harness/private_desktop,
# which as root runs this as an unprivileged user of its own, for mozc_server
# refuses root) while the user switches modes inside the input method: under
# IBus, with a stand-in panel, Anthy's and Mozc's InputMode
# (engine_mode_on_ibus.py); under fcitx5 with Mozc, its tray item's icon,
# published to a stand-in tray (engine_mode_on_fcitx5.py).
#
#   private_desktop --as-user run_engine_mode_e2e.sh PATH/TO/morvane PATH/TO/morvane-probe
set -euo pipefail

usage="usage: private_desktop --as-user run_engine_mode_e2e.sh PATH/TO/morvane PATH/TO/morvane-probe"
MORVANE_BINARY=$(realpath "${1:?$usage}")
MORVANE_PROBE=$(realpath "${2:?$usage}")
export MORVANE_BINARY MORVANE_PROBE
source "$(dirname "$0")/../../harness/desktop_session.sh"
require_tools ibus ibus-daemon /usr/lib/mozc/mozc_server fcitx5 fcitx5-remote
trap 'stop_mozc_servers; stop_started' EXIT

start_x_server
cd "$(dirname "$0")"
status=0

start_ibus_daemon
start_ibus_panel
"$DESKTOP_HERE/python" -m unittest -v engine_mode_on_ibus || status=1
stop "$IBUS_PID"

start_fcitx5 dbus,dbusfrontend,keyboard,mozc,notificationitem,classicui mozc
start_input_context
"$DESKTOP_HERE/python" -m unittest -v engine_mode_on_fcitx5 || status=1

exit "$status"
