"""Injected faults: what each one does to a sentence, and when they come."""

import datetime
import random
import unittest

import simtest
from nmea_sim import faults, sentences

WHEN = datetime.datetime(2024, 5, 1, 12, 0, 0)
RMC = sentences.rmc(WHEN, -33.86, 151.21, 27.0, 181.5)
GGA = sentences.gga(WHEN, -33.86, 151.21, 8, 0.9, 54.2, 22.1)
GSV = sentences.gsv([sentences.Satellite(4, 40, 120, 33)])[0]


class SpoiltSentenceTest(unittest.TestCase):
    def test_noise(self):
        rng = random.Random(1)
        bursts = [faults.noise(rng) for _ in range(200)]
        self.assertTrue(all(10 <= len(b) <= 200 for b in bursts))
        self.assertTrue(any(byte >= 128 for b in bursts for byte in b))
        lengths = [len(b) for b in bursts]
        self.assertLessEqual(min(lengths), 20)
        self.assertGreaterEqual(max(lengths), 190)

    def test_cut(self):
        rng = random.Random(2)
        for _ in range(200):
            cut = faults.cut(rng, RMC)
            self.assertTrue(RMC.startswith(cut) and 1 <= len(cut) < len(RMC) - 2, cut)
            self.assertNotIn(b"\n", cut)
            self.assertFalse(sentences.has_good_checksum(cut + b"\r\n"), cut)

    def test_nul(self):
        rng = random.Random(3)
        for _ in range(100):
            spoilt = faults.with_nul(rng, GGA)
            self.assertEqual(spoilt.count(b"\0"), 1)
            at = spoilt.index(b"\0")
            self.assertTrue(0 < at <= spoilt.index(b"*"), spoilt)
            self.assertEqual(spoilt.replace(b"\0", b""), GGA)
            # XOR with 0: the checksum still holds
            self.assertTrue(sentences.has_good_checksum(spoilt), spoilt)

    def test_absurd(self):
        rng = random.Random(4)
        kinds = set()
        for _ in range(300):
            for original in (RMC, GGA, GSV):
                spoilt = faults.absurd(rng, original)
                self.assertTrue(sentences.has_good_checksum(spoilt), spoilt)
                self.assertTrue(spoilt.endswith(b"\r\n"))
                old = original.split(b"*")[0].split(b",")
                new = spoilt.split(b"*")[0].split(b",")
                self.assertEqual(len(old), len(new))
                changed = [n.decode() for o, n in zip(old, new) if o != n]
                self.assertTrue(1 <= len(changed) <= 3, spoilt)
                for text in changed:
                    self.assertIn(text, faults.ABSURD_NUMBERS)
                    # a C reader takes all of it as a number
                    self.assertIsNotNone(simtest.C_FLOAT.fullmatch(text), text)
                    kinds.add(text)
        self.assertEqual(kinds, set(faults.ABSURD_NUMBERS))
        self.assertEqual(faults.absurd(rng, b"$GPTXT,hello*00\r\n"), b"$GPTXT,hello*00\r\n")
        self.assertEqual(faults.absurd(rng, b"\xb5b binary\n"), b"\xb5b binary\n")


class ScheduleTest(unittest.TestCase):
    def epoch(self):
        return [RMC, GGA, GSV]

    def test_one_fault_every_period(self):
        schedule = faults.Faults(["noise", "cut", "nul", "absurd"], 2.0, random.Random(5))
        spoilt_at = []
        for tenth in range(0, 200):  # 20 s at 10 Hz
            offset = tenth / 10.0
            lines, hang_up = schedule.apply(offset, self.epoch())
            self.assertFalse(hang_up)
            if lines != self.epoch():
                spoilt_at.append(offset)
        self.assertEqual(spoilt_at, [2.0 * k for k in range(1, 10)])

    def test_hangup_leaves_half_a_sentence_last(self):
        schedule = faults.Faults(["hangup"], 1.0, random.Random(6))
        self.assertEqual(schedule.apply(0.0, self.epoch()), (self.epoch(), False))
        lines, hang_up = schedule.apply(1.0, self.epoch())
        self.assertTrue(hang_up)
        self.assertIn(lines[-1], (RMC[:len(RMC) // 2], GGA[:len(GGA) // 2]))
        self.assertFalse(lines[-1].endswith(b"\n"))

    def test_faults_wait_for_a_sentence(self):
        schedule = faults.Faults(["cut"], 1.0, random.Random(7))
        header = [b"# nothing to cut\n", b"\xb5b\x01\x02"]
        self.assertEqual(schedule.apply(1.5, header), (header, False))
        lines, _ = schedule.apply(2.5, [GSV, RMC])
        self.assertEqual(lines[0], GSV)  # RMC and GGA are the ones spoilt when present
        self.assertTrue(RMC.startswith(lines[1]) and lines[1] != RMC)


if __name__ == "__main__":
    unittest.main()
