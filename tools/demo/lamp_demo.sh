#!/usr/bin/env bash
# Starts a headless desktop (tests/harness/desktop_session.sh: Xvfb, a
# session bus, fcitx5 with Anthy, an input context with focus, a stand-in
# screen saver) and runs the demo's steps on it. Every process it starts is
# ended before it returns.
#
#   lamp_demo.sh PATH/TO/morvane PATH/TO/simlamp PATH/TO/morvane-lamp.elf
set -euo pipefail

usage="usage: lamp_demo.sh PATH/TO/morvane PATH/TO/simlamp PATH/TO/morvane-lamp.elf"
morvane=$(realpath "${1:?$usage}")
simlamp=$(realpath "${2:?$usage}")
firmware=$(realpath "${3:?$usage}")
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=../../tests/harness/desktop_session.sh
source "$here/../../tests/harness/desktop_session.sh"
require_tools fcitx5 fcitx5-remote
run_in_private_session_bus "$@"
begin_work

echo "[demo] starting a headless desktop: Xvfb, a session bus, fcitx5 with Anthy"
start_desktop

PYTHONPATH="$here/../../tests" PYTHONDONTWRITEBYTECODE=1 \
  python3 "$here/lamp_demo.py" "$morvane" "$simlamp" "$firmware"
