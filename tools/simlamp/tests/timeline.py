"""simlamp's timeline: its lines, the colours they show, and what the lamp's
command bytes do to those colours. Shared by simlamp's own tests and by the
tests and demo that run morvane against it."""

import re

RED, GREEN, BLUE = 1, 2, 4
_COLOURS = (("red", RED), ("green", GREEN), ("blue", BLUE))
LINE = re.compile(r"^t=(\d+\.\d+)s (.*)$")


class Line:
    """One timeline line: simlamp's simulated time, its text, and the
    wall-clock time it was read."""

    def __init__(self, seconds, text, wall):
        self.seconds = seconds
        self.text = text
        self.wall = wall

    @property
    def colours(self):
        """The lit colours if this is a colour line, else None."""
        if not self.text.startswith("red="):
            return None
        return sum(bit for name, bit in _COLOURS if f"{name}=on" in self.text)

    @property
    def received(self):
        """The byte an "rx 'G'" line (--trace-uart) reports, else None."""
        match = re.fullmatch(r"rx '(.)'", self.text)
        return match.group(1) if match else None

    def __repr__(self):
        return f"t={self.seconds:.6f}s {self.text}"


def describe(colours):
    """The lamp as words: "red+green", or "dark"."""
    lit = [name for name, bit in _COLOURS if colours & bit]
    return "+".join(lit) if lit else "dark"


def apply_commands(colours, data):
    """The lamp's colours after each byte of data that changes them."""
    changes = []
    for byte in data:
        char = chr(byte)
        updated = colours
        if char in "RGB":
            updated |= (RED, GREEN, BLUE)["RGB".index(char)]
        elif char in "rgb":
            updated &= ~(RED, GREEN, BLUE)["rgb".index(char)]
        if updated != colours:
            changes.append(updated)
            colours = updated
    return changes
