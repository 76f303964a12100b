#!/usr/bin/env bash
# morvane and the lamp firmware end to end: the real program on a private
# desktop (see tests/harness/desktop_session.sh) drives the firmware
# running on simlamp, and the tests read the LED pins from simlamp's timeline.
#
#   run_lamp_e2e.sh PATH/TO/morvane PATH/TO/simlamp PATH/TO/morvane-lamp.elf
set -euo pipefail

usage="usage: run_lamp_e2e.sh PATH/TO/morvane PATH/TO/simlamp PATH/TO/morvane-lamp.elf"
MORVANE_BINARY=$(realpath "${1:?$usage}")
SIMLAMP=$(realpath "${2:?$usage}")
LAMP_FIRMWARE=$(realpath "${3:?$usage}")
export MORVANE_BINARY SIMLAMP LAMP_FIRMWARE

# shellcheck source=../harness/desktop_session.sh
source "$(dirname "$0")/../harness/desktop_session.sh"
require_tools fcitx5 fcitx5-remote
run_in_private_session_bus "$@"
begin_work

start_desktop

cd "$(dirname "$0")"
PYTHONPATH=$(cd .. && pwd) PYTHONDONTWRITEBYTECODE=1 python3 -m unittest -v test_program_on_lamp
