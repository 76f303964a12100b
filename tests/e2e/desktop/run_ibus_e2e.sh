#!/usr/bin/env bash
# Checks the input method read from IBus where fcitx5 is not running: the
# global engine through ibus-daemon's own bus, found by its address file.
# Its X server is started here, on a private session
# (tests/harness/private_desktop).
#
#   private_desktop run_ibus_e2e.sh PATH/TO/desktop_probe
set -euo pipefail

PROBE=$(realpath "${1:?usage: private_desktop run_ibus_e2e.sh PATH/TO/desktop_probe}")
source "$(dirname "$0")/../../harness/desktop_session.sh"
source "$(dirname "$0")/probe_checks.sh"
require_tools "${X_DESKTOP_TOOLS[@]}" ibus ibus-daemon

start_x_server
start_probe "$PROBE"
check "no ibus-daemon reads as no IME" 'ime=none$' nothing
check "ibus-daemon without a global engine reads as no IME" 'ime=none$' start_ibus_daemon
check "a keyboard-layout engine reads as IME off" 'ime=off$' ibus engine xkb:us::eng
check "Anthy reads as IME on" 'ime=on$' ibus engine anthy
check "ibus-daemon gone reads as no IME" 'ime=none$' stop "$IBUS_PID"
start_ibus_daemon
check "a new ibus-daemon at a new address is found" 'ime=off$' ibus engine xkb:us::eng
check "fcitx5, once running, is asked first" 'ime=none$' start_fcitx5

finish
