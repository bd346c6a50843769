#!/usr/bin/env bash
# Makes the binary files of the demo classroom in the laid-out companion folder given as the
# only argument: pictures for the Logo program's graphics folders and for the teaching pages,
# two sounds, and an archive. Generating them keeps binaries out of the repository.
# Needs python3; JPEG pictures need cjpeg (libjpeg-turbo-progs) or ImageMagick's convert,
# and are left out without either.
set -euo pipefail
DEST=${1:?usage: make-pictures.sh <companion folder>}
[ -d "$DEST" ] || { echo "make-pictures.sh: no folder $DEST" >&2; exit 1; }

JPEG_TOOL=
if command -v cjpeg >/dev/null 2>&1; then JPEG_TOOL=cjpeg
elif convert -version 2>/dev/null | grep -q ImageMagick; then JPEG_TOOL=convert
fi
export JPEG_TOOL

python3 - "$DEST" <<'PYEOF'
import math, os, struct, subprocess, sys, tempfile, wave, zipfile

DEST = sys.argv[1]
JPEG_TOOL = os.environ.get("JPEG_TOOL", "")


class Picture:
    """A 24-bit picture, rows from the top, pixels as (r, g, b)."""

    def __init__(self, w, h, colour=(255, 255, 255)):
        self.w, self.h = w, h
        self.px = [[colour] * w for _ in range(h)]

    def shade(self, fn):
        """Paints every pixel for which fn(x, y) gives a colour."""
        for y in range(self.h):
            row = self.px[y]
            for x in range(self.w):
                c = fn(x, y)
                if c is not None:
                    row[x] = c

    def vgradient(self, top, bottom, y0=0, y1=None):
        y1 = self.h if y1 is None else y1
        for y in range(y0, y1):
            t = (y - y0) / max(1, y1 - y0 - 1)
            c = tuple(int(a + (b - a) * t) for a, b in zip(top, bottom))
            self.px[y] = [c] * self.w

    def circle(self, cx, cy, r, colour):
        self.shade(lambda x, y: colour if (x - cx) ** 2 + (y - cy) ** 2 <= r * r else None)

    def ellipse(self, cx, cy, rx, ry, colour):
        self.shade(lambda x, y: colour
                   if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1 else None)

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.px[y][x] = colour

    def polygon(self, pts, colour):
        def inside(x, y):
            x += 0.5; y += 0.5
            hit = False
            j = len(pts) - 1
            for i in range(len(pts)):
                xi, yi = pts[i]; xj, yj = pts[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
                j = i
            return hit
        xs = [p[0] for p in pts]; ys = [p[1] for p in pts]
        for y in range(max(0, int(min(ys))), min(self.h, int(max(ys)) + 1)):
            for x in range(max(0, int(min(xs))), min(self.w, int(max(xs)) + 1)):
                if inside(x, y):
                    self.px[y][x] = colour

    def star(self, cx, cy, r_out, r_in, colour, points=5):
        pts = []
        for i in range(points * 2):
            r = r_out if i % 2 == 0 else r_in
            a = -math.pi / 2 + i * math.pi / points
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
        self.polygon(pts, colour)

    def bmp_bytes(self):
        stride = (self.w * 3 + 3) & ~3
        body = bytearray()
        for y in range(self.h - 1, -1, -1):  # BMP rows run from the bottom
            row = bytearray()
            for r, g, b in self.px[y]:
                row += bytes((b, g, r))
            row += b"\0" * (stride - len(row))
            body += row
        header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(body),
                           2835, 2835, 0, 0)
        return header + info + bytes(body)

    def ppm_bytes(self):
        data = bytearray(b"P6\n%d %d\n255\n" % (self.w, self.h))
        for row in self.px:
            for c in row:
                data += bytes(c)
        return bytes(data)


def save(pic, path):
    """Writes a picture as BMP or JPEG by the path's extension (any letter case)."""
    path = os.path.join(DEST, path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    ext = os.path.splitext(path)[1].lower()
    if ext == ".bmp":
        with open(path, "wb") as f:
            f.write(pic.bmp_bytes())
        return path
    if not JPEG_TOOL:
        print("make-pictures.sh: no JPEG encoder, left out", path, file=sys.stderr)
        return None
    with tempfile.NamedTemporaryFile(suffix=".ppm", delete=False) as tmp:
        tmp.write(pic.ppm_bytes())
    try:
        if JPEG_TOOL == "cjpeg":
            cmd = ["cjpeg", "-quality", "90", "-outfile", path, tmp.name]
        else:
            cmd = ["convert", tmp.name, "-quality", "90", "jpeg:" + path]
        if subprocess.run(cmd).returncode != 0:
            print("make-pictures.sh: JPEG encoder failed, left out", path, file=sys.stderr)
            if os.path.exists(path):
                os.unlink(path)
            return None
    finally:
        os.unlink(tmp.name)
    return path


# --- the pictures --------------------------------------------------------------------------

def button(label_shape, colour):
    p = Picture(64, 40, (255, 255, 255))
    p.shade(lambda x, y: colour if 3 <= x < 61 and 3 <= y < 37 else None)
    p.shade(lambda x, y: tuple(min(255, c + 60) for c in colour)
            if 3 <= x < 61 and 3 <= y < 12 else None)
    white = (255, 255, 255)
    if label_shape == "next":
        p.polygon([(22, 10), (44, 20), (22, 30)], white)
    elif label_shape == "back":
        p.polygon([(42, 10), (20, 20), (42, 30)], white)
    else:  # a tick
        p.polygon([(18, 20), (23, 15), (29, 22), (42, 9), (47, 14), (29, 32)], white)
    return p


def cat(bg=(255, 246, 214)):
    p = Picture(160, 120, bg)
    fur, dark, pink = (240, 160, 60), (60, 40, 30), (250, 150, 170)
    p.polygon([(40, 60), (48, 12), (76, 40)], fur)
    p.polygon([(120, 60), (112, 12), (84, 40)], fur)
    p.ellipse(80, 70, 48, 40, fur)
    p.circle(62, 62, 7, dark); p.circle(98, 62, 7, dark)
    p.circle(64, 60, 2, (255, 255, 255)); p.circle(100, 60, 2, (255, 255, 255))
    p.polygon([(74, 76), (86, 76), (80, 83)], pink)
    return p


def dog():
    p = Picture(160, 120, (220, 240, 255))
    fur, ear, dark = (210, 170, 120), (140, 90, 50), (50, 35, 25)
    p.ellipse(38, 58, 16, 32, ear); p.ellipse(122, 58, 16, 32, ear)
    p.ellipse(80, 66, 44, 42, fur)
    p.ellipse(80, 86, 22, 16, (240, 220, 190))
    p.circle(64, 58, 6, dark); p.circle(96, 58, 6, dark)
    p.ellipse(80, 78, 9, 6, dark)
    return p


def flower():
    p = Picture(160, 120, (230, 255, 230))
    p.rect(77, 60, 83, 120, (60, 150, 60))
    p.ellipse(62, 96, 16, 7, (80, 180, 80))
    for i in range(8):
        a = i * math.pi / 4
        p.circle(80 + 22 * math.cos(a), 48 + 22 * math.sin(a), 14, (240, 90, 140))
    p.circle(80, 48, 14, (255, 210, 40))
    return p


def bird():
    p = Picture(160, 120, (200, 230, 255))
    body = (70, 130, 230)
    p.ellipse(78, 66, 42, 30, body)
    p.circle(112, 46, 20, body)
    p.polygon([(128, 44), (148, 50), (128, 54)], (255, 170, 30))
    p.circle(116, 42, 4, (20, 20, 40))
    p.polygon([(44, 60), (12, 40), (30, 76)], (50, 100, 200))
    p.polygon([(70, 60), (96, 90), (58, 86)], (120, 170, 250))
    return p


def sea():
    p = Picture(200, 120)
    p.vgradient((120, 200, 255), (220, 240, 255), 0, 70)
    p.circle(150, 36, 18, (255, 200, 60))
    p.vgradient((30, 120, 200), (10, 60, 140), 70, 120)
    for k in range(4):
        p.shade(lambda x, y, k=k: (200, 230, 255)
                if abs(y - (82 + 10 * k + 3 * math.sin(x / 8 + k))) < 0.8 else None)
    return p


def mountains():
    p = Picture(200, 120)
    p.vgradient((150, 210, 255), (235, 245, 255), 0, 120)
    p.polygon([(-10, 120), (60, 30), (130, 120)], (90, 140, 90))
    p.polygon([(60, 120), (140, 20), (220, 120)], (60, 110, 70))
    p.polygon([(124, 40), (140, 20), (156, 40), (148, 44), (140, 38), (132, 44)],
              (255, 255, 255))
    p.rect(0, 108, 200, 120, (120, 190, 90))
    return p


def night():
    p = Picture(200, 120)
    p.vgradient((10, 15, 60), (40, 50, 120), 0, 120)
    p.circle(150, 34, 18, (255, 240, 170))
    p.circle(158, 28, 16, (14, 20, 70))
    for sx, sy in [(20, 20), (50, 46), (84, 14), (110, 60), (30, 80), (70, 94), (180, 90)]:
        p.star(sx, sy, 5, 2, (255, 255, 200))
    return p


def shape(kind):
    p = Picture(80, 80, (255, 255, 255))
    if kind == "maru":
        p.circle(40, 40, 32, (230, 60, 60))
    elif kind == "shikaku":
        p.rect(10, 10, 70, 70, (60, 120, 230))
    elif kind == "sankaku":
        p.polygon([(40, 6), (76, 72), (4, 72)], (40, 170, 80))
    else:  # hoshi
        p.star(40, 42, 36, 15, (250, 200, 30))
    return p


def face():
    p = Picture(80, 80, (255, 255, 255))
    p.circle(40, 40, 34, (255, 220, 80))
    p.circle(28, 32, 5, (40, 40, 40)); p.circle(52, 32, 5, (40, 40, 40))
    p.shade(lambda x, y: (200, 60, 60)
            if 47 <= y <= 56 and (x - 40) ** 2 / 400 + (y - 46) ** 2 / 100 <= 1 else None)
    return p


def book_page(n):
    p = Picture(160, 120, (255, 252, 240))
    p.rect(6, 6, 154, 114, (250, 235, 200))
    if n == 1:
        p.circle(80, 60, 34, (240, 160, 60))
    else:
        p.star(80, 60, 40, 16, (250, 200, 30))
    return p


# MicroWorlds EX's graphics folders, catalogued by the shell at start-up. Names in mixed
# letter case on purpose: the catalogue lists them sorted without regard to case.
save(button("ok", (60, 170, 80)), "MWEX/Graphics/Button/ok.bmp")
save(button("next", (60, 120, 230)), "MWEX/Graphics/Button/next.bmp")
save(button("back", (230, 120, 40)), "MWEX/Graphics/Button/back.bmp")
save(cat(), "MWEX/Graphics/Illustrations/neko.jpg")
save(dog(), "MWEX/Graphics/Illustrations/inu.bmp")
save(flower(), "MWEX/Graphics/Illustrations/hana.jpeg")
save(bird(), "MWEX/Graphics/Illustrations/TORI.JPG")
save(sea(), "MWEX/Graphics/Landscape1/umi.jpg")
save(mountains(), "MWEX/Graphics/Landscape1/yama.bmp")
save(night(), "MWEX/Graphics/Landscape2/yoru.jpg")
for k in ("maru", "shikaku", "sankaku"):
    save(shape(k), "MWEX/Graphics/Shape/%s.bmp" % k)
# The folder that the install list of the teacher's page writes its sound into.
os.makedirs(os.path.join(DEST, "MWEX", "Sounds"), exist_ok=True)

# Pictures of the teaching pages and the extra file of the game work.
save(cat(), "shiryou/neko.bmp")
save(mountains(), "shiryou/yama.jpg")
save(face(), "sakuhin/face.bmp")
save(shape("hoshi"), "sozai/hoshi.bmp")


# --- sounds ----------------------------------------------------------------------------------

def chime(path, notes, length=0.45):
    rate = 22050
    frames = bytearray()
    for f in notes:
        n = int(rate * length)
        for i in range(n):
            t = i / rate
            v = math.sin(2 * math.pi * f * t) * math.exp(-4 * t) * 0.5
            v += math.sin(4 * math.pi * f * t) * math.exp(-6 * t) * 0.15
            frames += struct.pack("<h", int(v * 32767))
    path = os.path.join(DEST, path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with wave.open(path, "wb") as w:
        w.setnchannels(1); w.setsampwidth(2); w.setframerate(rate)
        w.writeframes(bytes(frames))


chime("shiryou/oto.wav", [523.25, 659.25, 783.99])
chime("sozai/kane.wav", [880.0, 698.46], 0.8)


# --- an archive ------------------------------------------------------------------------------

with zipfile.ZipFile(os.path.join(DEST, "shiryou", "ehon.zip"), "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("ehon/1.bmp", book_page(1).bmp_bytes())
    z.writestr("ehon/2.bmp", book_page(2).bmp_bytes())
    z.writestr("ehon/よんでね.txt",
               "\ufeffえほん\r\n1まいめ: まるい おひさま\r\n2まいめ: きらきら ほし\r\n")
PYEOF
