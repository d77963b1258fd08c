#!/usr/bin/python3
"""Makes the README's gallery: packaged photographs faded with the project's
model (bench/quality.py, family A; the preset "none" leaves them unfaded),
restored by mirtane with the plug-in's analysis and with the natural method,
side by side with the unfaded original.

  bench/make-gallery.py MIRTANE WORK_DIR OUT_DIR NAME=PHOTO:PRESET...
"""
import os
import subprocess
import sys

from skimage import io

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import quality  # noqa: E402

PANEL = 320


def main():
    mirtane, work, out = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    for entry in sys.argv[4:]:
        name, rest = entry.split("=", 1)
        photo, preset = rest.rsplit(":", 1)
        original = quality.load_original(photo)
        faded = original if preset == "none" else quality.fade_a(original, preset)
        faded_path = os.path.join(work, name + "-faded.png")
        io.imsave(faded_path, faded, check_contrast=False)
        panels = [faded]
        for method in ("plug-in", "natural"):
            restored = os.path.join(work, f"{name}-{method}.png")
            subprocess.run([mirtane, "restore", faded_path, "-o", restored, "--method", method],
                           check=True, capture_output=True)
            panels.append(quality.read_rgb(restored))
        panels.append(original)
        quality.montage(panels, os.path.join(out, name + ".jpg"), width=PANEL, quality=82)
        print("wrote", os.path.join(out, name + ".jpg"))


if __name__ == "__main__":
    main()
