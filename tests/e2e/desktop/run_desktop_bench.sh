#!/usr/bin/env bash
# Runs desktop_poll_bench against the private X desktop of
# tests/harness/private_desktop (Xvfb, fcitx5 with a focused input context, a
# stand-in screen saver), and tells what the X server and fcitx5 spent
# answering it.
#
#   private_desktop --x run_desktop_bench.sh PATH/TO/desktop_poll_bench [polls] [seconds]
set -euo pipefail

usage="usage: private_desktop --x run_desktop_bench.sh PATH/TO/desktop_poll_bench [polls] [seconds]"
BENCH=$(realpath "${1:?$usage}")
: "${XVFB_PID:?$usage}" "${FCITX_PID:?$usage}"

# cpu_ms PID: the process's user and system time so far.
cpu_ms() {
  local fields
  read -ra fields <<<"$(sed 's/^.*) //' "/proc/$1/stat")"
  echo $(((fields[11] + fields[12]) * 1000 / $(getconf CLK_TCK)))
}

fcitx5-remote -o

x_before=$(cpu_ms "$XVFB_PID")
fcitx_before=$(cpu_ms "$FCITX_PID")
"$BENCH" "${2:-1000}" "${3:-60}"
echo "answering it: Xvfb $(($(cpu_ms "$XVFB_PID") - x_before)) ms," \
  "fcitx5 $(($(cpu_ms "$FCITX_PID") - fcitx_before)) ms of CPU"
