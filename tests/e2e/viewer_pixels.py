"""Counts the pixels that show what the viewer drew in a screenshot of its window (a binary
PPM of the window alone, menu bar strip included): white panel text, the green speed
figure, the white track and the green end dot in the plot. Prints one `name count` a line."""

import sys

from ppm import read_ppm

WHITE = (255, 255, 255)
GREEN = (0, 255, 0)
STRIP = (212, 208, 200)
CLIENT_HEIGHT = 536

# name: (colour, left, top, right, bottom), right and bottom excluded.
REGIONS = {
    "panel_white": (WHITE, 0, 26, 100, 160),    # date, time, position, T A V S lines
    "figure_green": (GREEN, 0, 160, 100, 260),  # the big speed digits
    "plot_white": (WHITE, 101, 0, 480, CLIENT_HEIGHT),
    "plot_green": (GREEN, 101, 0, 480, CLIENT_HEIGHT),
    "strip": (STRIP, 0, CLIENT_HEIGHT, 480, CLIENT_HEIGHT + 26),
}
# The compass (its white hub) sits in the plot's top right corner.
COMPASS = (400, 0, 480, 75)


def read_screenshot(path):
    data = open(path, "rb").read()
    try:
        width, height, start = read_ppm(data)
    except ValueError as error:
        raise SystemExit(str(error))
    return width, height, data[start:]


def channel_mask(channel, value):
    """The channel's bytes as one big number with a bit set where the byte equals value."""
    table = bytes(1 if i == value else 0 for i in range(256))
    return int.from_bytes(channel.translate(table), "big")


def count(width, height, pixels, region):
    colour, left, top, right, bottom = region
    total = 0
    for y in range(top, min(bottom, height)):
        spans = [(left, min(right, width))]
        if COMPASS[1] <= y < COMPASS[3]:
            spans = [(a, min(b, COMPASS[0])) for a, b in spans] + [(max(left, COMPASS[2]), min(right, width))]
        for a, b in spans:
            if a >= b:
                continue
            row = pixels[3 * (y * width + a):3 * (y * width + b)]
            match = -1
            for index, value in enumerate(colour):
                match &= channel_mask(row[index::3], value)
            total += bin(match).count("1") if match > 0 else 0
    return total


def main():
    width, height, pixels = read_screenshot(sys.argv[1])
    print("size %dx%d" % (width, height))
    for name, region in REGIONS.items():
        print(name, count(width, height, pixels, region))


if __name__ == "__main__":
    main()
