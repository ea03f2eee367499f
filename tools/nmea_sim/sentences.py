"""NMEA 0183 sentences as a receiver sends them: checksums, field formats, RMC, GGA and GSV."""

import math
from dataclasses import dataclass

TALKER = "GP"
# GSV carries at most four satellites per sentence.
GSV_PER_SENTENCE = 4


def checksum(body):
    """XOR of every byte between '$' and '*'."""
    if isinstance(body, str):
        body = body.encode("latin-1")
    value = 0
    for byte in body:
        value ^= byte
    return value


def frame(body):
    """One whole sentence: '$', the body, '*', two upper-case hex digits and CRLF."""
    return b"$%s*%02X\r\n" % (body.encode("latin-1"), checksum(body))


def split_sentence(line):
    """(body, checksum text, rest) of a framed sentence, or None when the line is not one.
    rest is whatever follows the two checksum digits (the line ending, usually)."""
    if not line.startswith(b"$"):
        return None
    star = line.find(b"*")
    if star < 0 or len(line) < star + 3:
        return None
    return line[1:star], line[star + 1:star + 3], line[star + 3:]


def has_good_checksum(line):
    parts = split_sentence(line)
    if parts is None:
        return False
    body, given, _ = parts
    try:
        return int(given, 16) == checksum(body)
    except ValueError:
        return False


def angle_field(value, degree_digits):
    """ddmm.mmmm (or dddmm.mmmm) of the absolute value, rounded to 1/10000 minute.
    Whole 1/10000 minutes are counted first so that 59.99995 minutes carries into the
    next degree instead of printing as 60.0000."""
    units = int(round(abs(value) * 600000))
    degrees, rest = divmod(units, 600000)
    minutes, fraction = divmod(rest, 10000)
    return "%0*d%02d.%04d" % (degree_digits, degrees, minutes, fraction)


def latitude_fields(lat):
    """(ddmm.mmmm, N|S) of signed decimal degrees; a value that rounds to zero is N."""
    text = angle_field(lat, 2)
    return text, ("S" if lat < 0 and text != "0000.0000" else "N")


def longitude_fields(lon):
    """(dddmm.mmmm, E|W) of signed decimal degrees; a value that rounds to zero is E."""
    text = angle_field(lon, 3)
    return text, ("W" if lon < 0 and text != "00000.0000" else "E")


def time_field(when):
    """hhmmss.ss, the hundredths truncated as receivers do."""
    return "%02d%02d%02d.%02d" % (when.hour, when.minute, when.second, when.microsecond // 10000)


def date_field(when):
    return "%02d%02d%02d" % (when.day, when.month, when.year % 100)


def course_field(course):
    """Degrees true with one decimal, 0.0 up to 359.9."""
    tenths = math.floor(course * 10.0 + 0.5) % 3600
    return "%d.%d" % divmod(tenths, 10)


# $GPRMC,123519.00,A,4807.0380,N,01131.0000,E,22.4,84.4,230394,,,A*cs
def rmc(when, lat, lon, speed_knots, course, talker=TALKER):
    lat_text, ns = latitude_fields(lat)
    lon_text, ew = longitude_fields(lon)
    return frame("%sRMC,%s,A,%s,%s,%s,%s,%.1f,%s,%s,,,A" % (
        talker, time_field(when), lat_text, ns, lon_text, ew, max(speed_knots, 0.0),
        course_field(course), date_field(when)))


# $GPRMC,123519.00,V,,,,,,,230394,,,N*cs  -- what a receiver without a fix sends
def rmc_no_fix(when, talker=TALKER):
    return frame("%sRMC,%s,V,,,,,,,%s,,,N" % (talker, time_field(when), date_field(when)))


# $GPGGA,123519.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,*cs
def gga(when, lat, lon, sats_used, hdop, altitude, geoid, talker=TALKER):
    lat_text, ns = latitude_fields(lat)
    lon_text, ew = longitude_fields(lon)
    return frame("%sGGA,%s,%s,%s,%s,%s,1,%02d,%.1f,%.1f,M,%.1f,M,," % (
        talker, time_field(when), lat_text, ns, lon_text, ew, sats_used, hdop, altitude, geoid))


# $GPGGA,123519.00,,,,,0,00,99.99,,,,,,*cs
def gga_no_fix(when, talker=TALKER):
    return frame("%sGGA,%s,,,,,0,00,99.99,,,,,," % (talker, time_field(when)))


@dataclass
class Satellite:
    prn: int
    elevation: int  # degrees above the horizon
    azimuth: int    # degrees true
    snr: int | None  # dB-Hz; None when the receiver sees the satellite but does not track it


# $GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*cs
def gsv(satellites, talker=TALKER):
    """The GSV sentences of one epoch; '$GPGSV,1,1,00' when no satellite is in view."""
    count = len(satellites)
    total = max(1, math.ceil(count / GSV_PER_SENTENCE))
    sentences = []
    for number in range(total):
        body = "%sGSV,%d,%d,%02d" % (talker, total, number + 1, count)
        for sat in satellites[number * GSV_PER_SENTENCE:(number + 1) * GSV_PER_SENTENCE]:
            snr = "" if sat.snr is None else "%02d" % sat.snr
            body += ",%02d,%02d,%03d,%s" % (sat.prn, sat.elevation, sat.azimuth, snr)
        sentences.append(frame(body))
    return sentences


def epoch_sentences(epoch):
    """RMC, GGA and the GSV cycle of one epoch of the drive (see drive.Epoch)."""
    if not epoch.fix:
        return [rmc_no_fix(epoch.time), gga_no_fix(epoch.time)] + gsv(epoch.satellites)
    return [rmc(epoch.time, epoch.lat, epoch.lon, epoch.speed_knots, epoch.course),
            gga(epoch.time, epoch.lat, epoch.lon, epoch.sats_used, epoch.hdop,
                epoch.altitude, epoch.geoid)] + gsv(epoch.satellites)
