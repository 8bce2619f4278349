"""Checks a screenshot of the window for the tiles' pictures.

    e2e_tiles.py <screenshot.png> <site> <client x> <client y> <client width>

For each tile the record and picture are fetched from the site as the program fetched
them; the picture (its first frame, clipped to the tile) must appear in the screenshot at
the tile's place below the menu bar, whose height is found by a search over a few rows.
Transparent parts show the tile's background, taken from the tile's lower right corner.
"""
import json
import os
import subprocess
import sys
import tempfile
import urllib.parse
import urllib.request

TILES = [(0, 0), (352, 0), (703, 0), (1048, 0), (0, 100), (352, 100), (703, 100), (1048, 100)]
MENU_SLACK = 60  # the menu bar is less high than this


def fetch(url):
    with urllib.request.urlopen(url, timeout=10) as answer:
        return answer.read()


def pixel(image, x, y):
    return subprocess.run(["convert", image, "-format", f"%[pixel:p{{{x},{y}}}]", "info:"],
                          capture_output=True, text=True, check=True).stdout.strip()


def frames(picture, work):
    """The picture's frames as PNG files (one for a still picture), fully composed."""
    stem = os.path.join(work, "frame")
    for old in os.listdir(work):
        if old.startswith("frame-"):
            os.remove(os.path.join(work, old))
    subprocess.run(["convert", picture, "-coalesce", stem + "-%03d.png"], check=True)
    return sorted(os.path.join(work, f) for f in os.listdir(work) if f.startswith("frame-"))


def found_at(screenshot, picture, x, y, visible_width, work):
    """The row offset at which the picture (any frame of an animation; the first image of
    an icon) appears below (x, y), or None."""
    # Inside the tile whatever the menu height: rows MENU_SLACK to 99 below y.
    background = pixel(screenshot, x + visible_width - 1, y + MENU_SLACK + 20)
    region = os.path.join(work, "region.png")
    details = []
    for frame in frames(picture + "[0]" if picture.endswith((".ico", ".cur")) else picture, work):
        size = subprocess.run(["identify", "-format", "%w %h", frame],
                              capture_output=True, text=True, check=True).stdout.split()
        width, height = min(int(size[0]), 345, visible_width), min(int(size[1]), 100)
        clipped = os.path.join(work, "clipped.png")
        subprocess.run(["convert", frame, "-background", background, "-flatten",
                        "-crop", f"{width}x{height}+0+0", "+repage", "-alpha", "off", clipped],
                       check=True)
        subprocess.run(["convert", screenshot, "-crop",
                        f"{width}x{height + MENU_SLACK}+{x}+{y}", "+repage", "-alpha", "off",
                        region], check=True)
        result = subprocess.run(["compare", "-metric", "RMSE", "-subimage-search", region,
                                 clipped, os.path.join(work, "diff.png")],
                                capture_output=True, text=True)
        # stderr: "<rmse> (<normalised>) @ x,y"
        text = result.stderr.strip()
        details.append(text)
        try:
            normalised = float(text.split("(")[1].split(")")[0])
            offset = int(text.split("@")[1].split(",")[1])
        except (IndexError, ValueError):
            continue
        if normalised < 0.02:
            return offset, text
    return None, "; ".join(details)


def main():
    screenshot, site = sys.argv[1], sys.argv[2]
    cx, cy, client_width = int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
    failures = []
    offsets = set()
    with tempfile.TemporaryDirectory() as work:
        for n, (tx, ty) in enumerate(TILES, start=1):
            record = json.loads(fetch(f"{site}/api/ad_website.php?id={n}").split(b"\0")[0])
            # ImageMagick tells icons, cursors and PCX by the file name's extension.
            extension = os.path.splitext(urllib.parse.urlsplit(record["picture"]).path)[1]
            picture = os.path.join(work, f"tile{n}{extension}")
            with open(picture, "wb") as f:
                f.write(fetch(record["picture"]))
            visible = min(345, client_width - tx)  # the window clips the last column
            offset, detail = found_at(screenshot, picture, cx + tx, cy + ty, visible, work)
            if offset is None:
                failures.append(f"tile {n}: picture not on screen ({detail})")
            else:
                offsets.add(offset)
    if len(offsets) > 1:
        failures.append(f"tiles found at different menu heights: {sorted(offsets)}")
    for f in failures:
        print(f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
