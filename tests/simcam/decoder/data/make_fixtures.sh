#!/usr/bin/env bash
# Regenerates the decoder test pictures: a synthetic scene encoded by the
# distribution's libjpeg-turbo tools, and reference decodings made with the
# integer IDCT and plain (repeating) chroma upsampling, the decoder's choices.
# Needs python3, cjpeg and djpeg (Debian package libjpeg-turbo-progs).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# scene W H OUT: gradients, noise and four MCU-aligned solid squares in the
# top-left 32x32 corner (red, green, blue, white).
scene() {
  python3 - "$1" "$2" "$3" <<'EOF'
import random, sys
w, h, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
random.seed(7)
solid = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)]
px = bytearray()
for y in range(h):
    for x in range(w):
        if x < 32 and y < 32:
            px += bytes(solid[(y // 16) * 2 + x // 16])
            continue
        r = (x * 255) // max(1, w - 1)
        g = (y * 255) // max(1, h - 1)
        b = 255 - (r + g) // 2
        if (x // 8 + y // 8) % 5 == 0:
            r, g, b = 255 - r, b, g
        n = random.randint(-12, 12)
        px += bytes(max(0, min(255, c + n)) for c in (r, g, b))
with open(out, 'wb') as f:
    f.write(b'P6\n%d %d\n255\n' % (w, h))
    f.write(px)
EOF
}

scene 67 45 "$tmp/small.ppm"
scene 640 480 "$tmp/vga.ppm"

enc() { cjpeg -baseline -dct int "$@"; }
ref() { djpeg -dct int -nosmooth -ppm "$1" > "${1%.jpg}.ppm"; }

enc -quality 90 -sample 1x1 -outfile scene_444.jpg "$tmp/small.ppm"
enc -quality 90 -sample 2x1 -outfile scene_422.jpg "$tmp/small.ppm"
enc -quality 90 -sample 2x2 -outfile scene_420.jpg "$tmp/small.ppm"
enc -quality 75 -sample 2x1 -restart 3B -outfile scene_422_rst.jpg "$tmp/small.ppm"
enc -quality 85 -sample 2x2 -optimize -outfile scene_420_opt.jpg "$tmp/small.ppm"
enc -quality 90 -grayscale -outfile scene_grey.jpg "$tmp/small.ppm"
for f in scene_444 scene_422 scene_420 scene_422_rst scene_420_opt scene_grey; do ref $f.jpg; done

# Not baseline: must be refused.
cjpeg -quality 80 -progressive -outfile scene_progressive.jpg "$tmp/small.ppm"

# Frame-size picture for the timing test (no reference decoding kept).
enc -quality 85 -sample 2x1 -outfile vga_422.jpg "$tmp/vga.ppm"
enc -quality 85 -sample 2x2 -outfile vga_420.jpg "$tmp/vga.ppm"
