"""Prints the simulated lamp's figures: firmware size, reset-to-identity time, the delay
from a byte written on the pty to the LED pin change, and the simulator's speed."""

import re
import resource
import statistics
import subprocess
import time

from harness.paths import required_path
from harness.simulated_lamp import GREEN, IDENTITY_LINE, Port, SimulatedLamp

SIMLAMP = required_path("SIMLAMP")
FIRMWARE = required_path("LAMP_FIRMWARE")

UNO_FLASH_FOR_SKETCH = 32256  # 32 KiB less the 512-byte optiboot bootloader
UNO_RAM = 2048
LATENCY_SAMPLES = 100
RESET_SAMPLES = 5
FREE_RUN_SECONDS = 120
REALTIME_SECONDS = 5


def describe(values, unit_scale=1000.0, unit="ms"):
    ordered = sorted(values)
    p95 = ordered[min(len(ordered) - 1, int(round(0.95 * (len(ordered) - 1))))]
    return (
        f"min {ordered[0] * unit_scale:.2f} {unit}, median "
        f"{statistics.median(ordered) * unit_scale:.2f} {unit}, p95 {p95 * unit_scale:.2f} {unit}, "
        f"max {ordered[-1] * unit_scale:.2f} {unit} (n={len(ordered)})"
    )


def firmware_size():
    report = subprocess.run(
        ["avr-size", "--format=avr", "--mcu=atmega328p", FIRMWARE],
        check=True,
        capture_output=True,
        text=True,
    ).stdout
    flash = int(re.search(r"Program:\s+(\d+) bytes", report).group(1))
    ram = int(re.search(r"Data:\s+(\d+) bytes", report).group(1))
    print(f"firmware flash: {flash} bytes of {UNO_FLASH_FOR_SKETCH} available beside the bootloader")
    print(f"firmware RAM (static data, before stack): {ram} bytes of {UNO_RAM}")


def reset_to_identity():
    lamp = SimulatedLamp(SIMLAMP, FIRMWARE, "--realtime", "--trace-uart")
    wall, simulated, firmware = [], [], []
    after = 0
    for _ in range(RESET_SAMPLES):
        opened = time.monotonic()
        port = Port(lamp.pty_path)
        line = port.read_line()
        wall.append(time.monotonic() - opened)
        assert line == IDENTITY_LINE, line
        reset_index, reset = lamp.wait_for_text("port-opened reset", after)
        start_index, start = lamp.wait_for_text("firmware-start", reset_index)
        sent_index, sent = lamp.wait_for(lambda entry: entry.text.startswith("tx "), start_index)
        simulated.append(sent.seconds - reset.seconds)
        firmware.append(sent.seconds - start.seconds)
        port.close()
        after, _ = lamp.wait_for_text("port-closed", sent_index)
    lamp.stop()
    print(f"port open -> identity read, wall clock: {describe(wall)}")
    print(f"reset -> last identity byte written, simulated: {describe(simulated)}")
    print(f"firmware start -> last identity byte written, simulated: {describe(firmware)}")


def byte_to_pin():
    lamp = SimulatedLamp(SIMLAMP, FIRMWARE, "--realtime", "--trace-uart")
    port = Port(lamp.pty_path)
    port.read_line()
    wall, simulated = [], []
    colours = 0
    for sample in range(LATENCY_SAMPLES):
        colours ^= GREEN
        before = len(lamp.lines)
        written = time.monotonic()
        port.write(b"G" if colours else b"g")
        _, fed = lamp.wait_for(lambda entry: entry.text.startswith("rx "), before)
        _, changed = lamp.wait_for_colours(colours, before)
        wall.append(changed.wall - written)
        simulated.append(changed.seconds - fed.seconds)
        time.sleep(0.02 + 0.0013 * (sample % 7))
    port.close()
    lamp.stop()
    print(f"byte written on the pty -> timeline shows the pin, wall clock: {describe(wall)}")
    print(f"byte enters the UART -> pin changes, simulated: {describe(simulated)}")


def run_timed(*args):
    """Wall and CPU seconds of one simlamp run."""
    cpu_before = resource.getrusage(resource.RUSAGE_CHILDREN)
    started = time.monotonic()
    subprocess.run([SIMLAMP, *args, FIRMWARE], check=True, stdout=subprocess.DEVNULL)
    wall = time.monotonic() - started
    cpu_after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (cpu_after.ru_utime + cpu_after.ru_stime) - (cpu_before.ru_utime + cpu_before.ru_stime)
    return wall, cpu


def speed():
    wall, cpu = run_timed("--duration", str(FREE_RUN_SECONDS))
    print(
        f"free-running, idle lamp: {FREE_RUN_SECONDS} simulated s in {wall:.2f} s wall, "
        f"{cpu:.2f} s CPU ({FREE_RUN_SECONDS / wall:.0f}x real time)"
    )
    wall, cpu = run_timed("--realtime", "--duration", str(REALTIME_SECONDS))
    print(
        f"--realtime, idle lamp: {REALTIME_SECONDS} simulated s in {wall:.2f} s wall, "
        f"{cpu:.2f} s CPU ({100 * cpu / wall:.1f}% of a core)"
    )


if __name__ == "__main__":
    firmware_size()
    reset_to_identity()
    byte_to_pin()
    speed()
