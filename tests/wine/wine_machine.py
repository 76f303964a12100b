"""A Windows machine under Wine: its serial devices, its keyboard, its programs.

Every scenario shares one private prefix and the wineserver that the suite's
fixture keeps running (wine_server.py), so scenarios run one at a time: the
devices present, the COM ports and the keyboard's toggles belong to the whole
prefix.
"""

import os
import subprocess
import tempfile
from dataclasses import dataclass

from harness.paths import required_path


def prefix():
    return required_path("WINEPREFIX")


def package():
    """The Windows package under test, as the windows-release build made it."""
    return required_path("MORVANE_PACKAGE")


def install_dir():
    """Where the suite's fixture unpacked the package, into a folder of its
    own as a user would unpack it."""
    return os.path.join(os.path.dirname(prefix()), "morvane")


def program():
    return os.path.join(install_dir(), "morvane.exe")


def probe():
    return os.path.join(install_dir(), "morvane-probe.exe")


# The Ports (COM & LPT) device class.
PORTS_CLASS = "{4D36E978-E325-11CE-BFC1-08002BE10318}"
USB_DEVICES = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum\USB"
SYSTEM_PARAMETERS = r"HKCU\Software\Wine\Temporary System Parameters\Control Panel\Desktop"


def wine_environment():
    """Wine as a Japanese Windows: its own messages (the pause prompt) come in
    Japanese and Shift_JIS. Wine reads the locale's name itself, so no system
    locale has to be installed. No Mono or Gecko prompts, no debug output."""
    return dict(
        os.environ,
        WINEPREFIX=prefix(),
        WINEDEBUG="-all",
        # The bus drivers would list the machine's own USB and HID devices
        # beside the fake ones and keep a core busy polling them.
        WINEDLLOVERRIDES="mscoree,mshtml=;winebus.sys,wineusb.sys,winemenubuilder.exe=d",
        LC_ALL="ja_JP.UTF-8",
    )


# A process that Wine starts on a program's behalf (the desktop's explorer,
# when it has ended for want of windows) keeps that program's Unix standard
# error for its own messages, and may outlive the program by a minute: so
# standard error goes to a file, never to a pipe whose end would be awaited.


def run_wine(*args, timeout=20):
    """Runs a Windows program to its end; fails the scenario on its failure.
    Returns what it printed."""
    with tempfile.TemporaryFile() as output:
        status = subprocess.run(
            ["wine", *args], env=wine_environment(), stdin=subprocess.DEVNULL,
            stdout=output, stderr=subprocess.STDOUT, timeout=timeout).returncode
        output.seek(0)
        printed = output.read()
        if status != 0:
            raise AssertionError(f"wine {' '.join(args)} ended with {status}: {printed!r}")
        return printed


def start_program(workdir, errors, windows_program):
    """The program (or the probe) as a user would start it from its folder,
    with its input and output redirected; errors is the file for its
    standard error."""
    return subprocess.Popen(
        ["wine", windows_program], cwd=workdir, env=wine_environment(),
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=errors)


def run_helper(name, *args, timeout=20):
    return run_wine(os.path.join(required_path("WINE_HELPERS"), name), *args, timeout=timeout)


def clear_screen_saver_flag():
    """Wine keeps the screen saver's running flag, as a process last set it,
    for the processes started after: cleared here, a scenario that set it
    cannot leave it to the next one."""
    run_wine("reg", "add", SYSTEM_PARAMETERS, "/v", "WINE_ScreenSaverRunning", "/d", "0", "/f")


@dataclass
class Device:
    """A USB serial device as Device Manager shows it: "Arduino Uno (COM3)".

    target is the Unix file behind the COM port (a fake board's
    pseudo-terminal), or None for a device whose port cannot be opened.
    name_stored: how the registry holds the friendly name: "string" with its
    terminating NUL, "unterminated" a string without one, "bytes" the
    string's bytes alone as a binary value. (Wine adds the NUL that a string
    lacks wherever the reader's buffer has room; bytes come back as stored.)"""

    port: str
    description: str
    target: str | None = None
    vendor: str = "2341"
    product: str = "0043"
    name_stored: str = "string"

    @property
    def friendly_name(self):
        return f"{self.description} ({self.port})"

    def friendly_name_value(self):
        if self.name_stored == "string":
            return f'"{self.friendly_name}"'
        kind = {"unterminated": "hex(1)", "bytes": "hex"}[self.name_stored]
        return f"{kind}:" + ",".join(f"{b:02x}" for b in self.friendly_name.encode("utf-16-le"))


def plug_in(*devices):
    """Makes exactly these devices present: registry keys where SetupDi finds
    them, and a DOS device link for each COM port."""
    _remove_com_ports()
    _import_registry(_device_registry(devices))
    for device in devices:
        if device.target is not None:
            os.symlink(device.target, _com_link(device.port))


def _com_link(port):
    return os.path.join(prefix(), "dosdevices", port.lower())


def _remove_com_ports():
    dosdevices = os.path.join(prefix(), "dosdevices")
    for name in os.listdir(dosdevices):
        if name.startswith("com"):
            os.remove(os.path.join(dosdevices, name))


def _multi_string(*strings):
    data = "".join(s + "\0" for s in strings) + "\0"
    return "hex(7):" + ",".join(f"{b:02x}" for b in data.encode("utf-16-le"))


def _device_registry(devices):
    """A .reg text that drops every USB device and adds these."""
    lines = ["Windows Registry Editor Version 5.00", "", f"[-{USB_DEVICES}]", ""]
    for index, device in enumerate(devices, start=1):
        ids = f"VID_{device.vendor}&PID_{device.product}"
        key = rf"{USB_DEVICES}\{ids}\{index:012d}"
        hardware_ids = _multi_string(rf"USB\{ids}&REV_0001", rf"USB\{ids}")
        lines += [
            f"[{key}]",
            f'"ClassGUID"="{PORTS_CLASS}"',
            f'"FriendlyName"={device.friendly_name_value()}',
            f'"HardwareID"={hardware_ids}',
            "",
            rf"[{key}\Device Parameters]",
            f'"PortName"="{device.port}"',
            "",
        ]
    return "\r\n".join(lines)


def _import_registry(text):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "devices.reg")
        with open(path, "w", encoding="utf-16") as f:
            f.write(text)
        run_wine("reg", "import", path)
