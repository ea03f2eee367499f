"""Reading the binary PPM screenshots that ImageMagick's `import` writes."""


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
        raise ValueError("not an 8-bit binary PPM: %r" % fields)
    return int(fields[1]), int(fields[2]), pos + 1
