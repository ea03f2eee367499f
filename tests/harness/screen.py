"""The viewer's screen: its layout and colours, and screenshots (binary PPM, as ImageMagick's
import writes them) read pixel by pixel in a window's client coordinates."""

CLIENT_WIDTH, CLIENT_HEIGHT = 480, 536
MENU_BAR_HEIGHT = 26
PLOT_LEFT = 100
PANEL = (0, 26, PLOT_LEFT, 160)  # left, top, right, bottom of the info panel's text
ZOOM_IN = (14, 15)
ZOOM_OUT = (84, 15)
OK_BUTTON = (30, CLIENT_HEIGHT + MENU_BAR_HEIGHT // 2)

BACKGROUND = (0, 50, 0)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREEN = (0, 255, 0)
RED = (255, 0, 0)
BLUE = (0, 0, 255)
MENU_BAR = (212, 208, 200)


def read_ppm(data):
    """Width, height and the offset of the first pixel of an 8-bit binary PPM (P6)."""
    fields, pos = [], 0
    while len(fields) < 4:  # magic, width, height, maxval, each after white space
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":  # a comment runs to the end of its line
            pos = data.index(b"\n", pos) + 1
            continue
        start = pos
        while pos < len(data) and not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise ValueError("not an 8-bit binary PPM: %r" % fields[:4])
    return int(fields[1]), int(fields[2]), pos + 1


class Screen:
    """One screenshot, read in the client coordinates of a window at origin, its picture shown
    at a whole scale (each client pixel read at the top left of its square)."""

    def __init__(self, ppm, origin=(0, 0), scale=1):
        self.width, self.height, self.start = read_ppm(ppm)
        self.data = ppm
        self.ox, self.oy = origin
        self.scale = scale

    def pixel(self, x, y):
        return self.raw(self.ox + x * self.scale, self.oy + y * self.scale)

    def raw(self, x, y):
        """A pixel of the screenshot itself."""
        i = self.start + 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def find(self, colour, left, top, right, bottom):
        """The set of (x, y) in [left, right) x [top, bottom) that have this colour."""
        return {(x, y) for y in range(top, bottom) for x in range(left, right) if self.pixel(x, y) == colour}

    def area(self, left, top, right, bottom):
        """The pixels of a rectangle, row by row, for comparing two screenshots."""
        return tuple(self.pixel(x, y) for y in range(top, bottom) for x in range(left, right))
