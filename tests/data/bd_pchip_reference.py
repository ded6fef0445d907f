#!/usr/bin/env python3
"""Delta rate and delta quality with PCHIP for the curves of BjontegaardPchipTest, from the definition.

Each curve is evaluated through the Hermite basis functions and integrated by composite Simpson
between neighbouring knots, apart from the C++ code's power-form antiderivative. Plain Python 3.
"""
import bisect
import math

ANCHOR = [(0.21, 27.1), (0.33, 29.6), (0.44, 31.0), (0.53, 31.9), (0.62, 32.6),
          (0.72, 33.2), (0.86, 34.0), (1.07, 35.1), (1.55, 37.0)]
# Noisy on purpose: the rate dips between 30.2 and 31.0 dB, so slopes are set to zero there.
TEST = [(0.20, 26.5), (0.31, 28.9), (0.40, 30.2), (0.39, 31.0), (0.55, 32.4),
        (0.70, 33.0), (0.82, 34.6), (1.31, 36.3)]


def sign(value):
    return (value > 0) - (value < 0)


def end_slope(h0, h1, m0, m1):
    d = ((2 * h0 + h1) * m0 - h0 * m1) / (h0 + h1)
    if sign(d) != sign(m0):
        return 0.0
    return 3 * m0 if sign(m0) != sign(m1) and abs(d) > 3 * abs(m0) else d


def slopes(xs, ys):
    h = [b - a for a, b in zip(xs, xs[1:])]
    m = [(ys[i + 1] - ys[i]) / h[i] for i in range(len(h))]
    d = [0.0] * len(xs)
    for k in range(1, len(xs) - 1):
        if m[k - 1] * m[k] > 0:
            w1, w2 = 2 * h[k] + h[k - 1], h[k] + 2 * h[k - 1]
            d[k] = (w1 + w2) / (w1 / m[k - 1] + w2 / m[k])
    d[0] = end_slope(h[0], h[1], m[0], m[1])
    d[-1] = end_slope(h[-1], h[-2], m[-1], m[-2])
    return d


def interpolant(pairs):
    xs, ys = zip(*sorted(pairs))
    ds = slopes(xs, ys)

    def value(x):
        k = min(bisect.bisect_right(xs, x) - 1, len(xs) - 2)
        h = xs[k + 1] - xs[k]
        t = (x - xs[k]) / h
        return ((2 * t ** 3 - 3 * t ** 2 + 1) * ys[k] + (t ** 3 - 2 * t ** 2 + t) * h * ds[k]
                + (3 * t ** 2 - 2 * t ** 3) * ys[k + 1] + (t ** 3 - t ** 2) * h * ds[k + 1])

    return value, xs


def simpson(f, a, b, steps=2000):
    width = (b - a) / steps
    inner = sum((4 if i % 2 else 2) * f(a + i * width) for i in range(1, steps))
    return (f(a) + inner + f(b)) * width / 3


def mean_difference(anchor_pairs, test_pairs):
    anchor, anchor_knots = interpolant(anchor_pairs)
    test, test_knots = interpolant(test_pairs)
    low, high = max(anchor_knots[0], test_knots[0]), min(anchor_knots[-1], test_knots[-1])
    cuts = sorted({low, high} | {x for x in anchor_knots + test_knots if low < x < high})
    total = sum(simpson(lambda x: test(x) - anchor(x), a, b) for a, b in zip(cuts, cuts[1:]))
    return total / (high - low)


by_quality = lambda curve: [(q, math.log10(r)) for r, q in curve]
by_log_rate = lambda curve: [(math.log10(r), q) for r, q in curve]
print(f"delta rate    {(10 ** mean_difference(by_quality(ANCHOR), by_quality(TEST)) - 1) * 100:.12f} %")
print(f"delta quality {mean_difference(by_log_rate(ANCHOR), by_log_rate(TEST)):.12f} dB")
