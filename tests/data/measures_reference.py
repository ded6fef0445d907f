#!/usr/bin/env python3
"""Measures of the picture pairs of tests/measures_test.cpp, from their definitions alone.

Plain Python, double precision, no shared code with the C++ measures: SSIM and MS-SSIM are summed
window by window in two dimensions (not separably), CIEDE2000 goes pixel by pixel without tables.
Prints the figures the test pins.
"""
import math

WIDTH, HEIGHT = 23, 17


def reference(x, y):
    return ((7 * x + 3 * y) % 256, (x * y + 11) % 256, (5 * x * x + y) % 256)


def distorted(x, y):
    r, g, b = reference(x, y)
    clamp = lambda v: max(0, min(255, v))
    return (clamp(r + (x + 2 * y) % 7 - 3), clamp(g - (3 * x + y) % 5), clamp(b + ((x * y) % 9) - 4))


def luma(rgb):
    r, g, b = rgb
    return 0.299 * r + 0.587 * g + 0.114 * b


def psnr(squared_error, samples):
    return math.inf if squared_error == 0 else 10 * math.log10(255 ** 2 / (squared_error / samples))


def window_moments(a, b):
    """Means, variances and covariance of every 11 x 11 Gaussian window (sigma 1.5), row by row."""
    sigma, size = 1.5, 11
    g = [math.exp(-((k - 5) ** 2) / (2 * sigma ** 2)) for k in range(size)]
    window = [[g[i] * g[j] for j in range(size)] for i in range(size)]
    total = sum(sum(row) for row in window)
    window = [[w / total for w in row] for row in window]
    for top in range(len(a) - size + 1):
        for left in range(len(a[0]) - size + 1):
            mx = my = sxx = syy = sxy = 0.0
            for i in range(size):
                for j in range(size):
                    w = window[i][j]
                    p, q = a[top + i][left + j], b[top + i][left + j]
                    mx += w * p
                    my += w * q
                    sxx += w * p * p
                    syy += w * q * q
                    sxy += w * p * q
            yield mx, my, sxx - mx * mx, syy - my * my, sxy - mx * my


C1, C2 = (0.01 * 255) ** 2, (0.03 * 255) ** 2


def ssim(a, b):
    values = [((2 * mx * my + C1) * (2 * cov + C2)) / ((mx * mx + my * my + C1) * (vx + vy + C2))
              for mx, my, vx, vy, cov in window_moments(a, b)]
    return sum(values) / len(values)


pixels = [(reference(x, y), distorted(x, y)) for y in range(HEIGHT) for x in range(WIDTH)]
n = WIDTH * HEIGHT
errors = [sum((p[c] - q[c]) ** 2 for p, q in pixels) for c in range(3)]
luma_error = sum((luma(p) - luma(q)) ** 2 for p, q in pixels)
print("psnr_r %.12f" % psnr(errors[0], n))
print("psnr_g %.12f" % psnr(errors[1], n))
print("psnr_b %.12f" % psnr(errors[2], n))
print("psnr %.12f" % psnr(sum(errors), 3 * n))
print("psnr_y %.12f" % psnr(luma_error, n))
a = [[luma(reference(x, y)) for x in range(WIDTH)] for y in range(HEIGHT)]
b = [[luma(distorted(x, y)) for x in range(WIDTH)] for y in range(HEIGHT)]
print("ssim_y %.12f" % ssim(a, b))


# MS-SSIM and CIEDE2000 of a second pair, large enough for five scales and more strongly distorted.
BIG_WIDTH, BIG_HEIGHT = 180, 178


def heavily_distorted(x, y):
    r, g, b = reference(x, y)
    clamp = lambda v: max(0, min(255, v))
    return (clamp(r + 6 * ((x + 2 * y) % 7 - 3)), clamp(g - 5 * ((3 * x + y) % 5)), clamp(b + 3 * ((x * y) % 9 - 4)))


def window_terms(a, b):
    """Means of the contrast-structure and the luminance terms over all windows."""
    terms = [((2 * cov + C2) / (vx + vy + C2), (2 * mx * my + C1) / (mx * mx + my * my + C1))
             for mx, my, vx, vy, cov in window_moments(a, b)]
    return sum(cs for cs, _ in terms) / len(terms), sum(l for _, l in terms) / len(terms)


def halve(plane):
    return [[(plane[2 * r][2 * c] + plane[2 * r][2 * c + 1] + plane[2 * r + 1][2 * c] + plane[2 * r + 1][2 * c + 1]) / 4
             for c in range(len(plane[0]) // 2)] for r in range(len(plane) // 2)]


def ms_ssim(a, b):
    weights = [0.0448, 0.2856, 0.3001, 0.2363, 0.1333]
    result = 1.0
    for scale, weight in enumerate(weights):
        cs, l = window_terms(a, b)
        result *= max(cs, 0.0) ** weight
        if scale == len(weights) - 1:
            result *= l ** weight
        else:
            a, b = halve(a), halve(b)
    return result


def lab(rgb):
    def linear(v):
        v /= 255
        return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4

    r, g, b = (linear(v) for v in rgb)
    xyz = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b,
           0.2126729 * r + 0.7151522 * g + 0.0721750 * b,
           0.0193339 * r + 0.1191920 * g + 0.9503041 * b)
    white = (0.95047, 1.0, 1.08883)
    f = [t ** (1 / 3) if t > (6 / 29) ** 3 else t / (3 * (6 / 29) ** 2) + 4 / 29 for t in (v / w for v, w in zip(xyz, white))]
    return (116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2]))


def ciede2000(lab1, lab2):
    (l1, a1, b1), (l2, a2, b2) = lab1, lab2
    c_mean = (math.hypot(a1, b1) + math.hypot(a2, b2)) / 2
    g = 0.5 * (1 - math.sqrt(c_mean ** 7 / (c_mean ** 7 + 25 ** 7)))
    a1p, a2p = (1 + g) * a1, (1 + g) * a2
    c1p, c2p = math.hypot(a1p, b1), math.hypot(a2p, b2)
    h1p = math.degrees(math.atan2(b1, a1p)) % 360 if (a1p, b1) != (0, 0) else 0.0
    h2p = math.degrees(math.atan2(b2, a2p)) % 360 if (a2p, b2) != (0, 0) else 0.0
    if c1p * c2p == 0:
        dhp, hp_mean = 0.0, h1p + h2p
    else:
        dhp = h2p - h1p
        dhp = dhp - 360 if dhp > 180 else dhp + 360 if dhp < -180 else dhp
        if abs(h1p - h2p) <= 180:
            hp_mean = (h1p + h2p) / 2
        else:
            hp_mean = (h1p + h2p + 360) / 2 if h1p + h2p < 360 else (h1p + h2p - 360) / 2
    dlp, dcp = l2 - l1, c2p - c1p
    dhp_big = 2 * math.sqrt(c1p * c2p) * math.sin(math.radians(dhp) / 2)
    lp_mean, cp_mean = (l1 + l2) / 2, (c1p + c2p) / 2
    t = (1 - 0.17 * math.cos(math.radians(hp_mean - 30)) + 0.24 * math.cos(math.radians(2 * hp_mean))
         + 0.32 * math.cos(math.radians(3 * hp_mean + 6)) - 0.20 * math.cos(math.radians(4 * hp_mean - 63)))
    d_theta = 30 * math.exp(-(((hp_mean - 275) / 25) ** 2))
    r_c = 2 * math.sqrt(cp_mean ** 7 / (cp_mean ** 7 + 25 ** 7))
    s_l = 1 + 0.015 * (lp_mean - 50) ** 2 / math.sqrt(20 + (lp_mean - 50) ** 2)
    s_c = 1 + 0.045 * cp_mean
    s_h = 1 + 0.015 * cp_mean * t
    r_t = -math.sin(math.radians(2 * d_theta)) * r_c
    return math.sqrt((dlp / s_l) ** 2 + (dcp / s_c) ** 2 + (dhp_big / s_h) ** 2 + r_t * (dcp / s_c) * (dhp_big / s_h))


# Rows from the top down: 2 x 2 cells pair rows from the top, so an odd scale drops its bottom row
# (and its right column), as the C++ measure does.
rows = range(BIG_HEIGHT)
a = [[luma(reference(x, y)) for x in range(BIG_WIDTH)] for y in rows]
b = [[luma(heavily_distorted(x, y)) for x in range(BIG_WIDTH)] for y in rows]
similarity = ms_ssim(a, b)
print("ms_ssim_y %.12f" % similarity)
print("ms_ssim_y_db %.12f" % (-10 * math.log10(1 - similarity)))
differences = [ciede2000(lab(reference(x, y)), lab(heavily_distorted(x, y)))
               for y in range(BIG_HEIGHT) for x in range(BIG_WIDTH)]
print("ciede2000 %.12f" % (sum(differences) / len(differences)))
# Pairs 1, 7, 13, 15 and 20 of the published CIEDE2000 test data (2.0425, 2.3669, 7.1792, 7.2195, 27.1492).
for first, second in [((50, 2.6772, -79.7751), (50, 0, -82.7485)), ((50, 0, 0), (50, -1, 2)),
                      ((50, 2.49, -0.001), (50, -2.49, 0.0009)), ((50, 2.49, -0.001), (50, -2.49, 0.0011)),
                      ((50, 2.5, 0), (73, 25, -18))]:
    print("ciede2000 %s %s %.4f" % (first, second, ciede2000(first, second)))
