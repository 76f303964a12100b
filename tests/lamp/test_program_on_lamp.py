"""morvane and the lamp firmware end to end, through the simulated lamp.

tests/harness/private_desktop starts the X desktop these tests drive. simlamp
runs in real time: the program refreshes the lamp every 100 ms of wall-clock
time, and a free-running lamp would let the firmware's 3-second silence
timeout pass between two refreshes.
"""

import os
import random
import signal
import statistics
import time
import unittest

from harness import desktop
from harness.paths import required_path
from harness.program import MorvaneRun
from harness.simulated_lamp import (
    BLUE, GREEN, IDENTITY_LINE, RED, Port, SimulatedLamp, UsbSerialLink, apply_commands)
from harness.texts import END, HOW_TO_END, IDENTITY, IME_OFF, IME_ON, SAVER, named, opening

IDENTITY_SENT = f'tx "{IDENTITY}\\r\\n"'
# The firmware's silence timeout; it counts whole milliseconds.
SILENCE_SECONDS = 3.0
TICK_SECONDS = 0.001
# simavr's UART takes 11 bit times per byte at 9600 bit/s.
BYTE_SECONDS = 11 / 9600
# Long enough for several refreshes, to see that they leave the lamp alone.
STEADY_SECONDS = 0.35


class LampTestCase(unittest.TestCase):
    """A fresh simulated lamp per test, on a desktop at rest (the lamp's blue)."""

    def setUp(self):
        desktop.rest()
        self.lamp = SimulatedLamp(required_path("SIMLAMP"), required_path("LAMP_FIRMWARE"),
                                  "--realtime", "--trace-uart")
        self.addCleanup(self.check_lamp_quiet)

    def check_lamp_quiet(self):
        self.assertEqual(self.lamp.stop(), "", "simlamp or simavr complained")

    def start_program(self, port_path=None):
        run = MorvaneRun(required_path("MORVANE_BINARY"), port_path or self.lamp.pty_path,
                         os.environ["DISPLAY"])
        self.addCleanup(run.close)
        run.wait_for_output(HOW_TO_END)
        return run

    def expect_colours(self, colours, after):
        """Waits for the lamp to show colours and checks the refreshes keep it so."""
        index, _ = self.lamp.wait_for_colours(colours, after)
        time.sleep(STEADY_SECONDS)
        self.assertEqual(self.lamp.colours_at(self.lamp.count() - 1), colours,
                         f"the lamp left {colours} again: {self.lamp.lines[index:]}")
        return index

    def received_before(self, index):
        """The command bytes the firmware received before timeline line `index`."""
        return "".join(line.received for line in self.lamp.lines[:index] if line.received)


class HandshakeTest(LampTestCase):
    def test_identity_after_the_program_opened_the_port(self):
        run = self.start_program()
        reset, _ = self.lamp.wait_for_text("port-opened reset")
        start, _ = self.lamp.wait_for_text("firmware-start", reset)
        sent, _ = self.lamp.wait_for_text(IDENTITY_SENT, start)
        self.assertAlmostEqual(self.lamp.lines[start].seconds - self.lamp.lines[reset].seconds,
                               1.0, places=6, msg="the bootloader's hold")
        first, _ = self.lamp.wait_for(lambda line: line.received is not None, reset)
        self.assertGreater(first, sent, "the program waits for the identity before it sends")
        self.assertFalse([line for line in self.lamp.lines if line.text.startswith("dropped")])
        opened = run.output.index(opening(self.lamp.pty_path))
        identified = run.output.index(named(IDENTITY))
        self.assertLess(opened, identified)
        self.assertLess(identified, run.output.index(HOW_TO_END))
        self.expect_colours(BLUE, sent)
        self.assertEqual(self.received_before(self.lamp.count())[:3], "rBg")


class CycleStatesTest(LampTestCase):
    def test_each_desktop_state_lights_its_colours(self):
        run = self.start_program()
        self.expect_colours(BLUE, 0)
        for change, colours in (
            (lambda: desktop.set_caps_lock(True), RED | BLUE),
            (lambda: desktop.set_input_method(True), RED | GREEN),
            (lambda: desktop.set_caps_lock(False), GREEN),
            (lambda: desktop.set_input_method(False), BLUE),
        ):
            before = self.lamp.count()
            change()
            self.expect_colours(colours, before)
        messages = [line for line in run.output.splitlines(keepends=True)
                    if line in (IME_ON, IME_OFF)]
        self.assertEqual(messages, [IME_OFF, IME_ON, IME_OFF])

    def test_the_screen_saver_keeps_the_lamp_dark(self):
        run = self.start_program()
        desktop.set_input_method(True)
        lit, _ = self.lamp.wait_for_colours(GREEN)
        desktop.set_screen_saver(True)
        dark, _ = self.lamp.wait_for_colours(0, lit)
        run.wait_for_output(SAVER)
        time.sleep(2.0)
        lit_meanwhile = [line for line in self.lamp.lines[dark:self.lamp.count()]
                         if line.colours not in (None, 0)]
        self.assertEqual(lit_meanwhile, [], "the lamp stays dark while the screen saver runs")
        before = self.lamp.count()
        desktop.set_screen_saver(False)
        self.expect_colours(GREEN, before)
        self.assertEqual(run.output.count(SAVER), 1)


class EndingTest(LampTestCase):
    def start_lit_program(self):
        run = self.start_program()
        desktop.set_input_method(True)
        desktop.set_caps_lock(True)
        self.lit = self.expect_colours(RED | GREEN, 0)
        return run

    def expect_dark_after_rgb(self, run):
        self.assertEqual(run.finish(), 0)
        self.assertTrue(run.output.endswith(END), run.output)
        self.assertEqual(run.errors, b"")
        self.lamp.wait_for_text("port-closed", self.lit)
        # The last bytes reach the firmware after simlamp has seen the port close.
        dark, _ = self.lamp.wait_for_colours(0, self.lit)
        time.sleep(STEADY_SECONDS)
        received = [index for index, line in enumerate(self.lamp.lines) if line.received]
        self.assertTrue(self.received_before(self.lamp.count()).endswith("rgb"))
        self.assertLess(received[-1], dark, "nothing follows r g b")
        self.assertEqual(self.lamp.colours_at(self.lamp.count() - 1), 0)

    def test_shift_esc_ends_with_the_lamp_dark(self):
        run = self.start_lit_program()
        desktop.press_shift_esc()
        self.expect_dark_after_rgb(run)

    def test_sigint_ends_with_the_lamp_dark(self):
        run = self.start_lit_program()
        run.process.send_signal(signal.SIGINT)
        self.expect_dark_after_rgb(run)

    def test_killed_program_leaves_the_firmware_to_darken_the_lamp(self):
        run = self.start_lit_program()
        run.process.kill()
        self.assertEqual(run.finish(), -signal.SIGKILL)
        closed, _ = self.lamp.wait_for_text("port-closed", self.lit)
        dark, dark_line = self.lamp.wait_for_colours(0, self.lit)
        self.assertEqual([line for line in self.lamp.lines[self.lit + 1:dark]
                          if line.colours is not None], [], "lit until the timeout")
        self.assertGreater(dark, closed)
        # The last cycle's bytes enter the UART together and reach the firmware one byte
        # time apart; the timeout runs from the last of them.
        fed = [line.seconds for line in self.lamp.lines[:dark] if line.received]
        last_batch = fed.count(fed[-1])
        last_byte = fed[-1] + last_batch * BYTE_SECONDS
        self.assertAlmostEqual(dark_line.seconds - last_byte, SILENCE_SECONDS, delta=TICK_SECONDS)


class BoardResetTest(LampTestCase):
    def test_the_lamp_shows_the_state_again_after_a_reset(self):
        link = UsbSerialLink(self.lamp.pty_path)
        self.addCleanup(link.close)
        run = self.start_program(link.path)
        desktop.set_input_method(True)
        desktop.set_caps_lock(True)
        self.expect_colours(RED | GREEN, 0)
        output_before = len(run.output)

        link.disconnect_board()
        closed, _ = self.lamp.wait_for_text("port-closed")
        link.reconnect_board()
        reset, reset_line = self.lamp.wait_for_text("port-opened reset", closed)
        _, dark = self.lamp.wait_for_colours(0, reset)
        self.assertEqual(dark.seconds, reset_line.seconds, "the reset darkens the lamp at once")
        start, start_line = self.lamp.wait_for_text("firmware-start", reset)
        self.assertTrue([line for line in self.lamp.lines[reset:start]
                         if line.text.startswith("dropped")], "the program kept sending")
        self.lamp.wait_for_text(IDENTITY_SENT, start)
        # Nothing on the desktop changes: only the program's refresh can light it again.
        shown = self.expect_colours(RED | GREEN, start)
        delay = self.lamp.lines[shown].seconds - start_line.seconds
        print(f"\n  lamp shows the state again {delay:.3f} s after the firmware started")
        self.assertEqual(bytes(link.from_lamp).count(IDENTITY_LINE), 2)

        before = self.lamp.count()
        desktop.set_caps_lock(False)
        self.expect_colours(GREEN, before)
        self.assertIsNone(run.process.poll())
        self.assertEqual(run.output[output_before:], "", "the program carried on without a word")


class BurstTest(LampTestCase):
    def test_thousands_of_bytes_arrive_without_loss(self):
        rng = random.Random(6)
        burst = bytes(rng.choice(b"RrGgBb") for _ in range(4000)) + b"rgbRB"
        port = Port(self.lamp.pty_path)
        self.addCleanup(port.close)
        # After the reset's hold: bytes sent during it are dropped, as by the bootloader.
        reset, _ = self.lamp.wait_for_text("port-opened reset")
        started, _ = self.lamp.wait_for_text(IDENTITY_SENT, reset)
        self.assertEqual(os.write(port.fd, burst), len(burst), "one write")
        expected = apply_commands(0, burst)
        self.assertEqual(self.lamp.wait_for_changes(len(expected), started, timeout=60), expected)
        self.assertEqual(self.received_before(self.lamp.count()), burst.decode())
        self.assertEqual(self.lamp.colours_at(self.lamp.count() - 1), RED | BLUE)


class StateChangeToPinFigures(LampTestCase):
    """Prints how long a desktop change takes to reach the lamp's pins; no pass mark."""

    CHANGES = 30

    def test_print_delays(self):
        self.start_program()
        self.expect_colours(BLUE, 0)
        rng = random.Random(6)
        ime = self.delays(rng, desktop.set_input_method, GREEN, BLUE)
        caps = self.delays(rng, lambda _on: desktop.toggle_caps_lock(), RED | BLUE, BLUE)
        for name, (delays, commands) in (("input method (fcitx5-remote)", ime),
                                         ("Caps Lock (xdotool key)", caps)):
            ms = sorted(delay * 1000 for delay in delays)
            p90 = ms[int(len(ms) * 0.9) - 1]
            command = statistics.median(commands) * 1000
            print(f"\n  {name} -> pin, {len(ms)} changes, from the command's start:"
                  f" median {statistics.median(ms):.1f} ms, p90 {p90:.1f} ms,"
                  f" worst {ms[-1]:.1f} ms, best {ms[0]:.1f} ms;"
                  f" the command itself takes {command:.1f} ms (median)")

    def delays(self, rng, change, on_colours, off_colours):
        """Wall-clock time from the start of the command that changes the desktop to the
        timeline line that shows the new colours, alternating on and off; and how long
        each command took."""
        delays, commands = [], []
        for turn in range(self.CHANGES):
            on = turn % 2 == 0
            # Off the program's 100 ms beat, so the changes sample the whole cycle.
            time.sleep(rng.uniform(0.05, 0.15))
            before = self.lamp.count()
            started = time.monotonic()
            change(on)
            commands.append(time.monotonic() - started)
            _, line = self.lamp.wait_for_colours(on_colours if on else off_colours, before)
            delays.append(line.wall - started)
        return delays, commands


if __name__ == "__main__":
    unittest.main()
