#!/usr/bin/python3
"""Scores restorations of faded photographs against their unfaded originals.

Each photograph is faded with the project's dye-fading model (the one that
made samples/faded-mountain.jpg, see samples/README.md) at several presets,
restored by each tool, and compared with the original in CIELAB:

  dE00   mean CIEDE2000 colour difference per pixel (lower is better)
  cast   chroma of the mean a*/b* difference: a colour cast left over
  dL     mean L* difference (positive: brighter than the original)

The "none" preset is the do-no-harm control (the photograph itself), and
"dust" is the typical fade with 40 specks of dust and dirt.

  bench/quality.py MIRTANE PHOTO... [--work DIR]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

import numpy as np
from skimage import color, io, transform

# keep (dye left), stain (density added), flare: cyan, magenta, yellow layers.
PRESETS = {
    "none": ((1.0, 1.0, 1.0), (0.0, 0.0, 0.0), 0.0),
    "mild": ((0.80, 0.90, 0.80), (0.01, 0.03, 0.06), 0.01),
    "typical": ((0.55, 0.80, 0.60), (0.03, 0.07, 0.16), 0.03),
    "severe": ((0.35, 0.60, 0.40), (0.05, 0.12, 0.25), 0.05),
    "green": ((0.85, 0.50, 0.85), (0.02, 0.02, 0.08), 0.02),
    "neutral": ((0.60, 0.60, 0.60), (0.05, 0.05, 0.05), 0.04),
    "dust": ((0.55, 0.80, 0.60), (0.03, 0.07, 0.16), 0.03),
}
MAXIMUM_DENSITY = 3.0
WIDTH = 1024
SPECKS = 40


def srgb_to_linear(v):
    return np.where(v <= 0.04045, v / 12.92, ((v + 0.055) / 1.055) ** 2.4)


def linear_to_srgb(t):
    t = np.clip(t, 0.0, 1.0)
    return np.where(t <= 0.0031308, t * 12.92, 1.055 * t ** (1 / 2.4) - 0.055)


def fade(rgb8, preset):
    keep, stain, flare = PRESETS[preset]
    t = srgb_to_linear(rgb8.astype(np.float64) / 255.0)
    density = -np.log10(np.maximum(t, 10.0 ** -MAXIMUM_DENSITY))
    faded = density * np.array(keep) + np.array(stain)
    t = (1.0 - flare) * 10.0 ** -faded + flare
    return np.clip(np.floor(linear_to_srgb(t) * 255.0 + 0.5), 0, 255).astype(np.uint8)


def add_dust(rgb8, seed):
    rng = np.random.default_rng(seed)
    out = rgb8.copy()
    h, w, _ = out.shape
    for _ in range(SPECKS):
        y, x = rng.integers(2, h - 3), rng.integers(2, w - 3)
        radius = int(rng.integers(1, 3))
        out[y - radius:y + radius + 1, x - radius:x + radius + 1] = 0 if rng.random() < 0.5 else 255
    return out


def load_original(path):
    image = io.imread(path)[..., :3]
    height = round(image.shape[0] * WIDTH / image.shape[1])
    scaled = transform.resize(image, (height, WIDTH), anti_aliasing=True, preserve_range=True)
    return np.clip(np.floor(scaled + 0.5), 0, 255).astype(np.uint8)


def scores(restored, original, exclude=None):
    lab_r = color.rgb2lab(restored)
    lab_o = color.rgb2lab(original)
    mask = np.ones(original.shape[:2], bool) if exclude is None else ~exclude
    de = color.deltaE_ciede2000(lab_o, lab_r)[mask].mean()
    diff = (lab_r - lab_o)[mask]
    cast = float(np.hypot(diff[:, 1].mean(), diff[:, 2].mean()))
    return de, cast, diff[:, 0].mean()


def tools(mirtane):
    found = {"untouched": None, "mirtane": [mirtane, "restore", "{in}", "-o", "{out}"]}
    help_text = subprocess.run([mirtane, "restore", "--help"], capture_output=True, text=True).stdout
    if "--method" in help_text:
        found["mirtane natural"] = [mirtane, "restore", "{in}", "-o", "{out}", "--method", "natural"]
    if shutil.which("convert"):
        found["convert -auto-level"] = ["convert", "{in}", "-channel", "RGB", "-auto-level", "{out}"]
    if shutil.which("gm"):
        found["gm -normalize"] = ["gm", "convert", "{in}", "-normalize", "{out}"]
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mirtane")
    parser.add_argument("photos", nargs="+")
    parser.add_argument("--work")
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="mirtane-quality-")
    os.makedirs(work, exist_ok=True)
    found = tools(args.mirtane)
    results = {}  # (tool, preset) -> list of (dE, cast, dL)
    for index, path in enumerate(args.photos):
        original = load_original(path)
        for preset in PRESETS:
            faded = fade(original, preset)
            specks = None
            if preset == "dust":
                dusty = add_dust(faded, index)
                specks = np.any(dusty != faded, axis=2)
                faded = dusty
            name = f"{index}-{preset}"
            faded_path = os.path.join(work, name + ".png")
            io.imsave(faded_path, faded, check_contrast=False)
            for tool, command in found.items():
                out_path = os.path.join(work, f"{name}-{tool.replace(' ', '_')}.png")
                if command is None:
                    restored = faded
                else:
                    argv = [a.format(**{"in": faded_path, "out": out_path}) for a in command]
                    run = subprocess.run(argv, capture_output=True, text=True)
                    if run.returncode != 0:
                        print(f"{tool} failed on {name}: {run.stderr.strip()}", file=sys.stderr)
                        continue
                    restored = io.imread(out_path)[..., :3]
                results.setdefault((tool, preset), []).append(scores(restored, original, specks))
        print(f"scored {os.path.basename(path)}", file=sys.stderr)

    print(f"{len(args.photos)} photographs, {WIDTH} pixels across; mean over photographs")
    print()
    print("| tool | " + " | ".join(PRESETS) + " | mean of fades |")
    print("|---|" + "---|" * (len(PRESETS) + 1))
    fades = [p for p in PRESETS if p not in ("none", "dust")]
    for tool in found:
        cells = []
        for preset in PRESETS:
            values = results.get((tool, preset), [])
            cells.append("%.1f" % np.mean([v[0] for v in values]) if values else "-")
        mean = np.mean([v[0] for p in fades for v in results.get((tool, p), [])])
        print(f"| {tool} | " + " | ".join(cells) + " | %.1f |" % mean)
    print()
    print("Residual cast / mean dL* over the fades (not 'none', not 'dust'):")
    print()
    print("| tool | cast | dL* |")
    print("|---|---|---|")
    for tool in found:
        values = [v for p in fades for v in results.get((tool, p), [])]
        print("| %s | %.1f | %+.1f |" % (tool, np.mean([v[1] for v in values]), np.mean([v[2] for v in values])))


if __name__ == "__main__":
    main()
