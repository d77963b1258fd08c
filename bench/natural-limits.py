#!/usr/bin/python3
"""Where the natural method's error on synthetic fades comes from.

The fades of bench/quality.py are per-channel density gains, stain and flare,
which the natural method's curve form can undo exactly: a table per channel
takes off a flare, brings the channel's white to 1 and raises its density to
a gain. So each fade has true values of what the method estimates. This
script reads what the method chose on each fade (`mirtane curves --method
natural --json`), rebuilds its tables, then rebuilds them again with one
estimate at a time replaced by the true value, and scores each against the
unfaded photograph (mean CIEDE2000, as bench/quality.py does):

  the method              its own choice, rebuilt (the command's result)
  true flare and whites   the flare and each channel's white replaced
  true balance            the gains' ratios replaced, their mean kept
  true depth              the gains' mean replaced, their ratios kept
  true gains              all three gains replaced
  everything true         flare, whites and gains, at full strength: the
                          exact inverse of the fade, short of clipping

A family-B fade mixes the dyes (crosstalk); its true gains are those that
undo it on neutral greys.

  bench/natural-limits.py MIRTANE [--work DIR] [--jobs N]

Needs what bench/quality.py needs; about 5 minutes on two cores.
"""
import argparse
import json
import multiprocessing
import os
import subprocess
import sys
import tempfile

import numpy as np
from skimage import color, io

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import quality  # noqa: E402

ROWS = ["the method", "true flare and whites", "true balance", "true depth", "true gains",
        "everything true"]
CASES = ["A " + preset for preset in quality.PRESETS_A] + ["B"]


def true_values(case, index):
    """(flare, stain per channel, density gain per channel) of a fade."""
    if case == "B":
        keep, crosstalk, black, flare, stain = quality.draw_b(1000 + index)
        mixed = crosstalk @ np.diag(keep) @ np.linalg.inv(crosstalk)
        scale = (black / quality.MAXIMUM_DENSITY_A) * mixed.sum(axis=1)
        return flare, np.asarray(stain), 1.0 / scale
    keep, stain, flare = quality.PRESETS_A[case[2:]]
    return flare, np.asarray(stain), 1.0 / np.asarray(keep)


def tables(flare, white_light, gains, black_codes, strength):
    """The natural method's tables: entry i for input i / 255. With
    black_codes (a raised black) each channel's black is brought to 0."""
    x = np.arange(256) / 255.0
    out = []
    for c in range(3):
        span = white_light[c] - flare
        floor = 0.0
        if black_codes is not None:
            ratio = (quality.srgb_to_linear(black_codes[c] / 255.0) - flare) / span
            floor = ratio ** gains[c] if ratio > 0 else 0.0
        flare_free = np.clip((quality.srgb_to_linear(x) - flare) / span, 0.0, 1.0)
        corrected = quality.linear_to_srgb((flare_free ** gains[c] - floor) / (1.0 - floor))
        out.append(np.clip(x + strength * (corrected - x), 0.0, 1.0))
    return out


def apply(image, channel_tables):
    return np.stack([quality.to_bytes(channel_tables[c][image[..., c]]) for c in range(3)],
                    axis=2)


def geometric_mean(values):
    return float(np.exp(np.mean(np.log(values))))


def score_photo(job):
    set_name, index, path, mirtane, work = job
    original = quality.load_original(path)
    lab_original = color.rgb2lab(original)
    out = {}
    for case in CASES:
        faded = (quality.fade_b(original, 1000 + index) if case == "B"
                 else quality.fade_a(original, case[2:]))
        name = os.path.join(work, f"{set_name}-{index}-{case.replace(' ', '_')}.png")
        io.imsave(name, faded, check_contrast=False)
        run = subprocess.run([mirtane, "curves", name, "--method", "natural", "--json"],
                             capture_output=True, text=True, check=True)
        chosen = json.loads(run.stdout)["natural"]
        flare = chosen["flare"]
        white = quality.srgb_to_linear(np.asarray(chosen["shrunkWhite"]) / 255.0)
        gains = np.asarray(chosen["gain"])
        strength = chosen["strength"]
        black = chosen["black"] if chosen["evidence"] == "raised black" else None
        true_flare, stain, true_gains = true_values(case, index)
        true_white = true_flare + (1.0 - true_flare) * 10.0 ** -stain
        variants = {
            "the method": tables(flare, white, gains, black, strength),
            "true flare and whites": tables(true_flare, true_white, gains, black, strength),
            "true balance": tables(flare, white, true_gains / geometric_mean(true_gains)
                                   * geometric_mean(gains), black, strength),
            "true depth": tables(flare, white, gains / geometric_mean(gains)
                                 * geometric_mean(true_gains), black, strength),
            "true gains": tables(flare, white, true_gains, black, strength),
            "everything true": tables(true_flare, true_white, true_gains, None, 1.0),
        }
        for row, channel_tables in variants.items():
            restored = apply(faded, channel_tables)
            out[(set_name, case, row)] = quality.delta_e(restored, original, lab_b=lab_original)
        os.remove(name)
    print(f"scored {set_name} {quality.label(path)}", file=sys.stderr)
    return out


def report(scores):
    merged = {}
    for photo in scores:
        for key, value in photo.items():
            merged.setdefault(key, []).append(value)
    columns = [case[2:] if case != "B" else "B" for case in CASES]
    for set_name in ("tune", "held-out"):
        count = len(merged.get((set_name, "B", "the method"), []))
        print(f"{set_name} ({count} photographs):\n")
        print("| natural method with | " + " | ".join(columns[:-1]) + " | A mean | B |")
        print("|---|" + "---|" * (len(columns) + 1))
        for row in ROWS:
            values = [float(np.mean(merged[(set_name, case, row)])) for case in CASES]
            a_mean = float(np.mean(values[:-1]))
            cells = ["%.1f" % v for v in values[:-1]] + ["%.1f" % a_mean, "%.1f" % values[-1]]
            print(f"| {row} | " + " | ".join(cells) + " |")
        print()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mirtane")
    parser.add_argument("--work")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="mirtane-limits-")
    root = os.path.join(work, "packages")
    os.makedirs(root, exist_ok=True)
    sets = {"tune": quality.TUNE, "held-out": quality.HELD_OUT}
    quality.fetch([p for entries in sets.values() for p, _ in entries], root)
    scratch = os.path.join(work, "limits")
    os.makedirs(scratch, exist_ok=True)
    jobs = [(set_name, index, os.path.join(root, "files", path), args.mirtane, scratch)
            for set_name, entries in sets.items() for index, (_, path) in enumerate(entries)]
    with multiprocessing.Pool(args.jobs) as pool:
        report(pool.map(score_photo, jobs, chunksize=1))


if __name__ == "__main__":
    main()
