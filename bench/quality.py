#!/usr/bin/python3
"""Scores restorations of faded photographs: how close each tool brings them
back, how little it moves photographs that need nothing, and what it makes
of real faded scans.

Photographs come from Debian's wallpaper packages (fetched at run time, never
committed), scaled to 1024 pixels across, in three sets: `tune` (the
photographs the methods were developed on), `held-out` (never looked at
while developing) and `controls` (unfaded photographs whose colour is the
point: sunsets, golden grass, orange flowers, frame-filling green).

Two independent fade families:
  A  the project's dye-fading model (samples/README.md) at five presets
  B  dyes fading at their own rates in dark or light storage, with dye
     crosstalk, an unknown original black density (1.6 to 3.5), flare
     (0 to 0.08) and stain; one seeded random draw per photograph
and three damaged variants of each fade: 40 specks of dust, a black
letterbox, a white margin (scored inside the picture only).

Every figure is the mean CIEDE2000 colour difference per pixel (lower is
better; below about 2 is hard to see side by side) to the unfaded original,
or, for controls and "none", to the photograph itself (the change a tool
makes). Real scans (../shared/real-scans, kept outside the repository):
dE00 to the colourist's grade where there is one, and the change made on
every scan; a montage per scan (input | default | natural | auto-level) is
written to WORK/montages.

  bench/quality.py MIRTANE [--work DIR] [--scans DIR] [--jobs N] [--quick]
"""
import argparse
import multiprocessing
import os
import shutil
import subprocess
import sys
import tempfile

import numpy as np
from skimage import color, io, transform

WIDTH = 1024
SPECKS = 40

# (package, path inside it). Tune: the eight the method was developed on.
TUNE = [
    ("lomiri-wallpapers-16.04", "usr/share/backgrounds/picosdeeuropa_by_Aitzol_Berasategi.jpg"),
    ("lomiri-wallpapers-16.04", "usr/share/backgrounds/aitzgorri_by_Aitzol_Berasategi.jpg"),
    ("lomiri-wallpapers-16.04", "usr/share/backgrounds/sunset_by_Aitzol_Berasategi.jpg"),
    ("lomiri-wallpapers-16.04", "usr/share/backgrounds/friends_by_Aitzol_Berasategi.jpg"),
    ("lomiri-wallpapers-16.04", "usr/share/backgrounds/Bridge_by_Sander_Klootwijk.jpg"),
    ("lomiri-wallpapers-16.04", "usr/share/backgrounds/Wine_by_Jakkub_Mede.jpg"),
    ("plasma-workspace-wallpapers", "usr/share/wallpapers/Autumn/contents/images/2560x1600.jpg"),
    ("plasma-workspace-wallpapers", "usr/share/wallpapers/ColorfulCups/contents/images/2560x1600.jpg"),
]
HELD_OUT = [
    ("lomiri-wallpapers-20.04", "usr/share/backgrounds/Dragonfly_by_Bolly.jpg"),
    ("lomiri-wallpapers-20.04", "usr/share/backgrounds/Kleiber_by_Lukas_Baubkus.jpg"),
    ("lomiri-wallpapers-20.04", "usr/share/backgrounds/Picture_0B_by_freespace.jpg"),
    ("lomiri-wallpapers-20.04", "usr/share/backgrounds/Picture_1A_by_freespace.jpg"),
    ("lomiri-wallpapers-16.04", "usr/share/backgrounds/free_by_Peter_Nerlich.jpg"),
    ("lomiri-wallpapers-16.04", "usr/share/backgrounds/greentock_by_Peter_Nerlich.jpg"),
    ("lomiri-wallpapers-16.04", "usr/share/backgrounds/life_by_Aitzol_Berasategi.jpg"),
    ("lomiri-wallpapers-16.04", "usr/share/backgrounds/seeding_by_Clements_Engelhardt.jpg"),
    ("mate-backgrounds", "usr/share/backgrounds/mate/nature/Aqua.jpg"),
    ("mate-backgrounds", "usr/share/backgrounds/mate/nature/Storm.jpg"),
    ("mate-backgrounds", "usr/share/backgrounds/mate/nature/LadyBird.jpg"),
    ("mate-backgrounds", "usr/share/backgrounds/mate/nature/TwoWings.jpg"),
    ("plasma-workspace-wallpapers", "usr/share/wallpapers/BytheWater/contents/images/2560x1600.jpg"),
    ("plasma-workspace-wallpapers", "usr/share/wallpapers/DarkestHour/contents/images/2560x1600.jpg"),
    ("plasma-workspace-wallpapers", "usr/share/wallpapers/Grey/contents/images/2560x1600.jpg"),
    ("plasma-workspace-wallpapers", "usr/share/wallpapers/Kite/contents/images/2560x1600.jpg"),
    ("plasma-workspace-wallpapers", "usr/share/wallpapers/OneStandsOut/contents/images/2560x1600.jpg"),
    ("plasma-workspace-wallpapers", "usr/share/wallpapers/Path/contents/images/2560x1600.jpg"),
]
# Unfaded photographs whose colour is the point; none is in the sets above.
CONTROLS = [
    ("mate-backgrounds", "usr/share/backgrounds/mate/nature/Dune.jpg"),
    ("mate-backgrounds", "usr/share/backgrounds/mate/nature/FreshFlower.jpg"),
    ("mate-backgrounds", "usr/share/backgrounds/mate/nature/YellowFlower.jpg"),
    ("mate-backgrounds", "usr/share/backgrounds/mate/nature/GreenMeadow.jpg"),
    ("mate-backgrounds", "usr/share/backgrounds/mate/nature/RainDrops.jpg"),
    ("mate-backgrounds", "usr/share/backgrounds/mate/nature/Garden.jpg"),
    ("mate-backgrounds", "usr/share/backgrounds/mate/nature/Wood.jpg"),
    ("plasma-workspace-wallpapers", "usr/share/wallpapers/EveningGlow/contents/images/2560x1600.jpg"),
    ("plasma-workspace-wallpapers", "usr/share/wallpapers/FallenLeaf/contents/images/2560x1600.jpg"),
    ("plasma-workspace-wallpapers", "usr/share/wallpapers/summer_1am/contents/images/2560x1600.jpg"),
]
# Real scans: (file, the colourist's grade or None).
SCANS = [
    ("film-ship-faded.png", "film-ship-graded.png"),
    ("film-office-faded.png", "film-office-graded.png"),
    ("film-nurses-faded.png", None),
    ("print-harbour-faded.png", None),
    ("plate-garden.png", None),
    ("plate-porter.png", None),
    ("plate-cabaret.png", None),
    ("plate-parasol.png", None),
    ("plate-flowergirl.png", None),
]

# Family A: keep (dye left), stain (density added), flare; cyan, magenta,
# yellow layers; the black of the photograph at density 3.
PRESETS_A = {
    "mild": ((0.80, 0.90, 0.80), (0.01, 0.03, 0.06), 0.01),
    "typical": ((0.55, 0.80, 0.60), (0.03, 0.07, 0.16), 0.03),
    "severe": ((0.35, 0.60, 0.40), (0.05, 0.12, 0.25), 0.05),
    "green": ((0.85, 0.50, 0.85), (0.02, 0.02, 0.08), 0.02),
    "neutral": ((0.60, 0.60, 0.60), (0.05, 0.05, 0.05), 0.04),
}
MAXIMUM_DENSITY_A = 3.0


def srgb_to_linear(v):
    return np.where(v <= 0.04045, v / 12.92, ((v + 0.055) / 1.055) ** 2.4)


def linear_to_srgb(t):
    t = np.clip(t, 0.0, 1.0)
    return np.where(t <= 0.0031308, t * 12.92, 1.055 * t ** (1 / 2.4) - 0.055)


def to_bytes(v):
    return np.clip(np.floor(v * 255.0 + 0.5), 0, 255).astype(np.uint8)


def fade_a(rgb8, preset):
    keep, stain, flare = PRESETS_A[preset]
    t = srgb_to_linear(rgb8.astype(np.float64) / 255.0)
    density = -np.log10(np.maximum(t, 10.0 ** -MAXIMUM_DENSITY_A))
    faded = density * np.array(keep) + np.array(stain)
    return to_bytes(linear_to_srgb((1.0 - flare) * 10.0 ** -faded + flare))


def draw_b(seed):
    """The parameters of one family-B fade, drawn from `seed`."""
    rng = np.random.default_rng(seed)
    # Dark storage: cyan dye fades fastest, then yellow, magenta slowest.
    # Light storage: magenta and yellow fade faster, cyan holds best.
    if rng.random() < 0.5:
        rates = np.array([rng.uniform(0.8, 1.6), rng.uniform(0.1, 0.4), rng.uniform(0.3, 0.9)])
    else:
        rates = np.array([rng.uniform(0.1, 0.5), rng.uniform(0.5, 1.3), rng.uniform(0.4, 1.2)])
    age = rng.uniform(0.2, 0.8)
    keep = np.exp(-rates * age)
    crosstalk = np.eye(3)
    for c in range(3):
        for d in range(3):
            if c != d:
                crosstalk[c, d] = rng.uniform(0.02, 0.12)
    black = rng.uniform(1.6, 3.5)  # density of the original print's black
    flare = rng.uniform(0.0, 0.08)
    stain = np.array([rng.uniform(0.0, 0.04), rng.uniform(0.0, 0.08), rng.uniform(0.02, 0.25)])
    return keep, crosstalk, black, flare, stain


def fade_b(rgb8, seed):
    keep, crosstalk, black, flare, stain = draw_b(seed)
    t = srgb_to_linear(rgb8.astype(np.float64) / 255.0)
    # The print: the photograph's tones with its black at `black` density.
    density = -np.log10(np.maximum(t, 10.0 ** -MAXIMUM_DENSITY_A)) * (black / MAXIMUM_DENSITY_A)
    # Dye amounts that give those densities through the crosstalk, then fade.
    dyes = density @ np.linalg.inv(crosstalk).T
    faded = (dyes * keep) @ crosstalk.T + stain
    return to_bytes(linear_to_srgb((1.0 - flare) * 10.0 ** -faded + flare))


def add_dust(rgb8, seed):
    rng = np.random.default_rng(seed)
    out = rgb8.copy()
    h, w, _ = out.shape
    for _ in range(SPECKS):
        y, x = rng.integers(2, h - 3), rng.integers(2, w - 3)
        radius = int(rng.integers(1, 3))
        out[y - radius:y + radius + 1, x - radius:x + radius + 1] = 0 if rng.random() < 0.5 else 255
    return out


def add_border(rgb8, kind):
    """The picture inside a black letterbox (bands above and below, 12 % of
    the height each, with a grey caption in the lower one) or a white margin
    (6 % of the width on every side). Returns the bordered image and the
    mask of the picture inside it."""
    h, w, _ = rgb8.shape
    if kind == "letterbox":
        band = h * 12 // 100
        out = np.full((h + 2 * band, w, 3), 4, np.uint8)
        out[band:band + h] = rgb8
        out[h + band + band // 3:h + band + band // 2, w // 3:w // 2] = 200  # a caption
    else:
        band = w * 6 // 100
        out = np.full((h + 2 * band, w + 2 * band, 3), 246, np.uint8)
        out[band:band + h, band:band + w] = rgb8
    mask = np.zeros(out.shape[:2], bool)
    if kind == "letterbox":
        mask[band:band + h] = True
    else:
        mask[band:band + h, band:band + w] = True
    return out, mask


def label(path):
    """A photograph's short name: its file name, or its folder's for the
    packages that name every file by its size."""
    parts = path.split("/")
    if "contents" in parts:
        return parts[parts.index("contents") - 1]
    return parts[-1].rsplit(".", 1)[0].split("_by_")[0]


def read_rgb(path):
    """An image file as 8-bit RGB: grey files (a black-and-white photograph,
    or a tool's output of one) as three equal channels, alpha dropped."""
    image = io.imread(path)
    if image.ndim == 2:
        image = np.stack([image] * 3, axis=2)
    return image[..., :3]


def load_original(path):
    image = read_rgb(path)
    height = round(image.shape[0] * WIDTH / image.shape[1])
    scaled = transform.resize(image, (height, WIDTH), anti_aliasing=True, preserve_range=True)
    return np.clip(np.floor(scaled + 0.5), 0, 255).astype(np.uint8)


def delta_e(a, b, mask=None, lab_b=None):
    """Mean CIEDE2000 between two 8-bit images (within mask); lab_b is b in
    CIELAB when it is already known."""
    de = color.deltaE_ciede2000(color.rgb2lab(a), color.rgb2lab(b) if lab_b is None else lab_b)
    return float(de.mean() if mask is None else de[mask].mean())


def command_tools(mirtane):
    found = {"untouched": None, "mirtane": [mirtane, "restore", "{in}", "-o", "{out}"]}
    help_text = subprocess.run([mirtane, "restore", "--help"], capture_output=True, text=True).stdout
    if "--method" in help_text:
        found["mirtane natural"] = [mirtane, "restore", "{in}", "-o", "{out}", "--method", "natural"]
    if shutil.which("convert"):
        found["convert -auto-level"] = ["convert", "{in}", "-channel", "RGB", "-auto-level", "{out}"]
    if shutil.which("gm"):
        found["gm -normalize"] = ["gm", "convert", "{in}", "-normalize", "{out}"]
    return found


def run_tool(tool, command, image, work, name):
    """The image restored by one tool: a command over files, or a Python
    function of the image (for trying a method before it is built)."""
    if command is None:
        return image
    if callable(command):
        return command(image)
    in_path = os.path.join(work, name + ".png")
    if not os.path.exists(in_path):
        io.imsave(in_path, image, check_contrast=False)
    out_path = os.path.join(work, f"{name}-{tool.replace(' ', '_')}.png")
    argv = [a.format(**{"in": in_path, "out": out_path}) for a in command]
    run = subprocess.run(argv, capture_output=True, text=True)
    if run.returncode != 0:
        raise RuntimeError(f"{tool} failed on {name}: {run.stderr.strip()}")
    return read_rgb(out_path)


def restore_or_report(tool, command, image, work, name):
    """run_tool, or None with the failure on standard error."""
    try:
        return run_tool(tool, command, image, work, name)
    except RuntimeError as failure:
        print(failure, file=sys.stderr)
        return None


def score_photo(job):
    """Every case of one photograph: (set, case, tool) -> dE00."""
    set_name, index, path, tools, work = job
    original = load_original(path)
    out = {}
    cases = {"none": (original, None)}
    if set_name != "controls":
        for preset in PRESETS_A:
            cases["A " + preset] = (fade_a(original, preset), None)
        cases["B"] = (fade_b(original, 1000 + index), None)
        for family, faded in (("A", cases["A typical"][0]), ("B", cases["B"][0])):
            dusty = add_dust(faded, index)
            cases[family + " dust"] = (dusty, ~np.any(dusty != faded, axis=2))
            for kind in ("letterbox", "margin"):
                bordered, mask = add_border(faded, kind)
                cases[f"{family} {kind}"] = (bordered, mask)
    for case, (image, mask) in cases.items():
        name = f"{set_name}-{index}-{case.replace(' ', '_')}"
        reference = original
        if mask is not None and mask.shape != original.shape[:2]:
            reference = np.zeros(image.shape, np.uint8)
            reference[mask] = original.reshape(-1, 3)
        lab_reference = color.rgb2lab(reference)
        for tool, command in tools.items():
            restored = restore_or_report(tool, command, image, work, name)
            if restored is None:
                continue
            out[(set_name, case, tool)] = delta_e(restored, reference, mask, lab_reference)
    print(f"scored {set_name} {label(path)}", file=sys.stderr)
    return (set_name, label(path)), out


def montage(panels, path, width=360, quality=85):
    """The panels side by side, each scaled to `width`, 6 white pixels apart."""
    rows = []
    for image in panels:
        height = round(image.shape[0] * width / image.shape[1])
        small = transform.resize(image, (height, width), anti_aliasing=True, preserve_range=True)
        rows.append(np.clip(np.floor(small + 0.5), 0, 255).astype(np.uint8))
    gap = np.full((rows[0].shape[0], 6, 3), 255, np.uint8)
    strip = np.concatenate([x for p in rows for x in (p, gap)][:-1], axis=1)
    io.imsave(path, strip, quality=quality, check_contrast=False)


def score_scan(job):
    """A real scan: the change each tool makes, dE00 to the grade if any,
    and a montage of the input and three restorations."""
    scan, graded, scans_dir, tools, work = job
    image = read_rgb(os.path.join(scans_dir, scan))
    grade = read_rgb(os.path.join(scans_dir, graded)) if graded else None
    name = "scan-" + scan.rsplit(".", 1)[0]
    out = {}
    restored_by = {}
    for tool, command in tools.items():
        restored = restore_or_report(tool, command, image, work, name)
        if restored is None:
            continue
        restored_by[tool] = restored
        out[(scan, "change", tool)] = delta_e(restored, image)
        if grade is not None:
            out[(scan, "to grade", tool)] = delta_e(restored, grade)
    shown = [image] + [restored_by[t] for t in ("mirtane", "mirtane natural", "convert -auto-level")
                       if t in restored_by]
    os.makedirs(os.path.join(work, "montages"), exist_ok=True)
    montage(shown, os.path.join(work, "montages", name + ".jpg"))
    print(f"scored {scan}", file=sys.stderr)
    return scan, out


def fetch(packages, root):
    for package in sorted(set(packages)):
        marker = os.path.join(root, package + ".done")
        if os.path.exists(marker):
            continue
        subprocess.run(["apt-get", "download", package], cwd=root, check=True,
                       capture_output=True)
        deb = [f for f in os.listdir(root) if f.startswith(package + "_") and f.endswith(".deb")]
        subprocess.run(["dpkg-deb", "-x", os.path.join(root, deb[0]), os.path.join(root, "files")],
                       check=True)
        open(marker, "w").close()


def mean(values):
    return float(np.mean(values)) if values else float("nan")


def report(tools, photo_scores, scan_scores):
    cell = lambda v: "-" if v != v else "%.1f" % v  # noqa: E731
    merged = {}
    for _, scores in photo_scores:
        for key, value in scores.items():
            merged.setdefault(key, []).append(value)
    fades_a = ["A " + p for p in PRESETS_A]

    print(f"## Fades ({WIDTH} pixels across; mean dE00 to the unfaded original)\n")
    columns = [p for p in PRESETS_A] + ["A mean", "B"]
    for set_name in ("tune", "held-out"):
        photos = sum(1 for (photo_set, _), _ in photo_scores if photo_set == set_name)
        print(f"{set_name} ({photos} photographs):\n")
        print("| tool | " + " | ".join(columns) + " |")
        print("|---|" + "---|" * len(columns))
        for tool in tools:
            row = [mean(merged.get((set_name, "A " + p, tool), [])) for p in PRESETS_A]
            row.append(mean([v for p in fades_a for v in merged.get((set_name, p, tool), [])]))
            row.append(mean(merged.get((set_name, "B", tool), [])))
            print(f"| {tool} | " + " | ".join(cell(v) for v in row) + " |")
        print()

    print("## Damage: dust, a black letterbox, a white margin (held-out and tune together)\n")
    damage = ["dust", "letterbox", "margin"]
    print("| tool | " + " | ".join(f"{f} {d}" for f in "AB" for d in damage) + " |")
    print("|---|" + "---|" * 6)
    for tool in tools:
        row = []
        for family in "AB":
            base_case = "A typical" if family == "A" else "B"
            for d in damage:
                damaged = [v for s in ("tune", "held-out")
                           for v in merged.get((s, f"{family} {d}", tool), [])]
                clean = [v for s in ("tune", "held-out") for v in merged.get((s, base_case, tool), [])]
                row.append("%.1f (%+.1f)" % (mean(damaged), mean(damaged) - mean(clean))
                           if damaged else "-")
        print(f"| {tool} | " + " | ".join(row) + " |")
    print("\n(in brackets: the difference to the same fades without the damage)\n")

    print("## Do no harm: the change made to unfaded photographs (dE00)\n")
    control_names = [name for (photo_set, name), _ in photo_scores if photo_set == "controls"]
    print("| tool | " + " | ".join(control_names)
          + " | controls max | all unfaded mean |")
    print("|---|" + "---|" * (len(control_names) + 2))
    for tool in tools:
        values = [scores.get(("controls", "none", tool), float("nan"))
                  for (photo_set, _), scores in photo_scores if photo_set == "controls"]
        unfaded = [v for s in ("tune", "held-out", "controls") for v in merged.get((s, "none", tool), [])]
        print(f"| {tool} | " + " | ".join(cell(v) for v in values)
              + f" | {cell(max(values) if values else float('nan'))} | {cell(mean(unfaded))} |")
    print()

    if scan_scores:
        print("## Real scans\n")
        scans = [name for name, _ in scan_scores]
        graded = [s for s, g in SCANS if g and s in scans]
        print("dE00 to the colourist's grade:\n")
        print("| tool | " + " | ".join(graded) + " | mean |")
        print("|---|" + "---|" * (len(graded) + 1))
        all_scores = dict(kv for _, s in scan_scores for kv in s.items())
        for tool in tools:
            row = [all_scores.get((s, "to grade", tool), float("nan")) for s in graded]
            print(f"| {tool} | " + " | ".join(cell(v) for v in row) + f" | {cell(mean(row))} |")
        print("\nChange made to each scan (dE00 to the input; at least 2 is a visible correction):\n")
        print("| tool | " + " | ".join(s.rsplit(".", 1)[0] for s in scans) + " | changed (>= 2) |")
        print("|---|" + "---|" * (len(scans) + 1))
        for tool in tools:
            row = [all_scores.get((s, "change", tool), float("nan")) for s in scans]
            changed = sum(1 for v in row if v >= 2.0)
            print(f"| {tool} | " + " | ".join(cell(v) for v in row) + f" | {changed} of {len(row)} |")
        print()


def evaluate(tools, work, scans_dir=None, jobs=2, quick=False):
    root = os.path.join(work, "packages")
    os.makedirs(root, exist_ok=True)
    sets = {"tune": TUNE, "held-out": HELD_OUT, "controls": CONTROLS}
    if quick:
        sets = {"tune": TUNE, "controls": CONTROLS}
    fetch([p for entries in sets.values() for p, _ in entries], root)
    scratch = os.path.join(work, "scored")
    os.makedirs(scratch, exist_ok=True)
    photo_jobs = [(set_name, index, os.path.join(root, "files", path), tools, scratch)
                  for set_name, entries in sets.items() for index, (_, path) in enumerate(entries)]
    scan_jobs = []
    if scans_dir and os.path.isdir(scans_dir):
        scan_jobs = [(scan, graded, scans_dir, tools, work) for scan, graded in SCANS
                     if os.path.exists(os.path.join(scans_dir, scan))]
    with multiprocessing.Pool(jobs) as pool:
        photo_scores = pool.map(score_photo, photo_jobs, chunksize=1)
        scan_scores = pool.map(score_scan, scan_jobs, chunksize=1)
    report(tools, photo_scores, scan_scores)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mirtane")
    parser.add_argument("--work")
    parser.add_argument("--scans", default=os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "shared", "real-scans"))
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--quick", action="store_true", help="tune photographs and controls only")
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="mirtane-quality-")
    os.makedirs(work, exist_ok=True)
    evaluate(command_tools(args.mirtane), work, args.scans, args.jobs, args.quick)
    print(f"montages of the real scans: {os.path.join(work, 'montages')}", file=sys.stderr)


if __name__ == "__main__":
    main()
