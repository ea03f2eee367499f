"""Faults a real serial line and a confused receiver produce, injected into the stream to
test how the viewer copes: line noise, cut-off sentences, NUL bytes, absurd numbers, and a
receiver that is unplugged in the middle of a sentence."""

import re

from .sentences import checksum, split_sentence

KINDS = ("noise", "cut", "hangup", "nul", "absurd")
NOISE_BYTES = (10, 200)

# Numbers that are well-formed for a C reader yet absurd for a position, a speed or a time:
# huge, negative, not-a-number, infinite, hexadecimal floats, out of every integer range.
ABSURD_NUMBERS = (
    "1e308", "-1e308", "3.5e38", "1e-400", "99999999999999999999", "-99999.9999",
    "-1", "-0.0", "-2147483649", "2147483648", "4294967296",
    "nan", "NAN", "-nan", "inf", "-inf", "INFINITY", "0x1p3", "0x1.8p+10", "-0X7FFFp-2",
)
NUMBER = re.compile(rb"^-?\d+(?:\.\d*)?$")


def is_sentence(line):
    return split_sentence(line) is not None


def targets(lines):
    """Indexes of the sentences a fault may spoil: the RMC and GGA sentences the viewer
    reads when there are any, otherwise every sentence."""
    sentences = [i for i, line in enumerate(lines) if is_sentence(line)]
    fix_data = [i for i in sentences if lines[i][3:7] in (b"RMC,", b"GGA,")]
    return fix_data or sentences


def noise(rng):
    """A burst of random bytes, any of the 256 values, as a loose connector makes."""
    return bytes(rng.randrange(256) for _ in range(rng.randint(*NOISE_BYTES)))


def cut(rng, sentence):
    """The sentence broken off at a random byte before its checksum ends, without CRLF."""
    end = len(sentence.rstrip(b"\r\n"))
    return sentence[:rng.randint(1, max(1, end - 1))]


def with_nul(rng, sentence):
    """A NUL byte put between '$' and '*'; XOR with 0 leaves the checksum right."""
    star = sentence.find(b"*")
    at = rng.randint(1, star if star > 0 else max(1, len(sentence) - 1))
    return sentence[:at] + b"\0" + sentence[at:]


def absurd(rng, sentence):
    """One to three numeric fields replaced by absurd numbers, with a correct checksum."""
    parts = split_sentence(sentence)
    if parts is None:
        return sentence
    body, _, rest = parts
    fields = body.split(b",")
    numeric = [i for i in range(1, len(fields)) if NUMBER.match(fields[i])]
    if not numeric:
        return sentence
    for i in rng.sample(numeric, min(len(numeric), rng.randint(1, 3))):
        fields[i] = rng.choice(ABSURD_NUMBERS).encode("ascii")
    body = b",".join(fields)
    return b"$%s*%02X%s" % (body, checksum(body), rest)


def half(sentence):
    return sentence[:max(1, len(sentence) // 2)]


class Faults:
    """One fault every `every` seconds of stream time, of a kind picked at random from
    `kinds`. apply() takes the lines of one epoch and gives them back, with the fault in
    them when one is due, and whether the receiver hangs up after them."""

    def __init__(self, kinds, every, rng):
        self.kinds = tuple(kinds)
        self.every = every
        self.rng = rng
        self.next_at = every
        self.count = 0

    def apply(self, offset, lines):
        if not self.kinds or offset < self.next_at:
            return lines, False
        kind = self.rng.choice(self.kinds)
        sentences = targets(lines)
        if kind != "noise" and not sentences:
            return lines, False  # nothing to spoil here; try the next epoch
        while self.next_at <= offset:
            self.next_at += self.every
        self.count += 1
        lines = list(lines)
        if kind == "noise":
            lines.insert(self.rng.randint(0, len(lines)), noise(self.rng))
            return lines, False
        i = self.rng.choice(sentences)
        if kind == "hangup":
            return lines[:i] + [half(lines[i])], True
        if kind == "cut":
            lines[i] = cut(self.rng, lines[i])
        elif kind == "nul":
            lines[i] = with_nul(self.rng, lines[i])
        else:
            lines[i] = absurd(self.rng, lines[i])
        return lines, False
