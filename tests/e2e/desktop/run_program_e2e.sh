#!/usr/bin/env bash
# The whole program on a private desktop (see tests/harness/desktop_session.sh): a fake
# board on a pseudo-terminal sees the bytes that Caps Lock, the input method,
# the screen saver and Shift+Esc cause.
#
#   run_program_e2e.sh PATH/TO/morvane
set -euo pipefail

MORVANE_BINARY=$(realpath "${1:?usage: run_program_e2e.sh PATH/TO/morvane}")
export MORVANE_BINARY
source "$(dirname "$0")/../../harness/desktop_session.sh"
require_tools fcitx5 fcitx5-remote
run_in_private_session_bus "$@"
begin_work

start_desktop

cd "$(dirname "$0")"
PYTHONPATH=$(cd ../.. && pwd) PYTHONDONTWRITEBYTECODE=1 python3 -m unittest -v program_on_desktop
