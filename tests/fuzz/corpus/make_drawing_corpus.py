#!/usr/bin/env python3
"""Writes the drawing fuzz target's seed corpus into drawing/ (run from this folder).

Each seed is a few frames of the byte layout FuzzDrawing.cpp reads: a frame kind (0, 1 the editor's draw loop,
2 a renderer frame, 3 a screen scale), then for a draw-loop frame the number of calls less one and the calls, each
its operation byte and argument bytes. Bytes below 26 pick the table of extremes; others are ordinary values
((b - 26) / 2 - 10), so the argument runs below use ordinary bytes between 40 and 150 unless a seed is about an
extreme. The arguments of one call are read first to last, as the call lists them.
"""
import os
import random

EXTREMES = {"zero": 0, "nan": 4, "inf": 5, "ninf": 6, "tiny": 7, "e10": 9, "fltmax": 11}

rng = random.Random(49)


def ordinary(n):
    return bytes(rng.randrange(40, 150) for _ in range(n))


def draw_frame(ops, args=ordinary, nargs=40):
    out = bytes([0, len(ops) - 1])
    for op in ops:
        out += bytes([op]) + args(nargs)
    return out


def renderer_frame(ops, ratio=2, nargs=12):
    out = bytes([2, 150, 150, ratio, len(ops) - 1])
    for op in ops:
        out += bytes([op]) + ordinary(nargs)
    return out


def same(value):
    return lambda n: bytes([value]) * n


seeds = {}
# Every drawing operation with ordinary arguments, seven to a seed.
for first in range(0, 56, 7):
    seeds[f"draw_ops_{first:02d}"] = draw_frame(list(range(first, min(first + 7, 56))))
# Paths built, filled and stroked, with layers opened, drawn and shadowed.
seeds["paths_and_strokes"] = draw_frame([37, 38, 40, 41, 36, 35, 42, 37, 38, 38, 43, 55, 55])
seeds["layers_and_shadows"] = draw_frame([48, 3, 16, 49, 50, 48, 13, 49, 53, 51, 52, 54]) + draw_frame([50, 53])
seeds["transforms_and_clip"] = draw_frame([46, 46, 47, 16, 46, 19, 46, 55, 47, 24])
# The extremes, every argument the same.
for name, value in EXTREMES.items():
    seeds[f"extreme_{name}"] = draw_frame([6, 19, 36, 42, 55, 14, 22, 24], same(value), 30)
# Renderer frames: every function once, at ordinary and extreme pixel ratios.
seeds["renderer_ops"] = renderer_frame(list(range(0, 48, 2))) + renderer_frame(list(range(1, 48, 2)))
seeds["renderer_ratio_e10"] = renderer_frame([1, 2, 6, 15, 9, 14, 13, 15], ratio=EXTREMES["e10"])
seeds["renderer_ratio_tiny"] = renderer_frame([1, 3, 15, 10, 14, 45], ratio=EXTREMES["tiny"])
# Screen scales between frames.
seeds["screen_scales"] = bytes([3, 30]) + draw_frame([16, 24]) + bytes([3, EXTREMES["e10"]]) + draw_frame([16])
seeds["screen_scale_tiny"] = bytes([3, EXTREMES["tiny"]]) + draw_frame([16, 42, 28])

os.makedirs("drawing", exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join("drawing", name), "wb") as f:
        f.write(data)
