#!/usr/bin/env bash
# The whole program on a private desktop (see tests/harness/desktop_session.sh): a fake
# board on a pseudo-terminal sees the bytes that Caps Lock, the input method,
# the screen saver and Shift+Esc cause; and morvane-probe on the same desktop
# shows them.
#
#   run_program_e2e.sh PATH/TO/morvane PATH/TO/morvane-probe
set -euo pipefail

usage="usage: run_program_e2e.sh PATH/TO/morvane PATH/TO/morvane-probe"
MORVANE_BINARY=$(realpath "${1:?$usage}")
MORVANE_PROBE=$(realpath "${2:?$usage}")
export MORVANE_BINARY MORVANE_PROBE
source "$(dirname "$0")/../../harness/desktop_session.sh"
require_tools fcitx5 fcitx5-remote
run_in_private_session_bus "$@"
begin_work

start_desktop

cd "$(dirname "$0")"
PYTHONPATH=$(cd ../.. && pwd) PYTHONDONTWRITEBYTECODE=1 python3 -m unittest -v program_on_desktop probe_on_desktop
