#!/usr/bin/env python3
"""Make a synthetic river system for flowplex: parameter file, series files,
historic files and the forecasting parameters, all mutually consistent.

How the system is made (fixed seed, so every run gives the same files):

* Model first, record second.  For every gauge the annual model is *chosen*:
  a Johnson transform (SL, SU, SB or SN) whose scale lambda is set so that the
  mean annual flow hits a chosen target, an ARMA(2,2) on the standardised
  normalised annual flows (AMEAN 0, ASD 1), and, for ephemeral gauges, a
  probability P0 of a zero year.  Cross-gauge innovations follow a factor
  model (one regional factor plus one factor per sub-catchment); CMAT1 is the
  Cholesky factor of that innovation covariance, scaled so every gauge's ARMA
  value has unit variance.  CMAT2..CMAT5 are diagonal start matrices that give
  the two starting lags unit variance (the generator warms up 200 years anyway).
* The historical record is simulated from exactly that model, with the same
  steps the generator takes: innovations -> ARMA recursion -> compression of
  normalised values above 3.2 -> zero-year rule -> inverse transform
  (SL: q = lambda*(exp(b) + xi), xi scaled by lambda).  Annual flows are split
  into months by fragments: a wet summer season (peak around February), a dry
  winter, with year-to-year noise shared between gauges.  Rainfall follows the
  annual flow loosely; afforestation and irrigation are small and grow slowly.
* Statistics printed from the parameter file (historical mean and SD, AICc,
  lag-one serial correlation of the normalised flows) are measured on the
  simulated record.  The forecasting file is fitted from the record: monthly
  mean and SD of ln(flow), an AR(4) on the standardised log flows by
  Yule-Walker (hence stable); its noise correlation is the annual innovation
  correlation.  Previous and current years are simulated from that AR(4).

Usage:
  python3 tools/make_river_system.py --out DIR            (the bundled example)
  python3 tools/make_river_system.py --out DIR --gauges 300 --years 200 --keys 20 [--all-keys]
  python3 tools/make_river_system.py --answers FILE [--workload A|B] [--gauges N] [--years Y]
  python3 tools/make_river_system.py --check DIR
"""

import argparse
import math
import os
import random
import re
import sys
from statistics import NormalDist

ND = NormalDist()
MONTHS = 12
EXTS = ("INC", "RNK", "RAN", "AFF", "IRR")
COMPRESS_AT = 3.2000000476837158  # the generator's single-precision 3.2


# ----------------------------------------------------------------------------
# Transforms, as the generator applies them
# ----------------------------------------------------------------------------

def inverse_transform(x, itype, p1, p2, p3, p4):
    """Normalised annual value -> annual flow (negatives reflected and shrunk)."""
    b = (x - p1) / p2
    if itype == 1:                       # SL, location scaled by lambda
        q = p3 * (math.exp(b) + p4)
    elif itype == 2:                     # SU
        q = p3 * math.sinh(b) + p4
    elif itype == 3:                     # SB, bounded between p4 and p4+p3
        q = p4 + p3 / (1.0 + math.exp(-b))
    elif itype == 4:                     # SN
        q = b
    else:
        return 0.0
    return 0.1 * abs(q) if q < 0 else q


def forward_transform(q, itype, p1, p2, p3, p4):
    """Annual flow -> normalised value; None where the flow lies outside the range."""
    try:
        if itype == 1:
            return p1 + p2 * math.log(q / p3 - p4)
        if itype == 2:
            return p1 + p2 * math.asinh((q - p4) / p3)
        if itype == 3:
            u = (q - p4) / p3
            if not 0.0 < u < 1.0:
                return None
            return p1 + p2 * math.log(u / (1.0 - u))
        if itype == 4:
            return p1 + p2 * q
    except ValueError:
        return None
    return None


def compress(x):
    return COMPRESS_AT + (x - COMPRESS_AT) / 13.0 if x > COMPRESS_AT else x


def mean_flow_unit_lambda(itype, p1, p2, p4_per_lambda):
    """Mean annual flow of a transform with lambda = 1 for standard normal x (trapezoid)."""
    n, lo, hi = 3200, -8.0, 8.0
    h = (hi - lo) / n
    tot = 0.0
    for i in range(n + 1):
        z = lo + i * h
        w = 0.5 if i in (0, n) else 1.0
        p4 = p4_per_lambda
        tot += w * inverse_transform(compress(z), itype, p1, p2, 1.0, p4) * math.exp(-0.5 * z * z)
    return tot * h / math.sqrt(2.0 * math.pi)


def r6(v):
    """Round to the six decimals the parameter file carries."""
    return float("%.6f" % v)


# ----------------------------------------------------------------------------
# Small linear algebra
# ----------------------------------------------------------------------------

def cholesky(a):
    n = len(a)
    low = [[0.0] * n for _ in range(n)]
    for i in range(n):
        li = low[i]
        for j in range(i + 1):
            lj = low[j]
            s = a[i][j] - sum(li[k] * lj[k] for k in range(j))
            if i == j:
                if s <= 0.0:
                    raise ValueError("covariance not positive definite")
                li[i] = math.sqrt(s)
            else:
                li[j] = s / lj[j]
    return low


def psi_weights(phi1, phi2, th1, th2, n=300):
    psi = [1.0]
    for k in range(1, n):
        v = phi1 * psi[k - 1] + (phi2 * psi[k - 2] if k >= 2 else 0.0)
        if k == 1:
            v -= th1
        elif k == 2:
            v -= th2
        psi.append(v)
    return psi


def levinson(r, order):
    """Yule-Walker AR coefficients from autocorrelations r[0..order]; returns (a, err)."""
    a = [0.0] * (order + 1)
    err = r[0]
    for k in range(1, order + 1):
        acc = r[k] - sum(a[j] * r[k - j] for j in range(1, k))
        refl = acc / err
        new = a[:]
        new[k] = refl
        for j in range(1, k):
            new[j] = a[j] - refl * a[k - j]
        a = new
        err *= (1.0 - refl * refl)
    return a[1:], err


def ar_stable(coefs):
    """Step-down test: an AR polynomial is stable iff all reflection coefficients lie in (-1, 1)."""
    a = list(coefs)
    while a:
        k = a[-1]
        if abs(k) >= 1.0:
            return False
        p = len(a)
        if p == 1:
            return True
        a = [(a[j] + k * a[p - 2 - j]) / (1.0 - k * k) for j in range(p - 1)]
    return True


# ----------------------------------------------------------------------------
# The systems
# ----------------------------------------------------------------------------

def bundled_gauges():
    """Five gauges of a summer-rainfall river with two sub-catchments and a dry tributary."""
    return [
        dict(name="KLIP01 KLIPRIVIER AT WELGEDACHT", start=1920, nyears=80, itype=1, maf=182.0,
             cv=0.48, arma=(0.30, 0.0, 0.0, 0.0), group=0, l=0.65, m=0.55, map=780.0, peak=5.0),
        dict(name="KLIP02 KLIPRIVIER AT HOOGEKRAAL", start=1925, nyears=80, itype=2, maf=312.0,
             cv=0.0, arma=(0.45, 0.0, 0.15, 0.0), group=0, l=0.70, m=0.55, map=740.0, peak=5.2),
        dict(name="BERG01 BERGSPRUIT AT KLEINFONTEIN", start=1931, nyears=65, itype=1, maf=96.0,
             cv=0.55, arma=(0.25, 0.10, 0.0, 0.0), group=1, l=0.60, m=0.50, map=910.0, peak=4.6),
        dict(name="DROOG01 DROOGLOOP AT SANDDRIF", start=1928, nyears=74, itype=3, maf=21.5,
             cv=0.0, arma=(0.15, 0.0, 0.0, 0.0), group=2, l=0.55, m=0.0, map=430.0, peak=5.5,
             p0=0.05),
        dict(name="MOOI01 MOOIRIVIER AT RIETVLEI", start=1935, nyears=69, itype=1, maf=61.0,
             cv=0.45, arma=(0.30, 0.0, 0.0, 0.0), group=1, l=0.60, m=0.50, map=860.0, peak=4.8,
             no_model=True),
    ], [1, 2, 3], "KLIPRIVIER SYSTEM - BUNDLED EXAMPLE OF FIVE GAUGES"


def large_gauges(n, years, nkeys, all_keys, rng, varied=False):
    width = max(3, len(str(n)))
    gauges = []
    for i in range(n):
        kind = i % 10
        itype = 1 if kind < 6 else (2 if kind < 8 else (3 if kind == 8 else 4))
        maf = min(900.0, max(10.0, math.exp(rng.gauss(math.log(150.0), 0.8))))
        while True:
            l, m = rng.uniform(0.45, 0.70), rng.uniform(0.30, 0.55)
            if 1.0 - l * l - m * m >= 0.1:
                break
        g = dict(name="G%0*d SYNTHETIC GAUGE %0*d" % (width, i + 1, width, i + 1),
                 start=1900, nyears=years, itype=itype, maf=round(maf, 1),
                 cv=rng.uniform(0.35, 0.60),
                 arma=(round(rng.uniform(0.1, 0.45), 2), 0.0, 0.0, 0.0),
                 group=i // 10, l=l, m=m, map=round(rng.uniform(450.0, 1100.0)),
                 peak=rng.uniform(4.2, 5.8))
        if itype == 3 and i % 50 == 8:
            g["p0"] = 0.05
        if varied:
            vary_model(g, rng)
        gauges.append(g)
    if all_keys:
        keys = list(range(1, n + 1))
    else:
        nkeys = max(0, min(nkeys, n))
        keys = sorted({1 + (k * n) // nkeys for k in range(nkeys)}) if nkeys else []
    return gauges, keys, "SYNTHETIC SYSTEM OF %d GAUGES, %d YEARS" % (n, years)


ARMA_ORDERS = [(p, q) for p in range(3) for q in range(3)]


def from_partials(partials):
    """Coefficients of a polynomial of order 1 or 2 from partial autocorrelations in (-1, 1)."""
    if len(partials) == 1:
        return [partials[0], 0.0]
    if len(partials) == 2:
        return [partials[0] * (1.0 - partials[1]), partials[1]]
    return [0.0, 0.0]


def vary_model(g, rng):
    """For refitting experiments: an ARMA order drawn at random, with coefficients well inside
    the stationary and invertible region and no pair of nearly cancelling roots, and SN
    gauges spread little enough that their flows stay positive."""
    p, q = ARMA_ORDERS[rng.randrange(len(ARMA_ORDERS))]
    while True:
        ar = from_partials([rng.choice((-1, 1)) * rng.uniform(0.25, 0.6) if k == 0 else rng.uniform(-0.4, 0.4)
                            for k in range(p)])
        ma = from_partials([rng.choice((-1, 1)) * rng.uniform(0.25, 0.5) if k == 0 else rng.uniform(-0.3, 0.3)
                            for k in range(q)])
        if p == 0 or q == 0 or abs(ar[0] - ma[0]) > 0.4:
            break
    g["arma"] = (round(ar[0], 4), round(ar[1], 4), round(ma[0], 4), round(ma[1], 4))
    g["order"] = (p, q)
    if g["itype"] == 4:
        g["cv"] = rng.uniform(0.15, 0.3)


def true_quantile(g, prob):
    """The annual flow not exceeded with probability prob under the gauge's model; None
    where the probability of a zero year reaches prob, and the flow is no quantile of the
    flowing years."""
    p0 = g.get("p0", 0.0)
    if prob <= p0:
        return None
    x = ND.inv_cdf((prob - p0) / (1.0 - p0))
    return inverse_transform(x, g["itype"], *g["tpar"])


def write_truth(path, system):
    """The model the record was made from, for comparing a refit with."""
    import json
    gauges = []
    for g in system["gauges"]:
        gauges.append(dict(stem=g["name"].split()[0], itype=g["itype"], tpar=list(g["tpar"]), arma=list(g["arma"]),
                           order=list(g.get("order", (1, 0))), p0=g.get("p0", 0.0),
                           quantiles=[true_quantile(g, p) for p in (0.05, 0.5, 0.95)]))
    with open(path, "w") as f:
        json.dump(dict(gauges=gauges, correlation=system["correlation"], years=gauges and system["gauges"][0]["nyears"]),
                  f, indent=1)


def choose_transform(g):
    """Fix the four transform parameters so the model's mean annual flow is the target."""
    t, maf, p0 = g["itype"], g["maf"], g.get("p0", 0.0)
    if t == 1:
        p1, p2, p4 = 0.0, r6(1.0 / math.sqrt(math.log(1.0 + g["cv"] ** 2))), 0.05
    elif t == 2:
        p1, p2 = -0.8, 1.6
        mu, sd = -p1 / p2, 1.0 / p2
        p4 = -math.sinh(mu - 3.0 * sd)          # per unit lambda: flows stay >= 0 down to z = -3
    elif t == 3:
        p1, p2, p4 = 1.2, 1.1, 0.0
    else:
        p2 = r6(1.0 / (g["cv"] * maf))
        p1 = r6(-maf * p2)
        return (4, p1, p2, 0.0, 0.0)
    lam = r6(maf / ((1.0 - p0) * mean_flow_unit_lambda(t, p1, p2, p4)))
    if t == 2:
        p4 = r6(lam * p4)                        # SU location is in flow units
    return (t, p1, p2, lam, p4)


def seasonal_shares(peak, width, floor):
    w = []
    for m in range(1, 13):
        d = min(abs(m - peak), 12 - abs(m - peak))
        w.append(floor + math.exp(-0.5 * (d / width) ** 2))
    s = sum(w)
    return [v / s for v in w]


def build(gauges, keys, title, first_year, last_year, rng):
    n = len(gauges)
    for g in gauges:
        t, p1, p2, p3, p4 = choose_transform(g)
        g["tpar"] = (p1, p2, p3, p4)
        phi1, phi2, th1, th2 = g["arma"]
        g["s"] = 1.0 / math.sqrt(sum(v * v for v in psi_weights(phi1, phi2, th1, th2)))

    # Innovation covariance of the factor model, and its factor CMAT1.
    ngroups = max(g["group"] for g in gauges) + 1
    cov = [[0.0] * n for _ in range(n)]
    corr = [[0.0] * n for _ in range(n)]
    for i, gi in enumerate(gauges):
        for j, gj in enumerate(gauges[: i + 1]):
            r = gi["l"] * gj["l"] + (gi["m"] * gj["m"] if gi["group"] == gj["group"] else 0.0)
            if i == j:
                r = 1.0
            corr[i][j] = corr[j][i] = r
            cov[i][j] = cov[j][i] = r * gi["s"] * gj["s"]
    cmat1 = cholesky(cov)
    cnoise = cholesky(corr)

    # Simulate the annual model over the whole span after a warm-up.
    span = last_year - first_year + 1
    warm = 100
    ylag = [[0.0, 0.0] for _ in range(n)]
    elag = [[0.0, 0.0] for _ in range(n)]
    ann = [[0.0] * span for _ in range(n)]
    yser = [[0.0] * span for _ in range(n)]
    eser = [[0.0] * span for _ in range(n)]
    for t in range(warm + span):
        f = rng.gauss(0.0, 1.0)
        gf = [rng.gauss(0.0, 1.0) for _ in range(ngroups)]
        for i, g in enumerate(gauges):
            own = math.sqrt(1.0 - g["l"] ** 2 - g["m"] ** 2)
            e = g["s"] * (g["l"] * f + g["m"] * gf[g["group"]] + own * rng.gauss(0.0, 1.0))
            phi1, phi2, th1, th2 = g["arma"]
            y = phi1 * ylag[i][0] + e - th1 * elag[i][0] + phi2 * ylag[i][1] - th2 * elag[i][1]
            ylag[i] = [y, ylag[i][0]]
            elag[i] = [e, elag[i][0]]
            if t < warm:
                continue
            x = compress(y)
            p0 = g.get("p0", 0.0)
            if p0 > 0.0:
                p = ND.cdf(y)
                if p < p0:
                    q = 0.0
                else:
                    x = ND.inv_cdf(min(max((p - p0) / (1.0 - p0), 1e-12), 1.0 - 1e-12))
                    q = inverse_transform(x, g["itype"], *g["tpar"])
            else:
                q = inverse_transform(x, g["itype"], *g["tpar"])
            ann[i][t - warm] = q
            yser[i][t - warm] = y
            eser[i][t - warm] = e

    # Months by fragments; noise partly shared between gauges within a year.
    common = [[rng.gauss(0.0, 1.0) for _ in range(MONTHS)] for _ in range(span)]
    for i, g in enumerate(gauges):
        shares = seasonal_shares(g["peak"], 1.6, 0.06)
        rshares = seasonal_shares(g["peak"] - 0.7, 2.2, 0.10)
        aff_sh = seasonal_shares(g["peak"] - 1.0, 3.0, 0.6)
        irr_sh = seasonal_shares(g["peak"] + 6.0, 2.0, 0.15)
        aff0, irr0 = 0.012 * g["maf"], 0.02 * g["maf"]
        inc, ran, aff, irr = {}, {}, {}, {}
        seen = set()
        for y in range(g["start"], g["start"] + g["nyears"]):
            t = y - first_year
            q = ann[i][t]
            own, frag = 0.0, []
            for m in range(MONTHS):
                own = 0.5 * own + math.sqrt(0.75) * rng.gauss(0.0, 1.0)
                u = 0.75 * common[t][m] + 0.66 * own
                frag.append(shares[m] * math.exp(0.45 * u))
            fs = sum(frag)
            cents = [int(round(100.0 * q * v / fs)) for v in frag]
            while sum(cents) > 0 and sum(cents) in seen:   # ranked years must differ
                cents[cents.index(max(cents))] += 1
            seen.add(sum(cents))
            inc[y] = cents
            level = max(q, 0.1 * g["maf"]) / g["maf"]
            rain = g["map"] * level ** 0.3 * math.exp(0.08 * rng.gauss(0.0, 1.0))
            rf = [rshares[m] * math.exp(0.5 * rng.gauss(0.0, 1.0)) for m in range(MONTHS)]
            rsum = sum(rf)
            ran[y] = [int(round(100.0 * rain * v / rsum)) for v in rf]
            grow = 1.0 + 1.5 * (y - g["start"]) / max(1, g["nyears"] - 1)
            a = aff0 * grow * (1.0 + 0.1 * rng.gauss(0.0, 1.0))
            aff[y] = [max(0, int(round(100.0 * a * v))) for v in aff_sh]
            w = irr0 * grow * min(1.4, max(0.6, 1.2 - 0.4 * level))
            irr[y] = [max(0, int(round(100.0 * w * v * math.exp(0.2 * rng.gauss(0.0, 1.0)))))
                      for v in irr_sh]
        g["series"] = dict(INC=inc, RAN=ran, AFF=aff, IRR=irr)
        g["ann"] = [sum(inc[y]) / 100.0 for y in sorted(inc)]
        g["y"], g["e"] = yser[i], eser[i]

    # Statistics of the record that the parameter file carries (printed only).
    for i, g in enumerate(gauges):
        a = g["ann"]
        nn = len(a)
        mean = sum(a) / nn
        sd = math.sqrt(sum((v - mean) ** 2 for v in a) / (nn - 1))
        t0 = g["start"] - first_year
        ys, es = g["y"][t0:t0 + nn], g["e"][t0:t0 + nn]
        k = sum(1 for c in g["arma"] if c != 0.0) + 1
        s2 = sum(e * e for e in es) / nn
        aicc = nn * math.log(s2) + 2 * k + 2.0 * k * (k + 1) / (nn - k - 1)
        ym = sum(ys) / nn
        c0 = sum((v - ym) ** 2 for v in ys)
        r1 = sum((ys[j] - ym) * (ys[j + 1] - ym) for j in range(nn - 1)) / c0
        g["hstat"] = (mean, sd, aicc, r1)
        g["izero"] = sum(1 for v in a if v == 0.0)
        # bootstrap starting values: the last two years of the record
        g["start_vals"] = (es[-1], ys[-1], es[-2], ys[-2])

    return dict(gauges=gauges, keys=keys, title=title, cmat1=cmat1, cnoise=cnoise, correlation=corr)


# ----------------------------------------------------------------------------
# Writers
# ----------------------------------------------------------------------------

def series_line(year, cents):
    vals = "".join("%7.2f " % (c / 100.0) for c in cents)
    return "    %4d %s%9.2f\n" % (year, vals, sum(cents) / 100.0)


def matrix_rows(rows):
    out = []
    for row in rows:
        for k in range(0, len(row), 10):
            out.append("".join("%12.6f" % v for v in row[k:k + 10]) + "\n")
    return out


def free_rows(values, fmt, per_line=10):
    out = []
    for k in range(0, len(values), per_line):
        out.append(" " + " ".join(fmt % v for v in values[k:k + per_line]) + "\n")
    return out


def start_matrices(gauges):
    """Diagonal start matrices: both starting lags get unit variance."""
    n = len(gauges)
    c2, c3, c4, c5 = ([[0.0] * n for _ in range(n)] for _ in range(4))
    for i, g in enumerate(gauges):
        phi1, _, th1, _ = g["arma"]
        s2 = g["s"] ** 2
        c3[i][i] = math.sqrt(max(0.0, 1.0 - s2))
        v1 = s2 + phi1 * phi1 - 2.0 * phi1 * th1 * s2 + th1 * th1 * s2
        c2[i][i] = math.sqrt(max(0.0, 1.0 - v1))
        c4[i][i] = 0.0 - phi1
        c5[i][i] = 0.0 - th1
    return c2, c3, c4, c5


def write_parmset(path, system):
    gauges, keys = system["gauges"], system["keys"]
    L = ["%5d\n" % len(gauges), " %s\n" % system["title"]]
    L += free_rows([len(keys)] + keys, "%d", 16) if keys else [" 0\n"]
    L.append(" GAUGE NAME / YEARS, FIRST YEAR, STARTS / TRANSFORM / MODEL / STATISTICS\n")
    for g in gauges:
        itype = 0 if g.get("no_model") else g["itype"]
        e1, y1, e2, y2 = g["start_vals"]
        L.append("%s\n" % g["name"])
        L.append(" %d %d %.6f %.6f %.6f %.6f\n" % (g["nyears"], g["start"], e1, y1, e2, y2))
        L.append(" %d %.6f %.6f %.6f %.6f\n" % ((itype,) + tuple(g["tpar"])))
        phi1, phi2, th1, th2 = g["arma"]
        L.append(" %.6f %.6f %.6f %.6f %.6f %.6f %.6f %d\n"
                 % (0.0, 1.0, phi1, phi2, th1, th2, g.get("p0", 0.0), g["izero"]))
        L.append(" %.4f %.4f %.4f %.4f\n" % g["hstat"])
        L.append(" " + "-" * 70 + "\n")
    L.append(" CMAT1: FACTOR OF THE INNOVATION COVARIANCE (LOWER TRIANGULAR)\n")
    L += matrix_rows(system["cmat1"])
    names = ("CMAT2: START MATRIX OF THE LAG-ONE VALUE", "CMAT3: START MATRIX OF THE LAG-TWO VALUE",
             "CMAT4: LAG-TWO VALUE IN THE LAG-ONE START", "CMAT5: LAG-TWO INNOVATION IN THE LAG-ONE START")
    for label, mat in zip(names, start_matrices(gauges)):
        L.append(" " + "-" * 70 + "\n")
        L.append(" %s\n" % label)
        L += matrix_rows(mat)
    with open(path, "w") as f:
        f.writelines(L)


def write_series(out, g):
    stem = g["name"].split()[0]
    inc = g["series"]["INC"]
    years = sorted(inc)
    lines = {ext: [] for ext in EXTS + ("HIS",)}
    for y in years:
        lines["INC"].append(series_line(y, inc[y]))
        for ext in ("RAN", "AFF", "IRR"):
            lines[ext].append(series_line(y, g["series"][ext][y]))
    lines["HIS"] = lines["INC"]
    for y in sorted(years, key=lambda yy: (sum(inc[yy]), yy)):
        lines["RNK"].append(series_line(y, inc[y]))
    for ext, ls in lines.items():
        with open(os.path.join(out, "%s.%s" % (stem, ext)), "w") as f:
            f.writelines(ls)


def fit_forecast(g):
    """Monthly ln-flow statistics and a Yule-Walker AR(4) of the gauge's record."""
    inc = g["series"]["INC"]
    years = sorted(inc)
    fmean, fsd = [], []
    for m in range(MONTHS):
        logs = [math.log(inc[y][m] / 100.0) for y in years if inc[y][m] > 0]
        mu = sum(logs) / len(logs)
        sd = math.sqrt(sum((v - mu) ** 2 for v in logs) / (len(logs) - 1))
        fmean.append(mu)
        fsd.append(max(sd, 0.05))
    z = []
    for y in years:
        for m in range(MONTHS):
            c = inc[y][m]
            z.append(max(-3.0, (math.log(c / 100.0) - fmean[m]) / fsd[m]) if c > 0 else -3.0)
    zm = sum(z) / len(z)
    r = [sum((z[t] - zm) * (z[t + k] - zm) for t in range(len(z) - k)) / len(z) for k in range(5)]
    a, err = levinson(r, 4)
    return a, math.sqrt(max(err, 1e-4)), fmean, fsd


def write_paramfor(path, system, rng):
    gauges = system["gauges"]
    n = len(gauges)
    fits = [fit_forecast(g) for g in gauges]
    last = max(g["start"] + g["nyears"] - 1 for g in gauges)
    # Previous and current years simulated from the fitted model itself.
    zl = [[0.0] * 4 for _ in range(n)]
    flows = [[] for _ in range(n)]
    lower = system["cnoise"]
    for step in range(48 + 12 + 5):
        eps = [rng.gauss(0.0, 1.0) for _ in range(n)]
        m = step % 12
        for i in range(n):
            a, sige, fmean, fsd = fits[i]
            noise = sum(lower[i][j] * eps[j] for j in range(i + 1))
            zz = sum(a[k] * zl[i][k] for k in range(4)) + sige * noise
            zl[i] = [zz] + zl[i][:3]
            if step >= 48:
                flows[i].append(max(0.01, round(math.exp(zz * fsd[m] + fmean[m]), 2)))
    L = [" FORECASTING PARAMETERS: %s\n" % system["title"]]
    for i, g in enumerate(gauges):
        a, sige, fmean, fsd = fits[i]
        prev, cur = flows[i][:12], flows[i][12:] + [-1.0] * 7
        L.append(" %s\n" % g["name"])
        L.append(" AR(4) COEFFICIENTS AND NOISE SCALE / MEAN AND SD OF LN(FLOW) / "
                 "PREVIOUS AND CURRENT YEAR\n")
        L.append(" %.6f %.6f %.6f %.6f %.6f\n" % (tuple(a) + (sige,)))
        L.append(" " + " ".join("%.6f" % v for v in fmean) + "\n")
        L.append(" " + " ".join("%.6f" % v for v in fsd) + "\n")
        L.append(" %d " % (last + 1) + " ".join("%.2f" % v for v in prev) + " %.2f\n" % sum(prev))
        L.append(" %d " % (last + 2) + " ".join("%.2f" % v for v in cur)
                 + " %.2f\n" % sum(v for v in cur if v > 0))
    L.append(" " + "-" * 70 + "\n")
    L.append(" NOISE CORRELATION FACTOR (LOWER TRIANGULAR), ONE ROW PER GAUGE\n")
    for row in lower:
        L += free_rows(row, "%.6f")
    with open(path, "w") as f:
        f.writelines(L)


def answers_lines(nyears, option, gauge_list, dump=None, hist="HIS", menus=None):
    lines = [str(nyears), str(option)] + [str(g) for g in gauge_list]
    if len(gauge_list) < 15:
        lines.append("0")
    lines.append("")
    if dump is not None:
        lines.append(dump)
        if dump.upper() == "Y":
            return lines
    lines += [hist] * len(gauge_list)
    for choices in menus:
        lines += [str(c) for c in choices]
    return lines


def write_answers(path, lines):
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def write_example_answers(out, ngauges):
    gl = list(range(1, ngauges + 1))
    full = [[1, 2, 3, 4]] * len(gl)
    write_answers(os.path.join(out, "answers_rigorous.txt"), answers_lines(50, 0, gl, menus=full))
    write_answers(os.path.join(out, "answers_bootstrap.txt"), answers_lines(50, 1, gl, menus=full))
    write_answers(os.path.join(out, "answers_forecast.txt"), answers_lines(50, 3, gl, dump="Y"))
    write_answers(os.path.join(out, "answers_forecast_nodump.txt"),
                  answers_lines(50, 3, gl, dump="N", menus=full))


def write_workload_answers(path, workload, ngauges, nyears):
    gl = list(range(1, min(15, ngauges) + 1))
    if workload == "A":
        menus = [[1, 2, 3, 4]] + [[4]] * (len(gl) - 1)
    else:
        menus = [[1, 2, 3, 4]] * len(gl)
    write_answers(path, answers_lines(min(200, nyears), 0, gl, menus=menus))


# ----------------------------------------------------------------------------
# Self-check: re-read everything in the layouts the program reads
# ----------------------------------------------------------------------------

class Bad(Exception):
    pass


def need(cond, msg):
    if not cond:
        raise Bad(msg)


def free_group(lines, pos, count):
    vals = []
    while len(vals) < count:
        need(pos < len(lines), "file ends inside a group of %d values" % count)
        toks = [t for t in re.split(r"[ ,\t]+", lines[pos].strip()) if t]
        pos += 1
        vals += toks[: count - len(vals)]
    return [float(v) for v in vals], pos


def fixed_field(text, implied):
    s = text.replace(" ", "")
    if not s:
        return 0.0
    if "." in s:
        return float(s)
    return int(s) / 10.0 ** implied


def read_matrix(lines, pos, n):
    mat = []
    per_row = (n + 9) // 10
    for _ in range(n):
        row = []
        for k in range(per_row):
            need(pos < len(lines), "matrix ends early")
            line = lines[pos]
            pos += 1
            cnt = min(10, n - 10 * k)
            for f in range(cnt):
                field = line[12 * f: 12 * f + 12]
                need("." in field, "matrix field without a decimal point: %r" % field)
                row.append(fixed_field(field, 6))
        mat.append(row)
    return mat, pos


def read_series(path, nyears):
    with open(path) as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    need(len(lines) >= nyears, "%s: %d lines, %d expected" % (path, len(lines), nyears))
    recs = []
    for k, line in enumerate(lines[:nyears]):
        need(len(line) == 114, "%s line %d: length %d, 114 expected" % (path, k + 1, len(line)))
        need(line[:4] == "    " and line[8] == " ", "%s line %d: ignored columns not blank" % (path, k + 1))
        year = int(line[4:8])
        cents = []
        for m in range(MONTHS):
            field = line[9 + 8 * m: 16 + 8 * m]
            need(re.fullmatch(r" *\d+\.\d\d", field) is not None,
                 "%s line %d: month %d field %r not F7.2" % (path, k + 1, m + 1, field))
            need(line[16 + 8 * m] == " ", "%s line %d: separator after month %d" % (path, k + 1, m + 1))
            cents.append(int(round(fixed_field(field, 2) * 100)))
        total = int(round(fixed_field(line[105:114], 2) * 100))
        need(total == sum(cents), "%s line %d: annual total differs from the months" % (path, k + 1))
        recs.append((year, cents))
    return recs


def check(d):
    notes = []
    with open(os.path.join(d, "PARMSET.DAT")) as f:
        lines = f.read().split("\n")
    (ng,), pos = free_group(lines, 0, 1)
    ng = int(ng)
    pos += 1
    (nkey,), _ = free_group(lines, pos, 1)
    nkey = max(0, int(nkey))
    kv, pos = free_group(lines, pos, nkey + 1)
    keys = [int(v) for v in kv[1:]]
    need(all(1 <= k <= ng for k in keys), "key gauge out of range")
    pos += 1
    gauges = []
    for g in range(ng):
        name = lines[pos]
        pos += 1
        need(len(name) <= 40 and name == name.upper() and name[:1] != " ", "bad gauge name %r" % name)
        g2, pos = free_group(lines, pos, 6)
        g3, pos = free_group(lines, pos, 5)
        g4, pos = free_group(lines, pos, 8)
        g5, pos = free_group(lines, pos, 4)
        pos += 1
        gauges.append(dict(name=name, stem=name.split()[0], nyears=int(g2[0]), start=int(g2[1]),
                           itype=int(g3[0]), tpar=g3[1:], amean=g4[0], asd=g4[1], arma=g4[2:6],
                           p0=g4[6], izero=int(g4[7]), hstat=g5))
    stems = [g["stem"] for g in gauges]
    need(len(set(stems)) == ng, "gauge stems not unique")
    need(all(re.fullmatch(r"[A-Z][A-Z0-9_]*", s) for s in stems), "stem not a plain file stem")
    pos += 1
    cm = [None] * 5
    cm[0], pos = read_matrix(lines, pos, ng)
    for k in range(1, 5):
        pos += 2
        cm[k], pos = read_matrix(lines, pos, ng)
    for i in range(ng):
        need(cm[0][i][i] > 0 and all(cm[0][i][j] == 0.0 for j in range(i + 1, ng)),
             "CMAT1 not lower triangular with a positive diagonal")

    istart, iend = 0, 999999
    for g in gauges:
        need(g["start"] >= 1900, "%s: first record year below 1900" % g["stem"])
        istart = max(istart, g["start"])
        iend = min(iend, g["start"] + g["nyears"] - 1)
    ncommon = min(200, iend - istart + 1)
    need(ncommon >= 15, "common period of %d years is too short for the regressions" % ncommon)
    notes.append("%d gauges, %d key gauges, common period %d-%d (%d years)"
                 % (ng, len(keys), istart, istart + ncommon - 1, ncommon))

    for g in gauges:
        t, (p1, p2, p3, p4) = g["itype"], g["tpar"]
        need(0 <= t <= 4, "%s: transform type %d" % (g["stem"], t))
        phi1, phi2, th1, th2 = g["arma"]
        need(abs(phi2) < 1 and phi1 + phi2 < 1 and phi2 - phi1 < 1, "%s: ARMA not stationary" % g["stem"])
        recs = {}
        for ext in EXTS + ("HIS",):
            recs[ext] = read_series(os.path.join(d, "%s.%s" % (g["stem"], ext)), g["nyears"])
        years = [y for y, _ in recs["INC"]]
        need(years == list(range(g["start"], g["start"] + g["nyears"])),
             "%s: INC years not the record period" % g["stem"])
        for ext in ("RAN", "AFF", "IRR", "HIS"):
            need([y for y, _ in recs[ext]] == years, "%s.%s: years differ from INC" % (g["stem"], ext))
        need(recs["HIS"] == recs["INC"], "%s.HIS differs from INC" % g["stem"])
        need(sorted(recs["RNK"]) == sorted(recs["INC"]), "%s.RNK is not the INC records" % g["stem"])
        rtot = [sum(c) for _, c in recs["RNK"]]
        need(rtot == sorted(rtot), "%s.RNK not in ascending order of annual flow" % g["stem"])
        common = [tot for (y, _), tot in zip(recs["RNK"], rtot) if istart <= y < istart + ncommon]
        pos_only = [v for v in common if v > 0]
        need(len(set(pos_only)) == len(pos_only), "%s: ranked years of equal flow" % g["stem"])
        rain = [sum(c) for _, c in recs["RAN"]]
        need(min(rain) > 0, "%s: a year without rainfall" % g["stem"])
        zeros = sum(1 for v in rtot if v == 0)
        need(zeros == g["izero"], "%s: %d zero years, IZERO %d" % (g["stem"], zeros, g["izero"]))
        if zeros:
            need(g["p0"] > 0, "%s: zero years without a zero probability" % g["stem"])
        if t:
            need(p2 != 0.0, "%s: zero transform scale" % g["stem"])
            xs = [forward_transform(v / 100.0, t, p1, p2, p3, p4) for v in rtot if v > 0]
            xs = [x for x in xs if x is not None]
            need(len(xs) >= 0.9 * len([v for v in rtot if v > 0]), "%s: flows outside the transform" % g["stem"])
            mu = sum(xs) / len(xs)
            sd = math.sqrt(sum((x - mu) ** 2 for x in xs) / (len(xs) - 1))
            need(abs(mu - g["amean"]) < 0.6 and 0.6 < sd / g["asd"] < 1.5,
                 "%s: normalised record (mean %.2f, sd %.2f) disagrees with the model" % (g["stem"], mu, sd))
        hm = sum(rtot) / 100.0 / len(rtot)
        need(abs(hm - g["hstat"][0]) < 0.01 * max(1.0, hm), "%s: historical mean in file differs" % g["stem"])
        peak = max(max(c) for _, c in recs["INC"]) / 100.0
        need(max(rtot) / 100.0 < 99999.99, "%s: annual flow too large to print" % g["stem"])
        notes.append("%-8s %s-%s type %d  mean %8.2f  max year %8.2f  peak month %7.2f  zero years %d"
                     % (g["stem"], g["start"], g["start"] + g["nyears"] - 1, t, hm, max(rtot) / 100.0,
                        peak, zeros))

    # Forecasting parameters
    with open(os.path.join(d, "PARAMFOR.DAT")) as f:
        fl = f.read().split("\n")
    pos = 1
    any_missing = False
    for g in gauges:
        pos += 2
        g3, pos = free_group(fl, pos, 5)
        fm, pos = free_group(fl, pos, 12)
        fs, pos = free_group(fl, pos, 12)
        qp, pos = free_group(fl, pos, 14)
        qc, pos = free_group(fl, pos, 14)
        need(ar_stable(g3[:4]) and g3[4] > 0, "%s: forecasting AR model not stable" % g["stem"])
        need(all(v > 0 for v in fs), "%s: FSD not positive" % g["stem"])
        need(all(v > 0 for v in qp[1:13]), "%s: previous-year flow not positive" % g["stem"])
        cur = qc[1:13]
        rec = [v for v in cur if v >= 0]
        need(all(v > 0 for v in rec) and all(v < 0 for v in cur[len(rec):]),
             "%s: current year must be recorded months then negatives" % g["stem"])
        any_missing = any_missing or len(rec) < 12
    need(any_missing, "PARAMFOR.DAT has no month still to come")
    pos += 2
    for _ in range(ng):
        _, pos = free_group(fl, pos, ng)

    # Answers files, when present
    for fn in sorted(os.listdir(d)):
        if fn.startswith("answers") and fn.endswith(".txt"):
            with open(os.path.join(d, fn)) as f:
                al = f.read().split("\n")
            need(1 <= int(al[0]) <= 200 and al[1].strip() in ("0", "1", "3"), "%s: bad head" % fn)
            k, gl = 2, []
            while len(gl) < 15 and al[k].strip() != "0":
                gl.append(int(al[k]))
                k += 1
            k += 0 if len(gl) == 15 else 1
            need(all(1 <= v <= ng for v in gl), "%s: gauge number out of range" % fn)
            need(al[k] == "", "%s: parameter file line should be empty" % fn)
            k += 1
            if al[1].strip() == "3":
                need(al[k].strip().upper() in ("Y", "N"), "%s: forecast dump answer missing" % fn)
                k += 1
                if al[k - 1].strip().upper() == "Y":
                    need(all(v == "" for v in al[k:]), "%s: answers after the dump" % fn)
                    notes.append("%s: option 3, %d gauges, dump" % (fn, len(gl)))
                    continue
            for v in gl:
                need(os.path.exists(os.path.join(d, "%s.%s" % (stems[v - 1], al[k].strip()))),
                     "%s: no historic file of type %r for gauge %d" % (fn, al[k], v))
                k += 1
            menus = 0
            for v in al[k:]:
                if v.strip() == "":
                    continue
                need(v.strip() in ("1", "2", "3", "4"), "%s: menu answer %r" % (fn, v))
                menus += v.strip() == "4"
            need(menus == len(gl), "%s: %d menus left with 4, %d slots" % (fn, menus, len(gl)))
            notes.append("%s: option %s, %d gauges" % (fn, al[1].strip(), len(gl)))
    return notes


# ----------------------------------------------------------------------------

def main(argv):
    ap = argparse.ArgumentParser(description="Make or check a synthetic river system for flowplex.")
    ap.add_argument("--out", help="directory to write the system into")
    ap.add_argument("--gauges", type=int, help="number of gauges (large system)")
    ap.add_argument("--years", type=int, default=200, help="record years of a large system")
    ap.add_argument("--keys", type=int, default=20, help="key gauges of a large system")
    ap.add_argument("--all-keys", action="store_true", help="every gauge a key gauge")
    ap.add_argument("--seed", type=int, default=19201935, help="random seed")
    ap.add_argument("--answers", help="write a worst-case answers file")
    ap.add_argument("--workload", choices=("A", "B"), default="A",
                    help="A: analyses 1,2,3 for the first slot only; B: for every slot")
    ap.add_argument("--check", metavar="DIR", help="re-read a system and check it")
    ap.add_argument("--varied", action="store_true",
                    help="large system: ARMA orders drawn at random, for refitting experiments")
    ap.add_argument("--truth", metavar="FILE", help="also write the model the record was made from (JSON)")
    a = ap.parse_args(argv)
    if not (a.out or a.answers or a.check):
        ap.error("nothing to do: give --out, --answers or --check")

    if a.out:
        rng = random.Random(a.seed)
        os.makedirs(a.out, exist_ok=True)
        if a.gauges is None:
            gauges, keys, title = bundled_gauges()
        else:
            need(1 <= a.gauges <= 300 and 15 <= a.years <= 200, "sizes out of range")
            gauges, keys, title = large_gauges(a.gauges, a.years, a.keys, a.all_keys, rng, a.varied)
        first = min(g["start"] for g in gauges)
        last = max(g["start"] + g["nyears"] - 1 for g in gauges)
        system = build(gauges, keys, title, first, last, rng)
        write_parmset(os.path.join(a.out, "PARMSET.DAT"), system)
        if a.truth:
            write_truth(a.truth, system)
        for g in gauges:
            write_series(a.out, g)
        write_paramfor(os.path.join(a.out, "PARAMFOR.DAT"), system, rng)
        if a.gauges is None:
            write_example_answers(a.out, len(gauges))
        print("wrote %d gauges to %s" % (len(gauges), a.out))
    if a.answers:
        write_workload_answers(a.answers, a.workload, a.gauges or 300, a.years)
        print("wrote %s" % a.answers)
    if a.check:
        for line in check(a.check):
            print(line)
        print("check passed: %s" % a.check)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except Bad as exc:
        print("CHECK FAILED: %s" % exc, file=sys.stderr)
        sys.exit(1)
