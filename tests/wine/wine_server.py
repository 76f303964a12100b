"""The suite's Wine session, started and stopped by CTest's fixture.

    wine_server.py start   a fresh prefix, its wineserver left running, and
                           the package unpacked
    wine_server.py stop    ends every Windows process of the prefix and the server

The server runs in the foreground (-f), a child of this script left behind
in the suite's session: a daemonised server leads a session of its own, takes
the first fake board's pseudo-terminal it opens as its controlling terminal,
and is hung up when that board hangs up. Persistent (-p), it spares each
scenario the seconds a server takes to start and to linger after the last
program.
"""

import os
import shutil
import signal
import subprocess
import sys
import time
import zipfile

from wine_machine import install_dir, package, prefix, wine_environment

SESSION_DIR = os.path.dirname(prefix())
PID_FILE = os.path.join(SESSION_DIR, "wineserver.pid")
LOG_FILE = os.path.join(SESSION_DIR, "wine.log")
STOP_WAIT_S = 10

# The null display driver gives the desktop windows without an X server, so
# the program's hidden session window exists for log-off messages to reach.
# Written before the prefix is made, it is there when the desktop starts.
USER_REGISTRY = (
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
    "#arch=win64\n\n"
    "[Software\\\\Wine\\\\Drivers]\n"
    '"Graphics"="null"\n'
)


def start():
    stop()
    shutil.rmtree(prefix(), ignore_errors=True)
    os.makedirs(prefix())
    with open(os.path.join(prefix(), "user.reg"), "w") as f:
        f.write(USER_REGISTRY)
    # Everything Wine starts from here on (services, the desktop) outlives
    # this script, so none of it may hold CTest's output pipe.
    with open(LOG_FILE, "w") as log:
        server = subprocess.Popen(
            ["wineserver", "-f", "-p"], env=wine_environment(),
            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        with open(PID_FILE, "w") as f:
            f.write(str(server.pid))
        booted = subprocess.run(
            ["wine", "wineboot", "--init"], env=wine_environment(),
            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, timeout=180)
    if booted.returncode != 0:
        sys.exit(f"wineboot ended with {booted.returncode}; see {LOG_FILE}")
    shutil.rmtree(install_dir(), ignore_errors=True)
    with zipfile.ZipFile(package()) as unpacked:
        unpacked.extractall(install_dir())
    print(f"Wine prefix {prefix()}, wineserver {server.pid}, {package()} in {install_dir()}")


def _running(pid):
    """True while pid is a live wineserver (an ended one may stay a zombie)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            stat = f.read()
    except FileNotFoundError:
        return False
    name = stat[stat.index("(") + 1:stat.rindex(")")]
    state = stat[stat.rindex(")") + 2]
    return name.startswith("wineserver") and state != "Z"


def _wait_until_ended(pid, seconds):
    deadline = time.monotonic() + seconds
    while _running(pid) and time.monotonic() < deadline:
        time.sleep(0.1)
    return not _running(pid)


def stop():
    try:
        with open(PID_FILE) as f:
            pid = int(f.read())
    except FileNotFoundError:
        return
    if _running(pid):
        # Asked through the prefix's own socket, the server ends the
        # prefix's Windows processes and then itself; ended by a signal it
        # would leave them behind.
        subprocess.run(["wineserver", "-k"], env=wine_environment(), timeout=STOP_WAIT_S)
        if not _wait_until_ended(pid, STOP_WAIT_S):
            os.kill(pid, signal.SIGKILL)
            _wait_until_ended(pid, STOP_WAIT_S)
    os.remove(PID_FILE)
    print(f"wineserver {pid} stopped")


if __name__ == "__main__":
    actions = {"start": start, "stop": stop}
    if len(sys.argv) != 2 or sys.argv[1] not in actions:
        sys.exit("usage: wine_server.py start|stop")
    actions[sys.argv[1]]()
