"""Plane geometry of a road laid out by the IP method, written for the example project generator
without reference to the product: clothoids by their power series (checked against numerical
integration), arcs, straights, stationing, station/offset evaluation and projection.

Points are (east, north) pairs; headings are radians counter-clockwise from east; a turn is +1
to the left and -1 to the right; offsets are positive to the right of the direction of travel.
"""
import math


def clothoid_local(s, a):
    """The point at length s from a clothoid's origin: x along the main tangent, y toward the
    inside of the curve. Series of the Fresnel integrals, summed until the terms vanish."""
    if s == 0.0:
        return 0.0, 0.0
    t = s * s / (2.0 * a * a)
    x = y = 0.0
    term_x, term_y = 1.0, t  # (-1)^n t^2n / (2n)!  and  (-1)^n t^(2n+1) / (2n+1)!
    n = 0
    while True:
        dx, dy = term_x / (4 * n + 1), term_y / (4 * n + 3)
        x += dx
        y += dy
        if abs(dx) < 1e-18 and abs(dy) < 1e-18:
            break
        n += 1
        term_x *= -t * t / ((2 * n - 1) * (2 * n))
        term_y *= -t * t / ((2 * n) * (2 * n + 1))
    return s * x, s * y


def clothoid_local_by_quadrature(s, a, intervals=4000):
    """The same point by Simpson's rule on cos and sin of u^2 / 2A^2 (the cross-check)."""
    h = s / intervals
    sx = sy = 0.0
    for i in range(intervals + 1):
        u = i * h
        w = 1 if i in (0, intervals) else (4 if i % 2 else 2)
        phase = u * u / (2.0 * a * a)
        sx += w * math.cos(phase)
        sy += w * math.sin(phase)
    return sx * h / 3.0, sy * h / 3.0


def rotate(vx, vy, angle):
    c, s = math.cos(angle), math.sin(angle)
    return vx * c - vy * s, vx * s + vy * c


def wrap(angle):
    """The angle brought into (-pi, pi]."""
    angle = math.fmod(angle, 2.0 * math.pi)
    if angle <= -math.pi:
        angle += 2.0 * math.pi
    elif angle > math.pi:
        angle -= 2.0 * math.pi
    return angle


class Line:
    kind = "Line"

    def __init__(self, start, end):
        self.start, self.end = tuple(start), tuple(end)
        self.length = math.hypot(end[0] - start[0], end[1] - start[1])
        self.heading = math.atan2(end[1] - start[1], end[0] - start[0])

    def at(self, s):
        return (self.start[0] + s * math.cos(self.heading),
                self.start[1] + s * math.sin(self.heading), self.heading)


class Arc:
    kind = "Curve"

    def __init__(self, start, heading, radius, turn, length):
        self.start, self.heading, self.radius, self.turn = tuple(start), heading, radius, turn
        self.length = length
        self.centre = (start[0] - turn * radius * math.sin(heading),
                       start[1] + turn * radius * math.cos(heading))
        self.end = self.at(length)[:2]

    @classmethod
    def through(cls, start, end, radius, turn):
        """The minor arc of that radius from start to end, turning to the given side."""
        ce, cn = end[0] - start[0], end[1] - start[1]
        half = math.hypot(ce, cn) / 2.0
        if half > radius:
            raise ValueError("no arc of that radius joins the points")
        rise = math.sqrt(radius * radius - half * half)
        ue, un = ce / (2.0 * half), cn / (2.0 * half)
        centre = (start[0] + ce / 2.0 - turn * rise * un, start[1] + cn / 2.0 + turn * rise * ue)
        heading = math.atan2(start[1] - centre[1], start[0] - centre[0]) + turn * math.pi / 2.0
        return cls(start, heading, radius, turn, 2.0 * radius * math.asin(half / radius))

    def at(self, s):
        swept = self.turn * s / self.radius
        re, rn = rotate(self.start[0] - self.centre[0], self.start[1] - self.centre[1], swept)
        return self.centre[0] + re, self.centre[1] + rn, self.heading + swept


class Spiral:
    """A clothoid between a straight (curvature 0) and a circle of radius `radius`, either
    leaving the straight (`entering` True) or running from the circle back to a straight."""
    kind = "Spiral"

    def __init__(self, start, heading, a, radius, turn, entering):
        self.start, self.heading, self.a, self.radius = tuple(start), heading, a, radius
        self.turn, self.entering = turn, entering
        self.length = a * a / radius
        if not entering:
            # The origin (infinite radius) lies at the far end: reached by running back from it.
            total = self.length * self.length / (2.0 * a * a)
            self._end_heading = heading + turn * total
            x, y = clothoid_local(self.length, a)
            oe, on = rotate(x, -turn * y, self._end_heading + math.pi)
            self._origin = (start[0] - oe, start[1] - on)
        self.end = self.at(self.length)[:2]

    def at(self, s):
        a, turn = self.a, self.turn
        if self.entering:
            x, y = clothoid_local(s, a)
            de, dn = rotate(x, turn * y, self.heading)
            return self.start[0] + de, self.start[1] + dn, self.heading + turn * s * s / (2 * a * a)
        back = self.length - s
        x, y = clothoid_local(back, a)
        de, dn = rotate(x, -turn * y, self._end_heading + math.pi)
        return (self._origin[0] + de, self._origin[1] + dn,
                self._end_heading - turn * back * back / (2 * a * a))


class Alignment:
    def __init__(self, name, elements, start_station):
        self.name, self.elements, self.start_station = name, elements, start_station
        self.length = sum(e.length for e in elements)

    def locate(self, station):
        """(element, distance along it) for a station, or None outside the alignment."""
        along = station - self.start_station
        if along < 0.0 or along > self.length:
            return None
        for element in self.elements:
            if along <= element.length:
                return element, along
            along -= element.length
        last = self.elements[-1]
        return last, last.length

    def point(self, station, offset=0.0):
        """(east, north, heading) at a station and offset, or None outside the alignment."""
        found = self.locate(station)
        if found is None:
            return None
        e, n, h = found[0].at(found[1])
        return e + offset * math.sin(h), n - offset * math.cos(h), h

    def project(self, east, north):
        """(station, offset) of the alignment's point nearest to a point."""
        best = None
        before = self.start_station
        for element in self.elements:
            s = _nearest_along(element, east, north)
            pe, pn, h = element.at(s)
            distance = math.hypot(east - pe, north - pn)
            if best is None or distance < best[2]:
                offset = (east - pe) * math.sin(h) - (north - pn) * math.cos(h)
                best = (before + s, offset, distance)
            before += element.length
        return best[0], best[1]


def _nearest_along(element, east, north):
    """Distance along the element of its point nearest to (east, north): a coarse scan, then a
    golden-section search in the best bracket."""
    steps = max(8, int(element.length / 2.0))

    def d2(s):
        pe, pn, _ = element.at(s)
        return (pe - east) ** 2 + (pn - north) ** 2

    samples = [element.length * i / steps for i in range(steps + 1)]
    i = min(range(len(samples)), key=lambda k: d2(samples[k]))
    lo, hi = samples[max(i - 1, 0)], samples[min(i + 1, steps)]
    ratio = (math.sqrt(5.0) - 1.0) / 2.0
    c, d = hi - ratio * (hi - lo), lo + ratio * (hi - lo)
    fc, fd = d2(c), d2(d)
    while hi - lo > 1e-11:
        if fc < fd:
            hi, d, fd = d, c, fc
            c = hi - ratio * (hi - lo)
            fc = d2(c)
        else:
            lo, c, fc = c, d, fd
            d = lo + ratio * (hi - lo)
            fd = d2(d)
    return (lo + hi) / 2.0


def ip_curve(ip, heading_in, heading_out, radius, a_in, a_out):
    """The curve at an IP joining the two legs: clothoid a_in, arc, clothoid a_out (a simple arc
    when both are 0). Returns the elements and the tangent lengths from the IP."""
    deflection = wrap(heading_out - heading_in)
    turn = 1 if deflection > 0 else -1
    angle = abs(deflection)
    if a_in == 0 and a_out == 0:
        tangent = radius * math.tan(angle / 2.0)
        start = (ip[0] - tangent * math.cos(heading_in), ip[1] - tangent * math.sin(heading_in))
        return [Arc(start, heading_in, radius, turn, radius * angle)], tangent, tangent
    shifts = []
    for a in (a_in, a_out):
        length = a * a / radius
        tau = length / (2.0 * radius)
        x, y = clothoid_local(length, a)
        shifts.append((x - radius * math.sin(tau), y - radius * (1.0 - math.cos(tau)), tau))
    (xm1, dr1, tau1), (xm2, dr2, tau2) = shifts
    t1 = xm1 + (radius + dr2) / math.sin(angle) - (radius + dr1) / math.tan(angle)
    t2 = xm2 + (radius + dr1) / math.sin(angle) - (radius + dr2) / math.tan(angle)
    start = (ip[0] - t1 * math.cos(heading_in), ip[1] - t1 * math.sin(heading_in))
    first = Spiral(start, heading_in, a_in, radius, turn, True)
    arc = Arc(first.end, heading_in + turn * tau1, radius, turn, radius * (angle - tau1 - tau2))
    last = Spiral(arc.end, arc.at(arc.length)[2], a_out, radius, turn, False)
    end = (ip[0] + t2 * math.cos(heading_out), ip[1] + t2 * math.sin(heading_out))
    closure = math.hypot(last.end[0] - end[0], last.end[1] - end[1])
    if closure > 1e-9 or abs(wrap(last.at(last.length)[2] - heading_out)) > 1e-12:
        raise AssertionError(f"curve at IP does not close ({closure:.3e} m)")
    return [first, arc, last], t1, t2


def spiral_fitted(start, end, a, radius, turn, entering):
    """The clothoid as a route's two main points and its parameters define it: the standard
    clothoid turned about `start` until its chord lies along start->end. It ends on that chord
    at the standard chord length, which is `end` itself when the points lie on such a curve."""
    standard = Spiral((0.0, 0.0), 0.0, a, radius, turn, entering)
    turned = (math.atan2(end[1] - start[1], end[0] - start[0])
              - math.atan2(standard.end[1], standard.end[0]))
    return Spiral(start, turned, a, radius, turn, entering)
