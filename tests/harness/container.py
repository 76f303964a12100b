"""This machine booted again in a container under its own systemd (PID 1,
journald, logind, user managers), as a user's machine runs.

The container's root is an overlay of / on a tmpfs, so that nothing done
inside stays on the machine; it is booted by systemd-nspawn (Debian's
systemd-container) and entered with nsenter. Needs root.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time

BOOT_TIMEOUT_S = 60
# What nspawn makes on the machine's own /run, and leaves there.
NSPAWN_RUN = ("/run/systemd", "/run/systemd/nspawn", "/run/systemd/nspawn/locks",
              "/run/systemd/nspawn/propagate")


class Container:
    def __init__(self):
        self._left_by_nspawn = [path for path in NSPAWN_RUN if not os.path.exists(path)]
        self._folder = tempfile.mkdtemp(prefix="morvane-container-")
        self._mounts = []
        self._nspawn = None
        self._log = None
        self._uids = {}
        self._root = None
        self.pid = None
        try:
            self._boot()
        except BaseException:
            self.close()
            raise

    def _mount(self, *arguments, target):
        subprocess.run(["mount", *arguments, target], check=True, timeout=30)
        self._mounts.append(target)

    def _boot(self):
        self._mount("-t", "tmpfs", "tmpfs", target=self._folder)
        layers = {name: os.path.join(self._folder, name) for name in ("upper", "work", "root")}
        for path in layers.values():
            os.mkdir(path)
        self._mount("-t", "overlay", "overlay", "-o",
                    f"lowerdir=/,upperdir={layers['upper']},workdir={layers['work']}",
                    target=layers["root"])
        self._root = layers["root"]
        self._log = open(os.path.join(self._folder, "console"), "w+")
        self._nspawn = subprocess.Popen(
            ["systemd-nspawn", "-D", layers["root"], f"--machine=morvane-{os.getpid()}", "--boot",
             "--register=no", "--link-journal=no", "--keep-unit", "--console=passive"],
            stdin=subprocess.DEVNULL, stdout=self._log, stderr=subprocess.STDOUT)
        self.pid = self._wait_for_init()
        deadline = time.monotonic() + BOOT_TIMEOUT_S
        # The manager answers once it has come up; --wait then waits out the boot.
        while self.run("systemctl", "is-system-running", "--wait", check=False).stdout.strip() \
                not in ("running", "degraded"):
            if time.monotonic() > deadline:
                raise AssertionError(f"the container did not boot:\n{self.console()}")
            time.sleep(0.5)

    def _wait_for_init(self):
        """The container's PID 1, as the machine numbers it: nspawn's child
        once it runs systemd."""
        deadline = time.monotonic() + BOOT_TIMEOUT_S
        while time.monotonic() < deadline:
            if self._nspawn.poll() is not None:
                break
            for task in os.listdir(f"/proc/{self._nspawn.pid}/task"):
                with open(f"/proc/{self._nspawn.pid}/task/{task}/children") as f:
                    for child in f.read().split():
                        if _command_name(child) == "systemd":
                            return int(child)
            time.sleep(0.1)
        raise AssertionError(f"systemd-nspawn started no systemd:\n{self.console()}")

    def put(self, source):
        """A copy of the machine's file or folder source inside, as /root/<its
        name>, which it names: the container may mount its own over where it
        lies (/tmp, where a checkout may be)."""
        inside = os.path.join("/root", os.path.basename(source))
        if os.path.isdir(source):
            shutil.copytree(source, self._root + inside)
        else:
            shutil.copyfile(source, self._root + inside)
        return inside

    def console(self):
        self._log.seek(0)
        return self._log.read()

    def command(self, *command, user=None):
        """command to run inside; as user, with that user's manager to talk to."""
        inside = ["nsenter", "-t", str(self.pid), "-a"]
        if user is None:
            return [*inside, *command]
        uid = self.uid(user)
        return [*inside, "setpriv", f"--reuid={uid}", f"--regid={uid}", "--init-groups",
                "env", "-i", f"XDG_RUNTIME_DIR=/run/user/{uid}", f"HOME=/home/{user}",
                "PATH=/usr/sbin:/usr/bin:/sbin:/bin", *command]

    def uid(self, user):
        """A user made inside has no entry in the machine's own passwd."""
        if user not in self._uids:
            self._uids[user] = int(self.run("id", "-u", user).stdout)
        return self._uids[user]

    def run(self, *command, user=None, check=True, timeout=60):
        result = subprocess.run(self.command(*command, user=user), stdin=subprocess.DEVNULL,
                                capture_output=True, text=True, timeout=timeout)
        if check and result.returncode != 0:
            raise AssertionError(f"{' '.join(command)}: status {result.returncode}\n"
                                 f"{result.stdout}{result.stderr}")
        return result

    def close(self):
        """Stops everything inside at once and takes the overlay away; safe
        to call whatever state the boot reached."""
        if self.pid:
            # The PID namespace goes with its first process, and nspawn then ends.
            try:
                os.kill(self.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        if self._nspawn:
            try:
                self._nspawn.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self._nspawn.kill()
                self._nspawn.wait()
        if self._log:
            self._log.close()
        for target in reversed(self._mounts):
            if subprocess.run(["umount", target], timeout=30).returncode != 0:
                subprocess.run(["umount", "--lazy", target], timeout=30)
        self._mounts = []
        os.rmdir(self._folder)
        for path in reversed(self._left_by_nspawn):
            if os.path.isdir(path) and not os.listdir(path):
                os.rmdir(path)


def _command_name(pid):
    try:
        with open(f"/proc/{pid}/comm") as f:
            return f.read().strip()
    except OSError:
        return None
