#!/usr/bin/env bash
# Decodes the JPEG files picture_test wrote with the host's libjpeg (djpeg)
# and checks their sizes and the chart's colours where the layout puts them:
# a standard decoder must read the simulated camera's MJPG frames.
# Usage: check_jpeg_host.sh DIR
set -euo pipefail
dir=$1
command -v djpeg >/dev/null || { echo "djpeg not installed (libjpeg-turbo-progs)"; exit 1; }

python3 - "$dir" <<'PY'
import subprocess, sys

def decode(path):
    run = subprocess.run(["djpeg", "-pnm", path], capture_output=True)
    if run.returncode != 0 or run.stderr:
        raise SystemExit(f"{path}: djpeg: {run.stderr.decode(errors='replace').strip()}")
    ppm = run.stdout
    # P6 header: magic, width, height, maxval, one whitespace, pixels.
    fields, pos = [], 0
    while len(fields) < 4:
        while ppm[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not ppm[pos:pos + 1].isspace():
            pos += 1
        fields.append(ppm[start:pos])
    assert fields[0] == b"P6", fields[0]
    return int(fields[1]), int(fields[2]), ppm[pos + 1:]

failures = []

# points: (x, y, (r, g, b), what) in pixels
def check(name, width, height, points):
    w, h, pixels = decode(f"{sys.argv[1]}/{name}")
    if (w, h) != (width, height):
        failures.append(f"{name}: {w}x{h}, expected {width}x{height}")
        return
    bad = 0
    for (x, y, rgb, what) in points:
        i = (y * w + x) * 3
        got = tuple(pixels[i:i + 3])
        if any(abs(g - e) > 12 for g, e in zip(got, rgb)):
            failures.append(f"{name}: {what} at ({x},{y}) is {got}, expected about {rgb}")
            bad += 1
    print(f"{name}: {w}x{h}, {len(points) - bad} of {len(points)} colours right")

# Chart layout: patch centres at x 0.11 + 0.155 col, y 0.14 + 0.18 row.
chart = [
    [(255, 0, 0), (0, 255, 0), (0, 0, 255), (0, 255, 255), (255, 0, 255), (255, 255, 0)],
    [(255, 255, 255), (204, 204, 204), (153, 153, 153), (102, 102, 102), (51, 51, 51), (0, 0, 0)],
]
names = [["red", "green", "blue", "cyan", "magenta", "yellow"],
         ["white", "grey 80", "grey 60", "grey 40", "grey 20", "black"]]

def chart_points(w, h):
    return [(int((0.11 + 0.155 * c) * w), int((0.14 + 0.18 * r) * h), chart[r][c], names[r][c])
            for r in range(2) for c in range(6)]

check("picture_still_2592x1944.jpg", 2592, 1944, chart_points(2592, 1944))
# The capture frame was taken at 1.4 s: the ball is 70 % of the way along its
# run from x = 0.02 W + R to 0.62 W - R (R = 0.05 H), at y = 0.92 H.
ball_x = int(0.02 * 640 + 24 + (0.62 * 640 - 24 - 0.02 * 640 - 24) * 0.7)
check("picture_capture_640x480.jpg", 640, 480,
      chart_points(640, 480) + [(ball_x, int(0.92 * 480), (255, 140, 0), "ball")])
check("picture_odd_50x26.jpg", 50, 26,
      [(6, 13, (255, 0, 0), "red"), (40, 13, (0, 0, 255), "blue"), (49, 25, (0, 0, 255), "bottom-right blue")])

if failures:
    print("\n".join(failures))
    sys.exit(1)
PY
