#!/usr/bin/env python3
"""Measures of the small picture pair of tests/measures_test.cpp, from their definitions alone.

Plain Python, double precision, no shared code with the C++ measures: SSIM is summed window by
window in two dimensions (not separably). Prints the figures the test pins.
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


def ssim(a, b):
    sigma, size = 1.5, 11
    g = [math.exp(-((k - 5) ** 2) / (2 * sigma ** 2)) for k in range(size)]
    window = [[g[i] * g[j] for j in range(size)] for i in range(size)]
    total = sum(sum(row) for row in window)
    window = [[w / total for w in row] for row in window]
    c1, c2 = (0.01 * 255) ** 2, (0.03 * 255) ** 2
    values = []
    for top in range(HEIGHT - size + 1):
        for left in range(WIDTH - size + 1):
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
            vx, vy, cov = sxx - mx * mx, syy - my * my, sxy - mx * my
            values.append(((2 * mx * my + c1) * (2 * cov + c2)) / ((mx * mx + my * my + c1) * (vx + vy + c2)))
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
