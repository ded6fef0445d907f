#!/usr/bin/env python3
"""Reference delta rate and delta quality with PCHIP, worked from the definition.

Evaluates each curve through the Hermite basis functions and integrates by composite Simpson
between every pair of neighbouring knots, independently of the power-form antiderivative the
C++ code uses. Prints the values BjontegaardPchipTest pins. Plain Python 3, no packages.
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
    if sign(m0) != sign(m1) and abs(d) > 3 * abs(m0):
        return 3 * m0
    return d


def slopes(xs, ys):
    h = [xs[i + 1] - xs[i] for i in range(len(xs) - 1)]
    m = [(ys[i + 1] - ys[i]) / h[i] for i in range(len(h))]
    if len(xs) == 2:
        return [m[0], m[0]]
    d = [0.0] * len(xs)
    for k in range(1, len(xs) - 1):
        if m[k - 1] * m[k] > 0:
            w1 = 2 * h[k] + h[k - 1]
            w2 = h[k] + 2 * h[k - 1]
            d[k] = (w1 + w2) / (w1 / m[k - 1] + w2 / m[k])
    d[0] = end_slope(h[0], h[1], m[0], m[1])
    d[-1] = end_slope(h[-1], h[-2], m[-1], m[-2])
    return d


def interpolant(pairs):
    pairs = sorted(pairs)
    xs = [p[0] for p in pairs]
    ys = [p[1] for p in pairs]
    ds = slopes(xs, ys)

    def value(x):
        k = min(max(bisect.bisect_right(xs, x) - 1, 0), len(xs) - 2)
        h = xs[k + 1] - xs[k]
        t = (x - xs[k]) / h
        h00 = 2 * t ** 3 - 3 * t ** 2 + 1
        h10 = t ** 3 - 2 * t ** 2 + t
        h01 = -2 * t ** 3 + 3 * t ** 2
        h11 = t ** 3 - t ** 2
        return h00 * ys[k] + h10 * h * ds[k] + h01 * ys[k + 1] + h11 * h * ds[k + 1]

    return value, xs


def simpson(f, a, b, steps=2000):
    width = (b - a) / steps
    total = f(a) + f(b)
    for i in range(1, steps):
        total += (4 if i % 2 else 2) * f(a + i * width)
    return total * width / 3


def mean_difference(anchor_pairs, test_pairs):
    anchor, anchor_knots = interpolant(anchor_pairs)
    test, test_knots = interpolant(test_pairs)
    low = max(anchor_knots[0], test_knots[0])
    high = min(anchor_knots[-1], test_knots[-1])
    cuts = sorted({low, high} | {x for x in anchor_knots + test_knots if low < x < high})
    total = sum(simpson(lambda x: test(x) - anchor(x), a, b) for a, b in zip(cuts, cuts[1:]))
    return total / (high - low)


def main():
    by_quality = lambda curve: [(q, math.log10(r)) for r, q in curve]
    by_log_rate = lambda curve: [(math.log10(r), q) for r, q in curve]
    rate = (10 ** mean_difference(by_quality(ANCHOR), by_quality(TEST)) - 1) * 100
    quality = mean_difference(by_log_rate(ANCHOR), by_log_rate(TEST))
    print(f"delta rate    {rate:.12f} %")
    print(f"delta quality {quality:.12f} dB")


if __name__ == "__main__":
    main()
