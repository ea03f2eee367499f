"""The generated drive: a car in town that starts, cruises near 50 km/h, slows for turns, stops
at red lights and now and then loses the fix, with the sky of satellites a receiver reports."""

import datetime
import math
from dataclasses import dataclass, field

from .sentences import Satellite

EARTH_RADIUS_M = 6371008.8
KNOT_MPS = 1852.0 / 3600.0
KMH_MPS = 1.0 / 3.6

ACCELERATION = 1.8     # m/s², an ordinary start from the lights
BRAKING = 2.5          # m/s²
CRUISE_KMH = (44.0, 56.0)
CRUISE_LEG_S = (20.0, 70.0)
TURN_KMH = 18.0
TURN_RADIUS_M = 12.0
TURN_ANGLES = (45.0, 90.0, 90.0, 90.0, 120.0)
TURN_SHARE = 0.6       # the rest of the legs end at red lights
RED_LIGHT_S = (12.0, 40.0)
FIRST_WAIT_S = 3.0
# The fix is lost for a while (an underpass, tall buildings); never within the first
# 100 s, so a drive that crosses a line does so with a fix.
FIRST_LOSS_S = (100.0, 160.0)
LOSS_S = (12.0, 25.0)
LOSS_GAP_S = (180.0, 420.0)
SATELLITES_IN_SKY = 12
# Crossing starts this far from the line, so that the car crosses it after about 30 s.
CROSS_DISTANCE_M = 350.0
CROSS_STRAIGHT_S = 90.0
CROSSINGS = ("equator", "meridian", "antimeridian", "degree")


@dataclass
class Epoch:
    """What the receiver knows at one epoch; the sentences are built from it."""
    time: datetime.datetime
    fix: bool
    lat: float            # signed decimal degrees
    lon: float
    speed_knots: float
    course: float         # degrees true
    altitude: float       # metres above mean sea level
    geoid: float          # geoid separation, metres
    hdop: float
    sats_used: int
    satellites: list = field(default_factory=list)


def move(lat, lon, heading, distance):
    """The point `distance` metres from (lat, lon) along `heading`; steps are short, so a
    flat step is exact enough. Crossing a pole comes back down the other side."""
    h = math.radians(heading)
    lat += math.degrees(distance * math.cos(h) / EARTH_RADIUS_M)
    if lat > 90.0 or lat < -90.0:
        lat = math.copysign(180.0, lat) - lat
        lon += 180.0
        heading = (180.0 - heading) % 360.0
    else:
        cos_lat = max(math.cos(math.radians(lat)), 1e-9)
        lon += math.degrees(distance * math.sin(h) / (EARTH_RADIUS_M * cos_lat))
    return lat, wrap_longitude(lon), heading


def wrap_longitude(lon):
    """Longitude in [-180, 180)."""
    return (lon + 180.0) % 360.0 - 180.0


def crossing_start(kind, lat, lon):
    """(lat, lon, heading) of a start CROSS_DISTANCE_M from the line `kind` names, on the
    side of (lat, lon), heading straight across it. 'degree' crosses the whole-degree
    latitude and longitude lines nearest to the start together, at their corner."""
    step = math.degrees(CROSS_DISTANCE_M / EARTH_RADIUS_M)
    if kind == "equator":
        side = 1.0 if lat > 0 else -1.0
        return side * step, lon, (180.0 if side > 0 else 0.0)
    if kind == "meridian":
        lat = max(-80.0, min(80.0, lat))
        side = 1.0 if lon > 0 else -1.0
        return lat, side * step / math.cos(math.radians(lat)), (270.0 if side > 0 else 90.0)
    if kind == "antimeridian":
        lat = max(-80.0, min(80.0, lat))
        side = 1.0 if lon >= 0 else -1.0
        offset = step / math.cos(math.radians(lat))
        return lat, side * (180.0 - offset), (90.0 if side > 0 else 270.0)
    if kind == "degree":
        corner_lat = max(-80.0, min(80.0, float(round(lat))))
        corner_lon = float(round(lon))
        north = 1.0 if lat > corner_lat else -1.0
        east = 1.0 if lon > corner_lon else -1.0
        diagonal = step / math.sqrt(2.0)
        start_lat = corner_lat + north * diagonal
        start_lon = corner_lon + east * diagonal / math.cos(math.radians(start_lat))
        heading = math.degrees(math.atan2(-east, -north)) % 360.0
        return start_lat, wrap_longitude(start_lon), heading
    raise ValueError("unknown crossing %r" % kind)


class Sky:
    """The satellites in view: fixed places that drift slowly, signal strengths that flicker."""

    def __init__(self, rng):
        self.rng = rng
        self.sats = []
        for prn in sorted(rng.sample(range(1, 33), SATELLITES_IN_SKY)):
            elevation = rng.uniform(5.0, 85.0)
            self.sats.append({
                "prn": prn, "elevation": elevation, "azimuth": rng.uniform(0.0, 360.0),
                "drift": rng.uniform(-0.004, 0.004),
                "strength": 18.0 + 0.35 * elevation + rng.uniform(-4.0, 4.0)})
        self.few = []

    def advance(self, dt):
        for sat in self.sats:
            sat["elevation"] = max(1.0, min(89.0, sat["elevation"] + sat["drift"] * dt))
            sat["azimuth"] = (sat["azimuth"] + abs(sat["drift"]) * dt) % 360.0

    def in_view(self):
        """All satellites with their signal strengths, and the number good enough to use."""
        result = []
        used = 0
        for sat in self.sats:
            snr = int(round(max(0.0, min(50.0, sat["strength"] + self.rng.gauss(0.0, 1.5)))))
            tracked = sat["elevation"] >= 8.0 and snr >= 15
            result.append(Satellite(sat["prn"], int(sat["elevation"]), int(sat["azimuth"]) % 360,
                                    snr if tracked else None))
            used += 1 if tracked and snr >= 28 else 0
        return result, max(4, min(used, 12))

    def without_fix(self):
        """The few satellites a receiver still sees while it has lost the fix."""
        return [Satellite(s.prn, s.elevation, s.azimuth,
                          None if s.snr is None else int(self.rng.uniform(8, 20)))
                for s in self.few]

    def lose(self):
        highest = sorted(self.sats, key=lambda s: -s["elevation"])
        count = self.rng.randint(1, 3)
        self.few = [Satellite(s["prn"], int(s["elevation"]), int(s["azimuth"]) % 360,
                              None if self.rng.random() < 0.3 else 0)
                    for s in highest[:count]]


class Drive:
    """The car: one call of advance() per epoch moves it by one epoch's time."""

    def __init__(self, rng, lat, lon, start_time, rate_hz, heading=None, cross=False):
        self.rng = rng
        self.lat, self.lon = lat, lon
        self.start_time = start_time
        self.rate_hz = rate_hz
        self.dt = 1.0 / rate_hz
        self.index = 0
        self.elapsed = 0.0
        self.heading = rng.uniform(0.0, 360.0) if heading is None else heading % 360.0
        self.speed = 0.0
        self.yaw_drift = 0.0
        self.travelled = 0.0
        self.base_altitude = rng.uniform(20.0, 400.0)
        self.geoid = round(rng.uniform(-30.0, 50.0), 1)
        self.sky = Sky(rng)
        # A crossing drive goes straight on for its first minute and a half.
        self.straight_until = CROSS_STRAIGHT_S if cross else 0.0
        self.phase = "wait"
        self.phase_left = FIRST_WAIT_S
        self.cruise_target = 0.0
        self.turn_left = 0.0
        self.turn_sign = 1.0
        self.lost = False
        self.loss_at = rng.uniform(*FIRST_LOSS_S)
        self.loss_until = 0.0

    # --- motion -----------------------------------------------------------------------

    def start_cruise(self):
        self.phase = "cruise"
        self.cruise_target = self.rng.uniform(*CRUISE_KMH) * KMH_MPS
        self.phase_left = self.rng.uniform(*CRUISE_LEG_S)
        if self.elapsed < self.straight_until:
            self.phase_left = max(self.phase_left, self.straight_until - self.elapsed)

    def end_cruise(self):
        if self.rng.random() < TURN_SHARE:
            self.phase = "turn"
            self.turn_left = self.rng.choice(TURN_ANGLES)
            self.turn_sign = self.rng.choice((-1.0, 1.0))
        else:
            self.phase = "lights"

    def target_speed(self):
        if self.phase == "cruise":
            return self.cruise_target
        if self.phase == "turn":
            return TURN_KMH * KMH_MPS
        return 0.0

    def steer(self, dt):
        """Degrees to turn in this step."""
        if self.phase == "turn" and self.speed <= (TURN_KMH + 2.0) * KMH_MPS:
            step = math.degrees(self.speed / TURN_RADIUS_M) * dt
            step = min(step, self.turn_left)
            self.turn_left -= step
            if self.turn_left <= 1e-9:
                self.start_cruise()
            return self.turn_sign * step
        if self.elapsed < self.straight_until or self.speed < 1.0:
            return 0.0
        # Roads bend a little: a slow random turn rate, pulled back towards straight.
        self.yaw_drift += self.rng.gauss(0.0, 0.4) * dt - 0.2 * self.yaw_drift * dt
        self.yaw_drift = max(-2.0, min(2.0, self.yaw_drift))
        return self.yaw_drift * dt

    def advance(self):
        dt = self.dt
        if self.phase == "wait":
            self.phase_left -= dt
            if self.phase_left <= 0.0:
                self.start_cruise()
        elif self.phase == "cruise":
            self.phase_left -= dt
            self.cruise_target += self.rng.gauss(0.0, 0.15) * dt
            low, high = (k * KMH_MPS for k in CRUISE_KMH)
            self.cruise_target = max(low, min(high, self.cruise_target))
            if self.phase_left <= 0.0:
                self.end_cruise()
        elif self.phase == "lights" and self.speed <= 0.0:
            self.phase = "wait"
            self.phase_left = self.rng.uniform(*RED_LIGHT_S)

        gap = self.target_speed() - self.speed
        if gap > 0.0:
            self.speed += min(gap, ACCELERATION * dt)
        else:
            self.speed -= min(-gap, BRAKING * dt)
        self.heading = (self.heading + self.steer(dt)) % 360.0

        distance = self.speed * dt
        self.lat, self.lon, self.heading = move(self.lat, self.lon, self.heading, distance)
        self.travelled += distance
        self.sky.advance(dt)
        self.index += 1
        self.elapsed = self.index * dt

        if self.lost and self.elapsed >= self.loss_until:
            self.lost = False
            self.loss_at = self.elapsed + self.rng.uniform(*LOSS_GAP_S)
        elif not self.lost and self.elapsed >= self.loss_at:
            self.lost = True
            self.loss_until = self.elapsed + self.rng.uniform(*LOSS_S)
            self.sky.lose()

    # --- what the receiver reports --------------------------------------------------

    def time(self):
        return self.start_time + datetime.timedelta(
            microseconds=round(self.index * 1e6 / self.rate_hz))

    def altitude(self):
        # Gentle hills as a function of the way travelled.
        d = self.travelled
        return self.base_altitude + 12.0 * math.sin(d / 900.0) + 4.0 * math.sin(d / 260.0 + 1.0)

    def epoch(self):
        fix = not self.lost
        if fix:
            satellites, used = self.sky.in_view()
            hdop = round(0.6 + 4.0 / used + self.rng.uniform(0.0, 0.2), 1)
        else:
            satellites, used, hdop = self.sky.without_fix(), 0, 99.99
        return Epoch(time=self.time(), fix=fix, lat=self.lat, lon=self.lon,
                     speed_knots=self.speed / KNOT_MPS, course=self.heading,
                     altitude=self.altitude(), geoid=self.geoid, hdop=hdop,
                     sats_used=used, satellites=satellites)
