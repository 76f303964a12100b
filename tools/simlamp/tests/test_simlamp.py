"""End-to-end tests: the lamp firmware on simlamp, driven through its pseudo-terminal."""

import random
import time
import unittest

from harness.paths import required_path
from harness.simulated_lamp import (
    BLUE, GREEN, IDENTITY_LINE, RED, Port, SimulatedLamp, apply_commands)

# The environment's names of the firmware images: the default one, and one
# built for a common-anode LED with red at duty 1, green at duty 0 and blue at 128.
FIRMWARE = "LAMP_FIRMWARE"
FIRMWARE_COMMON_ANODE = "LAMP_FIRMWARE_COMMON_ANODE"

# The firmware's silence timeout, and how far from it the dark line may land: it counts
# whole milliseconds from the tick during which the last byte arrived.
SILENCE_SECONDS = 3.0
TICK_SECONDS = 0.001


class LampTestCase(unittest.TestCase):
    simlamp_args = ()
    firmware = FIRMWARE

    def setUp(self):
        self.lamp = SimulatedLamp(required_path("SIMLAMP"), required_path(self.firmware),
                                  *self.simlamp_args)
        self.addCleanup(self.check_stderr_clean)

    def check_stderr_clean(self):
        stderr = self.lamp.stop()
        self.assertEqual(stderr, "", "simlamp or simavr complained")

    def open_port(self):
        """Opens the port and waits for the identity, as the host program does."""
        port = Port(self.lamp.pty_path)
        self.addCleanup(port.close)
        self.assertEqual(port.read_line(), IDENTITY_LINE)
        return port


class IdentityTest(LampTestCase):
    # In real time, so the lamp is still lit when the port is closed and opened again.
    simlamp_args = ("--realtime", "--trace-uart")

    def test_identity_arrives_once_after_the_reset_hold(self):
        # The power-on identity goes out while nobody has the port open.
        self.lamp.wait_for(lambda line: line.text.startswith("tx "))
        opened_at = time.monotonic()
        port = Port(self.lamp.pty_path)
        self.addCleanup(port.close)
        self.assertEqual(port.read_line(), IDENTITY_LINE)
        # The hold is wall-clock time, so a host that purges right after opening keeps it.
        self.assertGreaterEqual(time.monotonic() - opened_at, 0.95)

        reset_index, reset = self.lamp.wait_for_text("port-opened reset")
        start_index, start = self.lamp.wait_for_text("firmware-start", reset_index)
        _, sent = self.lamp.wait_for(lambda line: line.text.startswith("tx "), start_index)
        self.assertAlmostEqual(start.seconds - reset.seconds, 1.0, places=6)
        self.assertEqual(sent.text, 'tx "Lumivantrexial\\r\\n"')

    def test_reopening_the_port_resets_the_lamp_again(self):
        port = self.open_port()
        port.write(b"G")
        lit_index, _ = self.lamp.wait_for_colours(GREEN)
        port.close()
        closed_index, _ = self.lamp.wait_for_text("port-closed", lit_index)

        again = Port(self.lamp.pty_path)
        self.addCleanup(again.close)
        self.assertEqual(again.read_line(), IDENTITY_LINE)
        reset_index, reset = self.lamp.wait_for_text("port-opened reset", closed_index)
        _, dark = self.lamp.wait_for_colours(0, reset_index)
        self.assertEqual(dark.seconds, reset.seconds, "the reset darkens the lamp at once")
        again.write(b"B")
        self.lamp.wait_for_colours(BLUE, reset_index)

    def test_bytes_sent_during_the_reset_hold_are_dropped(self):
        port = Port(self.lamp.pty_path)
        self.addCleanup(port.close)
        port.write(b"R")
        self.assertEqual(port.read_line(), IDENTITY_LINE)
        port.write(b"G")
        self.assertEqual(self.lamp.wait_for_changes(2), [0, GREEN], "red never lit")


class CommandTest(LampTestCase):
    simlamp_args = ("--trace-uart",)

    def send_and_expect_changes(self, data, start_colours=0):
        port = self.open_port()
        before = len(self.lamp.lines)
        port.write(data)
        expected = apply_commands(start_colours, data)
        self.assertEqual(self.lamp.wait_for_changes(len(expected), before), expected)
        return before

    def test_each_command_byte_drives_its_pin(self):
        self.send_and_expect_changes(b"RGBrgbBGRbgrGRBgbr")

    def test_every_order_of_two_commands(self):
        commands = b"RrGgBb"
        pairs = bytes(b for first in commands for second in commands for b in (first, second))
        self.send_and_expect_changes(pairs)

    def test_lower_case_on_a_dark_lamp_changes_nothing(self):
        # The first change must be the green the last byte asks for.
        self.send_and_expect_changes(b"rgbrgbbbG")

    def test_every_other_byte_is_ignored(self):
        others = bytes(b for b in range(256) if b not in b"RrGgBb")
        before = self.send_and_expect_changes(b"R" + others + b"G")
        fed = [line for line in self.lamp.lines[before:] if line.text.startswith("rx ")]
        self.assertEqual(len(fed), len(others) + 2, "every byte entered the UART")


class SilenceTest(LampTestCase):
    def test_dark_three_seconds_after_the_last_byte(self):
        port = self.open_port()
        port.write(b"RGB")
        lit_index, lit = self.lamp.wait_for_colours(RED | GREEN | BLUE)
        _, dark = self.lamp.wait_for_colours(0, lit_index)
        self.assertAlmostEqual(dark.seconds - lit.seconds, SILENCE_SECONDS, delta=TICK_SECONDS)

    def test_unknown_bytes_also_keep_it_lit(self):
        port = self.open_port()
        port.write(b"G" + b"\n" * 4000)
        lit_index, lit = self.lamp.wait_for_colours(GREEN)
        _, dark = self.lamp.wait_for_colours(0, lit_index)
        # 4000 bytes at 9600 bit/s take well over the timeout to arrive.
        self.assertGreater(dark.seconds - lit.seconds, SILENCE_SECONDS + 1.0)


class RefreshTest(LampTestCase):
    simlamp_args = ("--realtime",)

    def test_refreshing_host_keeps_it_lit_until_it_stops(self):
        port = self.open_port()
        for _ in range(40):
            port.write(b"G")
            last_write = time.monotonic()
            time.sleep(0.1)
        lit_index, lit = self.lamp.wait_for_colours(GREEN)
        _, dark = self.lamp.wait_for_colours(0, lit_index)
        self.assertGreater(dark.seconds - lit.seconds, SILENCE_SECONDS + 3.0)
        # Paced, the simulated clock never runs ahead of the wall clock; the margin covers
        # how far it may lag behind when the byte is picked up.
        self.assertGreater(dark.wall - last_write, SILENCE_SECONDS - 0.1)


class BurstTest(LampTestCase):
    simlamp_args = ("--trace-uart",)

    def test_thousands_of_bytes_arrive_without_loss(self):
        rng = random.Random(20240601)
        burst = bytes(rng.choice(b"RrGgBbxz\n") for _ in range(5000)) + b"rgbRB"
        port = self.open_port()
        before = len(self.lamp.lines)
        port.write(burst)
        expected = apply_commands(0, burst)
        self.assertEqual(expected[-1], RED | BLUE)
        # Every change of the whole burst shows up, in order, ending in the final state.
        self.assertEqual(self.lamp.wait_for_changes(len(expected), before), expected)
        fed = [line for line in self.lamp.lines[before:] if line.text.startswith("rx ")]
        self.assertEqual(len(fed), len(burst))


class CommonAnodeTest(LampTestCase):
    """The common-anode build: red at duty 1, green at duty 0, blue at 128."""

    simlamp_args = ("--common-anode",)
    firmware = FIRMWARE_COMMON_ANODE

    def test_low_duties_light_and_zero_duty_stays_dark(self):
        port = self.open_port()
        before = len(self.lamp.lines)
        port.write(b"RGBrb")
        self.assertEqual(self.lamp.wait_for_changes(4, before), [RED, RED | BLUE, BLUE, 0])


class CommonAnodeReadAsCommonCathodeTest(LampTestCase):
    firmware = FIRMWARE_COMMON_ANODE

    def test_dark_common_anode_lamp_rests_its_pins_high(self):
        self.lamp.wait_for_colours(RED | GREEN | BLUE)


if __name__ == "__main__":
    unittest.main()
