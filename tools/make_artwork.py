#!/usr/bin/env python3
"""Draw Tamblinor's artwork and write the small resource files next to it.

Everything under resources/ that is not source code comes from this one
script, drawn from scratch with Pillow; nothing is loaded from image files.

    python3 tools/make_artwork.py          # (re)writes resources/*

Needs Python 3 with Pillow (Debian: python3-pil) and the DejaVu fonts
(Debian: fonts-dejavu).  The output is deterministic: running the script
twice gives byte-identical files, so regenerating never produces a
spurious diff.

Files written (all in resources/):
  banner.jpg              600 x 40 baseline JPEG shown at the top of the window
  tamblinor-256/48/32/16.png  RGBA window / desktop icons (256 for software centres)
  folder-open-16.png      the folder list's icon for the shown folder and those above it
  folder-closed-16.png    the folder list's icon for the folders inside it
  tamblinor.ico           Windows icon: 48, 32, 16 px, 8-bit palette + AND mask
  tamblinor.desktop       freedesktop menu entry
  tamblinor.rc.in         Windows resource script: the icon and the version, which
                          CMake fills in from the project's version
  resources.qrc           Qt resource list
"""

from __future__ import annotations

import io
import math
import struct
import sys
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = Path(__file__).resolve().parent.parent
OUT = ROOT / "resources"

BANNER_SIZE = (600, 40)
BANNER_BYTES_TARGET = 20_000          # aim; anything in 15-25 KB is fine
BANNER_BYTES_RANGE = (15_000, 25_000)
ICON_SIZES = (48, 32, 16)  # the Windows icon's; the desktop also gets 256

# Shared palette, so the icon and the banner faces are the same child.
SKIN = (255, 216, 177)
SKIN_SHADE = (246, 192, 150)
OUTLINE = (176, 106, 62)
HAIR = (140, 82, 38)
EYE = (52, 34, 28)
CHEEK = (250, 128, 128)
MOUTH = (196, 64, 56)
WHITE = (255, 255, 255)


# --------------------------------------------------------------------------
# small drawing helpers (all work on supersampled RGBA canvases)
# --------------------------------------------------------------------------

def layer(size: tuple[int, int]) -> Image.Image:
    return Image.new("RGBA", size, (0, 0, 0, 0))


def ellipse(draw: ImageDraw.ImageDraw, cx: float, cy: float, rx: float, ry: float, fill,
            outline=None, width: int = 0) -> None:
    draw.ellipse((cx - rx, cy - ry, cx + rx, cy + ry), fill=fill, outline=outline, width=width)


def bezier(p0, p1, p2, p3, steps: int = 64) -> list[tuple[float, float]]:
    """Points along a cubic Bezier curve."""
    pts = []
    for i in range(steps + 1):
        t = i / steps
        u = 1 - t
        x = u ** 3 * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t ** 3 * p3[0]
        y = u ** 3 * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t ** 3 * p3[1]
        pts.append((x, y))
    return pts


def tapered_stroke(draw: ImageDraw.ImageDraw, pts, w0: float, w1: float, fill) -> None:
    """A brush stroke whose width goes from w0 to w1 along the path.

    Drawn as overlapping discs; on a supersampled canvas this gives the
    smooth calligraphic taper a plain line() cannot.  Extra discs are put
    between the given points wherever they would not overlap enough."""
    n = len(pts)
    step = max(min(w0, w1) / 4, 0.5)
    for i in range(n):
        x, y = pts[i]
        nx, ny = pts[min(i + 1, n - 1)]
        sub = max(1, math.ceil(math.hypot(nx - x, ny - y) / step)) if i < n - 1 else 1
        for j in range(sub):
            t = (i + j / sub) / max(n - 1, 1)
            px, py = x + (nx - x) * j / sub, y + (ny - y) * j / sub
            r = (w0 + (w1 - w0) * t) / 2
            draw.ellipse((px - r, py - r, px + r, py + r), fill=fill)


def spiral(cx: float, cy: float, r0: float, r1: float, a0: float, turns: float,
           steps: int = 80) -> list[tuple[float, float]]:
    """Points of an Archimedean spiral from radius r0 to r1 (for curls)."""
    pts = []
    for i in range(steps + 1):
        t = i / steps
        a = a0 + turns * 2 * math.pi * t
        r = r0 + (r1 - r0) * t
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def font(name: str, size: int) -> ImageFont.FreeTypeFont:
    # Pillow searches the system font directories for a bare file name, so
    # no machine-specific path is needed here.
    try:
        return ImageFont.truetype(name, size)
    except OSError:
        sys.exit(f"font {name} not found; install fonts-dejavu")


# --------------------------------------------------------------------------
# the child's face (vector version, used by the banner and the 48/32 icons)
# --------------------------------------------------------------------------

def draw_face(img: Image.Image, cx: float, cy: float, r: float, *,
              line: float, eye_rx: float, eye_ry: float, smile_w: float,
              tuft: float = 1.0, grid: float | None = None) -> None:
    """Round friendly baby face centred at (cx, cy) with radius r.

    The stroke sizes are passed in explicitly (rather than derived from r)
    so that small renderings can be hinted: a line that would be 0.7 px
    wide at 32 px is forced to a full pixel or more so it stays visible.
    `tuft` scales the hair curl, which small icons must keep inside the
    canvas.  With `grid` (the size of one output pixel in canvas units) the
    eyes and their catch-lights are snapped to whole pixels, so after
    downsampling they come out crisp rather than as grey smudges."""

    def snap(v: float) -> float:
        return v if grid is None else round(v / grid) * grid

    d = ImageDraw.Draw(img)

    # hair tuft: a little curl rising from the crown, drawn behind the head
    top = cy - r
    k = r * tuft
    curl_path = bezier((cx - 0.05 * r, top + 0.25 * r), (cx - 0.10 * k, top - 0.25 * k),
                       (cx + 0.30 * k, top - 0.45 * k), (cx + 0.30 * k, top - 0.15 * k))
    tapered_stroke(d, curl_path, 0.30 * k, 0.16 * k, HAIR)
    curl = spiral(cx + 0.16 * k, top - 0.16 * k, 0.15 * k, 0.04 * k, 0.0, 0.75)
    tapered_stroke(d, curl, 0.16 * k, 0.10 * k, HAIR)
    side = bezier((cx - 0.05 * r, top + 0.20 * r), (cx - 0.25 * k, top - 0.10 * k),
                  (cx - 0.45 * k, top - 0.05 * k), (cx - 0.48 * k, top + 0.05 * k))
    tapered_stroke(d, side, 0.22 * k, 0.08 * k, HAIR)

    # head with outline, then a soft shade along the lower-left edge for volume
    ellipse(d, cx, cy, r, r, fill=OUTLINE)
    ellipse(d, cx, cy, r - line, r - line, fill=SKIN_SHADE)
    ellipse(d, cx + 0.06 * r, cy - 0.06 * r, r - line - 0.08 * r, r - line - 0.08 * r, fill=SKIN)

    # forehead fringe: a few short strokes of hair just under the crown
    fringe = bezier((cx - 0.02 * r, top + line * 0.5), (cx + 0.02 * r, top + 0.20 * r),
                    (cx - 0.10 * r, top + 0.28 * r), (cx - 0.20 * r, top + 0.26 * r))
    tapered_stroke(d, fringe, 0.20 * r, 0.06 * r, HAIR)

    # rosy cheeks, semi-transparent so the skin glows through
    cheeks = layer(img.size)
    cd = ImageDraw.Draw(cheeks)
    for sx in (-1, 1):
        ellipse(cd, cx + sx * 0.56 * r, cy + 0.30 * r, 0.20 * r, 0.13 * r, fill=CHEEK + (150,))
    img.alpha_composite(cheeks)

    # eyes, with a catch-light that makes the face look alive
    for sx in (-1, 1):
        # snap the eye's edges (not its centre) so it covers whole pixels
        ex = snap(cx + sx * 0.34 * r - eye_rx) + eye_rx
        ey = snap(cy - 0.02 * r - eye_ry) + eye_ry
        ellipse(d, ex, ey, eye_rx, eye_ry, fill=EYE)
        hr = eye_rx * 0.45
        if grid is not None:
            hr = max(round(2 * hr / grid), 1) * grid / 2
        hx = snap(ex + eye_rx * 0.30 - hr) + hr
        hy = snap(ey - eye_ry * 0.35 - hr) + hr
        ellipse(d, hx, hy, hr, hr, fill=WHITE)

    # smile: an arc, with rounded ends so it reads as a drawn line
    sr = 0.34 * r
    scx, scy = cx, cy + 0.10 * r
    a0, a1 = math.radians(28), math.radians(152)
    pts = [(scx + sr * math.cos(a0 + (a1 - a0) * i / 40), scy + sr * math.sin(a0 + (a1 - a0) * i / 40))
           for i in range(41)]
    tapered_stroke(d, pts, smile_w, smile_w, MOUTH)


# --------------------------------------------------------------------------
# icons
# --------------------------------------------------------------------------

# Per-size hinting (in target pixels).  Radius and centre put the head on a
# pixel grid; line, eye and smile sizes are bumped above their proportional
# value at 32 px so the features stay crisp instead of blurring into the skin.
ICON_HINTS = {
    48: dict(cx=24.0, cy=27.0, r=20.0, line=1.6, eye_rx=2.5, eye_ry=3.5, smile_w=2.2, tuft=0.85),
    32: dict(cx=16.0, cy=18.0, r=13.0, line=1.5, eye_rx=2.0, eye_ry=2.5, smile_w=1.8, tuft=0.8),
    # large enough to need no hinting: the 48 px face scaled up, on whole pixels
    256: dict(cx=128.0, cy=144.0, r=107.0, line=8.5, eye_rx=13.0, eye_ry=19.0, smile_w=11.5,
              tuft=0.85),
}

# 16 px is too small for anti-aliased shapes to survive; it is drawn as
# pixel art instead (dot eyes: a catch-light pixel would make them squint).
# Legend: . transparent, o outline, s skin, h hair, e eye, c cheek, m mouth.
ICON16 = [
    "........hhh.....",
    ".......hh.......",
    ".....oohhoo.....",
    "...oosshhssoo...",
    "..osssssssssso..",
    "..osssssssssso..",
    ".osssssssssssso.",
    ".osssessssessso.",
    ".osssessssessso.",
    ".osssssssssssso.",
    ".occsmssssmscco.",
    ".ossssmmmmsssso.",
    "..osssssssssso..",
    "..osssssssssso..",
    "...oossssssoo...",
    ".....oooooo.....",
]
ICON16_COLOURS = {
    "o": OUTLINE, "s": SKIN, "h": HAIR, "e": EYE,
    "c": (252, 160, 150), "m": MOUTH,
}


def icon_vector(size: int) -> Image.Image:
    ss = 8  # supersampling factor
    h = ICON_HINTS[size]
    big = layer((size * ss, size * ss))
    draw_face(big, h["cx"] * ss, h["cy"] * ss, h["r"] * ss,
              line=h["line"] * ss, eye_rx=h["eye_rx"] * ss, eye_ry=h["eye_ry"] * ss,
              smile_w=h["smile_w"] * ss, tuft=h["tuft"], grid=ss)
    # BOX on an exact integer factor is a plain area average; Pillow
    # premultiplies alpha while resizing, so edges get no dark fringe.
    return big.resize((size, size), Image.BOX)


def icon_pixel_art(rows: list[str], colours: dict[str, tuple[int, int, int]]) -> Image.Image:
    assert all(len(row) == len(rows[0]) for row in rows)
    img = layer((len(rows[0]), len(rows)))
    px = img.load()
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch != ".":
                px[x, y] = colours[ch] + (255,)
    return img


def make_icons() -> dict[int, Image.Image]:
    icons = {s: icon_vector(s) for s in ICON_HINTS}
    icons[16] = icon_pixel_art(ICON16, ICON16_COLOURS)
    return icons


# --------------------------------------------------------------------------
# folder icons (the folder list: open for the shown folder and those above
# it, closed for the folders inside it)
# --------------------------------------------------------------------------

# Manila folders as pixel art, like the 16 px face.  Both share the tab and
# the outline, so they read as one family; the open one shows a white sheet
# and a front flap tipped forward.  Legend: . transparent, o outline, b back,
# f front, l front's lit top edge, d front's shaded foot, w sheet, g its line.
FOLDER_CLOSED16 = [
    "................",
    "................",
    "..ooooo.........",
    ".obbbbbo........",
    ".obbbbbbooooooo.",
    ".obbbbbbbbbbbbo.",
    ".oooooooooooooo.",
    ".ollllllllllllo.",
    ".offffffffffffo.",
    ".offffffffffffo.",
    ".offffffffffffo.",
    ".offffffffffffo.",
    ".offffffffffffo.",
    ".oddddddddddddo.",
    "..oooooooooooo..",
    "................",
]
FOLDER_OPEN16 = [
    "................",
    "................",
    "..ooooo.........",
    ".obbbbbo........",
    ".obbbbbbooooooo.",
    ".obwwwwwwwwwwbo.",
    ".obwggggggggwbo.",
    ".obwooooooooooo.",
    ".obollllllllllo.",
    ".oboffffffffffo.",
    ".ooffffffffffo..",
    ".ooffffffffffo..",
    ".offffffffffo...",
    ".oddddddddddo...",
    "..ooooooooooo...",
    "................",
]
FOLDER_COLOURS = {
    "o": (156, 104, 22), "b": (222, 168, 58), "f": (250, 208, 86),
    "l": (255, 238, 160), "d": (232, 178, 60), "w": WHITE, "g": (160, 160, 160),
}


def make_folder_icons() -> dict[str, Image.Image]:
    return {"open": icon_pixel_art(FOLDER_OPEN16, FOLDER_COLOURS),
            "closed": icon_pixel_art(FOLDER_CLOSED16, FOLDER_COLOURS)}


def ico_image(img: Image.Image) -> bytes:
    """One ICO image: BITMAPINFOHEADER, 256-entry palette, 8-bit XOR bitmap
    and 1-bit AND mask.

    8 bpp has no alpha channel, so transparency is carried by the AND mask
    alone: pixels with alpha < 50 % are masked out (their XOR index points
    at black, which leaves the screen untouched); all others are drawn
    opaque with their un-premultiplied colour, which for our anti-aliased
    rim is the outline brown, so the edge stays clean on any background."""
    w, h = img.size
    px = img.load()
    opaque = [[px[x, y][3] >= 128 for x in range(w)] for y in range(h)]

    # Index 0 is reserved for black (the masked-out pixels); the drawing
    # gets at most 255 colours.  Quantize only the opaque pixels so the
    # transparent background does not waste palette entries.
    rgb = Image.new("RGB", (w, h), OUTLINE)
    rgb_px = rgb.load()
    for y in range(h):
        for x in range(w):
            if opaque[y][x]:
                rgb_px[x, y] = px[x, y][:3]
    colours = rgb.getcolors(maxcolors=256)
    if colours is not None and len(colours) <= 255:
        table = sorted(c for _, c in colours)  # sorted: deterministic order
        lookup = {c: i + 1 for i, c in enumerate(table)}
        index = lambda x, y: lookup[rgb_px[x, y]]  # noqa: E731
    else:
        q = rgb.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
        pal = q.getpalette()
        table = [tuple(pal[3 * i:3 * i + 3]) for i in range(255)]
        q_px = q.load()
        index = lambda x, y: q_px[x, y] + 1  # noqa: E731

    palette = bytearray(256 * 4)  # RGBQUAD = B, G, R, 0; unused entries stay black
    for i, (r, g, b) in enumerate(table, start=1):
        palette[4 * i:4 * i + 4] = bytes((b, g, r, 0))

    # Both bitmaps are stored bottom-up, each row padded to 4 bytes.
    xor_stride = (w + 3) & ~3
    and_stride = ((w + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(h)):
        row = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x in range(w):
            if opaque[y][x]:
                row[x] = index(x, y)
            else:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += row
        mask += bits

    header = struct.pack("<IiiHHIIiiII",
                         40,            # biSize
                         w, 2 * h,      # height covers XOR + AND bitmaps
                         1, 8,          # planes, bits per pixel
                         0,             # BI_RGB
                         len(xor) + len(mask),
                         0, 0,          # resolution: unused for icons
                         256, 0)        # colours used, important
    return header + bytes(palette) + bytes(xor) + bytes(mask)


def write_ico(path: Path, icons: dict[int, Image.Image]) -> None:
    blobs = [(s, ico_image(icons[s])) for s in ICON_SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))  # ICONDIR, type 1 = icon
    offset = 6 + 16 * len(blobs)
    for size, blob in blobs:
        # ICONDIRENTRY: width, height (0 would mean 256), colour count
        # (0 = 256 or more), reserved, planes, bpp, data size, data offset.
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(blob), offset)
        offset += len(blob)
    for _, blob in blobs:
        out += blob
    path.write_bytes(bytes(out))


# --------------------------------------------------------------------------
# banner
# --------------------------------------------------------------------------

SKY = (150, 206, 240)
SUN_YELLOW = (255, 242, 180)
GRASS = (118, 184, 82)
GRASS_DARK = (82, 150, 60)
STEM = (74, 140, 52)
LEAF = (96, 168, 66)
PETAL_BACK = (238, 168, 24)
PETAL_FRONT = (255, 204, 40)
DISC_DARK = (92, 52, 24)
DISC_LIGHT = (150, 92, 40)


def lerp(a, b, t: float):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def sky_gradient(w: int, h: int) -> Image.Image:
    """Sky blue on the left fading to soft yellow on the right, a touch
    lighter towards the bottom like haze on the horizon."""
    row = Image.new("RGB", (w, 1))
    for x in range(w):
        t = x / (w - 1)
        t = t * t * (3 - 2 * t)  # smoothstep: no visible band at either end
        row.putpixel((x, 0), lerp(SKY, SUN_YELLOW, t))
    img = row.resize((w, h), Image.NEAREST)
    haze = Image.new("L", (1, h))
    for y in range(h):
        haze.putpixel((0, y), round(70 * (y / (h - 1)) ** 2))
    img.paste(Image.new("RGB", (w, h), WHITE), (0, 0), haze.resize((w, h), Image.NEAREST))
    return img.convert("RGBA")


def draw_clouds(img: Image.Image, s: int) -> None:
    # transparent *white*, not transparent black: the blur averages colour
    # and alpha separately, and black would leave a grey rim
    clouds = Image.new("RGBA", img.size, WHITE + (0,))
    d = ImageDraw.Draw(clouds)
    for cx, cy, k in ((100, 12, 1.0), (150, 25, 0.75), (478, 11, 0.7)):
        for dx, dy, r in ((-7, 2, 5), (0, 0, 7), (8, 2, 5), (3, 4, 5), (-3, 4, 5)):
            ellipse(d, (cx + dx * k) * s, (cy + dy * k) * s, r * k * s, r * k * s,
                    fill=WHITE + (170,))
    img.alpha_composite(clouds.filter(ImageFilter.GaussianBlur(s * 0.6)))


def draw_grass(img: Image.Image, s: int) -> None:
    w, h = img.size
    d = ImageDraw.Draw(img)
    # two gently rolling hills along the bottom edge
    for base, amp, period, phase, col in ((35.5, 1.6, 90, 0.0, GRASS),
                                          (37.5, 1.2, 57, 1.3, GRASS_DARK)):
        pts = [(x, (base + amp * math.sin(x / (period * s) * 2 * math.pi + phase)) * s)
               for x in range(0, w + 1, s)]
        d.polygon(pts + [(w, h), (0, h)], fill=col)
    # tiny meadow flowers, placed on a fixed pattern (no randomness)
    for i, x in enumerate(range(52, 560, 23)):
        if 185 < x < 415:
            continue  # keep the lettering area calm
        y = 37.2 + 0.8 * math.sin(i * 2.1)
        col = ((255, 255, 255), (255, 214, 90), (255, 160, 170))[i % 3]
        ellipse(d, x * s, y * s, 0.9 * s, 0.9 * s, fill=col)


def draw_sunflower(img: Image.Image, cx: float, cy: float, r: float, s: int) -> None:
    """Sunflower head of radius r (banner px) at (cx, cy), with stem and leaf."""
    d = ImageDraw.Draw(img)
    cx, cy, r = cx * s, cy * s, r * s
    h = img.size[1]

    # stem and a leaf, behind the head
    stem = bezier((cx, cy), (cx + 0.1 * r, cy + 0.9 * r), (cx - 0.25 * r, cy + 1.4 * r), (cx - 0.1 * r, h))
    tapered_stroke(d, stem, 0.22 * r, 0.30 * r, STEM)
    lx, ly = cx - 0.05 * r, cy + 1.25 * r
    leaf = bezier((lx, ly), (lx + 0.5 * r, ly - 0.6 * r), (lx + 1.1 * r, ly - 0.3 * r), (lx + 1.3 * r, ly - 0.55 * r))
    leaf2 = bezier((lx + 1.3 * r, ly - 0.55 * r), (lx + 1.0 * r, ly + 0.15 * r), (lx + 0.5 * r, ly + 0.15 * r), (lx, ly))
    d.polygon(leaf + leaf2, fill=LEAF)
    d.line(bezier((lx, ly), (lx + 0.5 * r, ly - 0.2 * r), (lx + 0.9 * r, ly - 0.25 * r), (lx + 1.25 * r, ly - 0.5 * r)),
           fill=STEM, width=max(1, round(0.05 * r)))

    # Petals: two rings of pointed ovals, the back ring darker and rotated
    # half a step so the flower looks full.  Each petal is a lens shape
    # built from a sine profile, which gives pointed tips.
    def petal(angle: float, inner: float, length: float, width: float, col) -> None:
        ca, sa = math.cos(angle), math.sin(angle)
        pts = []
        for i in range(33):
            t = i / 32
            along = inner + length * t
            half = width * math.sin(math.pi * t) ** 0.8
            pts.append((along, half))
        pts += [(a, -w_) for a, w_ in reversed(pts)]
        d.polygon([(cx + a * ca - w_ * sa, cy + a * sa + w_ * ca) for a, w_ in pts], fill=col)

    n = 16
    for i in range(n):
        petal(2 * math.pi * (i + 0.5) / n, 0.35 * r, 0.65 * r, 0.16 * r, PETAL_BACK)
    for i in range(n):
        petal(2 * math.pi * i / n, 0.35 * r, 0.55 * r, 0.14 * r, PETAL_FRONT)

    # seed disc: dark rim, lighter centre, seeds on the golden-angle spiral
    disc = 0.42 * r
    ellipse(d, cx, cy, disc, disc, fill=DISC_DARK)
    ellipse(d, cx - 0.04 * r, cy - 0.04 * r, disc * 0.72, disc * 0.72, fill=DISC_LIGHT)
    golden = math.pi * (3 - math.sqrt(5))
    seeds = 90
    for k in range(seeds):
        rr = disc * 0.92 * math.sqrt((k + 0.5) / seeds)
        a = k * golden
        sr = disc * 0.055
        ellipse(d, cx + rr * math.cos(a), cy + rr * math.sin(a), sr, sr, fill=(60, 32, 14))


def draw_title(img: Image.Image, x: float, baseline: float, s: int) -> None:
    """Ornamental 'Tamblinor': warm gradient letters with a cream inline,
    brown outline and soft shadow, a heart dotting the i, and a thin swash
    underneath ending in a curl."""
    f = font("DejaVuSerif-BoldItalic.ttf", 29 * s)
    w, h = img.size
    pos = (x * s, baseline * s)

    def text_mask(text: str, stroke: int = 0) -> Image.Image:
        m = Image.new("L", (w, h), 0)
        ImageDraw.Draw(m).text(pos, text, font=f, fill=255, anchor="ls",
                               stroke_width=stroke, stroke_fill=255)
        return m

    # The i is set dotless (U+0131) and a heart takes the dot's place.  The
    # dot is located by subtracting the dotless rendering from the dotted one,
    # so this keeps working whatever the font's metrics are.
    plain = "Tamblinor"
    dotless = plain.replace("i", "\u0131")
    core = text_mask(dotless)
    # (the dotless glyph's stem may not sit exactly where the dotted one's
    # does, so ignore differences right next to the letters)
    dot = ImageChops.subtract(text_mask(plain), core.filter(ImageFilter.MaxFilter(2 * s + 1)))
    dl, dt, dr, db = dot.point(lambda v: 255 if v > 128 else 0).getbbox()
    left, top, right, bottom = core.getbbox()

    heart = Image.new("L", (w, h), 0)
    hx, hy, hs = (dl + dr) / 2, (dt + db) / 2, (dr - dl) * 1.9
    hd = ImageDraw.Draw(heart)
    for sx in (-1, 1):
        ellipse(hd, hx + sx * 0.25 * hs, hy - 0.12 * hs, 0.27 * hs, 0.27 * hs, fill=255)
    hd.polygon([(hx - 0.51 * hs, hy - 0.05 * hs), (hx + 0.51 * hs, hy - 0.05 * hs), (hx, hy + 0.55 * hs)], fill=255)

    # swash: a thin wave from under the T to past the r, curling up at the end
    swash = Image.new("L", (w, h), 0)
    sd = ImageDraw.Draw(swash)
    y0 = bottom + 3.6 * s
    path = bezier((left + 3 * s, y0 - 1.2 * s), (left + 50 * s, y0 + 2.2 * s),
                  (right - 70 * s, y0 - 2.2 * s), (right + 1 * s, y0))
    tapered_stroke(sd, path, 0.7 * s, 1.7 * s, 255)
    curl = spiral(right + 1 * s, y0 - 3 * s, 3 * s, 0.8 * s, math.pi / 2, -0.8)
    tapered_stroke(sd, curl, 1.7 * s, 1.0 * s, 255)

    def grow(m: Image.Image, px: float) -> Image.Image:
        return m.filter(ImageFilter.MaxFilter(2 * round(px * s) + 1))

    letters_outer = ImageChops.lighter(text_mask(dotless, round(2.2 * s)), grow(heart, 1.1))
    letters_inline = ImageChops.lighter(text_mask(dotless, round(1.1 * s)), grow(heart, 0.5))
    swash_halo = grow(swash, 0.6)

    def paint(colour, m: Image.Image) -> None:
        img.paste(Image.new("RGBA", (w, h), colour + (255,)), (0, 0), m)

    # soft drop shadow under everything
    shadow = ImageChops.lighter(letters_outer, swash_halo).filter(ImageFilter.GaussianBlur(1.2 * s))
    shadow = ImageChops.offset(shadow, round(1.2 * s), round(1.4 * s))
    paint((90, 50, 20), shadow.point(lambda v: v * 110 // 255))

    # swash: cream halo and brown line, so it stays apart from the letters
    paint((255, 248, 225), swash_halo)
    paint((150, 64, 22), swash)

    # letters: brown outline, cream inline, then the gradient body
    paint((122, 52, 18), letters_outer)
    paint((255, 248, 225), letters_inline)
    body = Image.new("RGBA", (w, h))
    bd = ImageDraw.Draw(body)
    for y in range(top, bottom + 1):
        t = (y - top) / max(bottom - top, 1)
        # warm gold at the top, deep orange-red at the foot
        bd.line((0, y, w, y), fill=lerp((255, 190, 40), (214, 70, 20), t) + (255,))
    img.paste(body, (0, 0), core)
    paint((235, 60, 95), heart)

    # glossy highlight over the upper part of each letter
    band = Image.new("L", (w, h), 0)
    bd = ImageDraw.Draw(band)
    y1 = top + round((bottom - top) * 0.4)
    for y in range(top, y1 + 1):
        bd.line((0, y, w, y), fill=round(120 * (1 - ((y - top) / max(y1 - top, 1)) ** 2)))
    paint((255, 250, 215), ImageChops.multiply(core, band))


def draw_sparkles(img: Image.Image, s: int) -> None:
    """Four-pointed twinkles sprinkled near the lettering."""
    d = ImageDraw.Draw(img)
    for x, y, r in ((180, 8, 2.4), (184, 27, 1.4), (414, 8, 2.2), (425, 22, 1.5)):
        x, y, r = x * s, y * s, r * s
        q = r * 0.28
        d.polygon([(x, y - r), (x + q, y - q), (x + r, y), (x + q, y + q),
                   (x, y + r), (x - q, y + q), (x - r, y), (x - q, y - q)], fill=(255, 255, 240))


def make_banner() -> Image.Image:
    s = 4  # supersampling factor
    w, h = BANNER_SIZE
    img = sky_gradient(w * s, h * s)
    draw_clouds(img, s)
    draw_grass(img, s)

    # the child at each end, looking the same as the window icon; the right
    # one is mirrored so both hair curls lean towards the middle
    face = layer((42 * s, h * s))
    draw_face(face, 21 * s, 22.5 * s, 13.5 * s, line=1.2 * s,
              eye_rx=1.9 * s, eye_ry=2.5 * s, smile_w=1.5 * s)
    img.alpha_composite(face, (0, 0))
    img.alpha_composite(face.transpose(Image.Transpose.FLIP_LEFT_RIGHT), ((w - 42) * s, 0))

    # sunflower and name together centred on the banner
    draw_sunflower(img, 207, 17.5, 15.5, s)
    draw_sparkles(img, s)
    draw_title(img, 233, 27, s)

    return img.convert("RGB").resize(BANNER_SIZE, Image.LANCZOS)


def save_banner(img: Image.Image, path: Path) -> None:
    """Pick the JPEG quality whose size is closest to the target.

    Plain baseline (not progressive) with 4:4:4 chroma, because the fine
    coloured outlines of the lettering smear badly with subsampling."""
    best = None
    for q in range(70, 101):
        buf = io.BytesIO()
        img.save(buf, "JPEG", quality=q, subsampling=0, optimize=True, progressive=False)
        size = buf.tell()
        if best is None or abs(size - BANNER_BYTES_TARGET) < abs(best[1] - BANNER_BYTES_TARGET):
            best = (buf.getvalue(), size, q)
    data, size, q = best
    lo, hi = BANNER_BYTES_RANGE
    if not lo <= size <= hi:
        print(f"warning: banner.jpg is {size} bytes (quality {q}), outside {lo}-{hi}", file=sys.stderr)
    path.write_bytes(data)


# --------------------------------------------------------------------------
# text resources
# --------------------------------------------------------------------------

DESKTOP = """\
[Desktop Entry]
Type=Application
Version=1.4
Name=Tamblinor
Name[zh_CN]=宝宝照片改名
GenericName=Photo Renamer
GenericName[zh_CN]=照片改名工具
Comment=Rename photos after your child's age
Comment[zh_CN]=按孩子的年龄给照片改名
Exec=tamblinor %f
Icon=tamblinor
Terminal=false
Categories=Graphics;Photography;
MimeType=inode/directory;
Keywords=photo;baby;child;age;rename;jpeg;
Keywords[zh_CN]=照片;宝宝;孩子;年龄;改名;
"""

RC = """\
// Windows resource script: gives tamblinor.exe its icon in Explorer and the
// taskbar, and the version its properties show.  Generated by
// tools/make_artwork.py; CMake fills in the @-names from the project.
#include <winver.h>

IDI_ICON1 ICON "@TAMBLINOR_ICON@"

// id 1 is VS_VERSION_INFO, which not every resource compiler's headers define
1 VERSIONINFO
FILEVERSION     @PROJECT_VERSION_MAJOR@,@PROJECT_VERSION_MINOR@,@PROJECT_VERSION_PATCH@,0
PRODUCTVERSION  @PROJECT_VERSION_MAJOR@,@PROJECT_VERSION_MINOR@,@PROJECT_VERSION_PATCH@,0
FILEFLAGSMASK   VS_FFI_FILEFLAGSMASK
FILEFLAGS       0
FILEOS          VOS_NT_WINDOWS32
FILETYPE        VFT_APP
FILESUBTYPE     VFT2_UNKNOWN
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        // Simplified Chinese, Unicode: the language of the window
        BLOCK "080404B0"
        BEGIN
            VALUE "CompanyName", "Oskev"
            VALUE "FileDescription", "Tamblinor"
            VALUE "FileVersion", "@PROJECT_VERSION@"
            VALUE "InternalName", "tamblinor"
            VALUE "OriginalFilename", "tamblinor.exe"
            VALUE "ProductName", "Tamblinor"
            VALUE "ProductVersion", "@PROJECT_VERSION@"
        END
    END
    BLOCK "VarFileInfo"
    BEGIN
        VALUE "Translation", 0x0804, 1200
    END
END
"""

QRC = """\
<!DOCTYPE RCC>
<RCC version="1.0">
    <qresource prefix="/">
        <file>banner.jpg</file>
        <file>tamblinor-48.png</file>
        <file>tamblinor-32.png</file>
        <file>tamblinor-16.png</file>
        <file>tamblinor.ico</file>
        <file>folder-open-16.png</file>
        <file>folder-closed-16.png</file>
    </qresource>
</RCC>
"""


def write_text(path: Path, text: str) -> None:
    # newline="" so the files get LF endings on every platform
    with open(path, "w", encoding="utf-8", newline="") as fh:
        fh.write(text)


def main() -> None:
    OUT.mkdir(exist_ok=True)

    save_banner(make_banner(), OUT / "banner.jpg")

    icons = make_icons()
    for size, img in icons.items():
        img.save(OUT / f"tamblinor-{size}.png", optimize=True)
    write_ico(OUT / "tamblinor.ico", icons)
    for state, img in make_folder_icons().items():
        img.save(OUT / f"folder-{state}-16.png", optimize=True)

    write_text(OUT / "tamblinor.desktop", DESKTOP)
    write_text(OUT / "tamblinor.rc.in", RC)
    write_text(OUT / "resources.qrc", QRC)

    for p in sorted(OUT.iterdir()):
        print(f"{p.relative_to(ROOT)}: {p.stat().st_size} bytes")


if __name__ == "__main__":
    main()
