#!/usr/bin/env python3
"""Independent reference for the subtractive random streams (written from the algorithm's
description, not from the C++ code): prints the first 60 draws for a few seeds, as C++ rows for
random_test.cpp."""
M = 2147483647
def wrap(v):
    v &= 0xFFFFFFFF
    return v - (1 << 32) if v >= 1 << 31 else v

def seed(x):
    t = [0] * 56
    ax = wrap(-x) if x < 0 else x
    mj = wrap(161803398 - ax)
    t[55] = mj
    mk = 1
    for i in range(1, 55):
        ii = (21 * i) % 55
        t[ii] = mk
        mk = wrap(mj - mk)
        if mk < 0:
            mk = wrap(mk + M)
        mj = t[ii]
    for _ in range(4):
        for i in range(1, 56):
            t[i] = wrap(t[i] - t[1 + (i + 30) % 55])
            if t[i] < 0:
                t[i] = wrap(t[i] + M)
    return [0, t]

def draw(s):
    s[0] += 1
    if s[0] >= 56:
        s[0] = 1
    i = s[0]
    j = i + 21 if i <= 34 else i - 34
    t = s[1]
    v = wrap(t[i] - t[j])
    if v < 0:
        v = wrap(v + M)
    t[i] = v
    return v

for x in (0, 1, -1, -2147483648, 123456789):
    s = seed(x)
    vals = [draw(s) for _ in range(60)]
    print("    {%d, {%s}}," % (x, ", ".join(str(v) for v in vals)))
