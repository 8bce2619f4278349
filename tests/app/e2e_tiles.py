"""Checks a screenshot of the window for the tiles' pictures.

    e2e_tiles.py <screenshot.png> <site> <client x> <client y>

For each tile the record and picture are fetched from the site as the program fetched
them; the picture (its first frame, clipped to the tile) must appear in the screenshot at
the tile's place below the menu bar, whose height is found by a search over a few rows.
"""
import json
import os
import subprocess
import sys
import tempfile
import urllib.request

TILES = [(0, 0), (352, 0), (703, 0), (1048, 0), (0, 100), (352, 100), (703, 100), (1048, 100)]
MENU_SLACK = 60  # the menu bar is less high than this


def fetch(url):
    with urllib.request.urlopen(url, timeout=10) as answer:
        return answer.read()


def found_at(screenshot, picture, x, y, work):
    """The row offset at which the picture appears below (x, y), or None."""
    size = subprocess.run(["identify", "-format", "%w %h", picture + "[0]"],
                          capture_output=True, text=True, check=True).stdout.split()
    width, height = min(int(size[0]), 345), min(int(size[1]), 100)
    clipped = os.path.join(work, "clipped.png")
    subprocess.run(["convert", picture + "[0]", "-crop", f"{width}x{height}+0+0", "+repage",
                    "-alpha", "off", clipped], check=True)
    region = os.path.join(work, "region.png")
    subprocess.run(["convert", screenshot, "-crop",
                    f"{width}x{height + MENU_SLACK}+{x}+{y}", "+repage", "-alpha", "off", region],
                   check=True)
    result = subprocess.run(["compare", "-metric", "RMSE", "-subimage-search", region, clipped,
                             os.path.join(work, "diff.png")], capture_output=True, text=True)
    # stderr: "<rmse> (<normalised>) @ x,y"
    text = result.stderr.strip()
    try:
        normalised = float(text.split("(")[1].split(")")[0])
        offset = int(text.split("@")[1].split(",")[1])
    except (IndexError, ValueError):
        return None, text
    return (offset if normalised < 0.02 else None), text


def main():
    screenshot, site, cx, cy = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    failures = []
    offsets = set()
    with tempfile.TemporaryDirectory() as work:
        for n, (tx, ty) in enumerate(TILES, start=1):
            record = json.loads(fetch(f"{site}/api/ad_website.php?id={n}").split(b"\0")[0])
            picture = os.path.join(work, f"tile{n}")
            with open(picture, "wb") as f:
                f.write(fetch(record["picture"]))
            offset, detail = found_at(screenshot, picture, cx + tx, cy + ty, work)
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
