#!/usr/bin/env python3
"""The pages at 96, 120, 144 and 192 DPI and in a Korean locale, each in a
Wine prefix of its own: every caption whole, each page's picture painted at
the page's scale, and no control over a decorated part of a picture.

    dpi.py --exe ... --winprobe ... --tipprobe ... --ui-tests ... --decorations ...
           --base-prefix ... --game ... --work ... --artifacts ...

The scale of a run is its page's size against the page at 96 DPI, which the
first run measures; decorations.json (written by tools/mkart.cpp beside the
bitmaps) says where each bitmap is not white.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import zlib

import e2e
from e2e import SHEET, Failure, centre, expect, find, wait_for

# name, LogPixels, locale
RUNS = [("96", 96, None), ("120", 120, None), ("144", 144, None), ("192", 192, None),
        ("ko", 96, "ko_KR.UTF-8")]
# At 192 DPI the sheet is taller than 768 pixels.
e2e.SCREEN = (1600, 1200)
TOLERANCE = 0.05
PAGES = ("System", "Option")

# Texts of the Korean run's message script, saved in code page 949.
KOREAN = {"notrade": "모든 거래 요청을 거절합니다.", "ISOK": "설정을 저장하고 닫을까요?"}


def set_log_pixels(prefix, dpi):
    """Both places Wine reads the DPI from, before the prefix's first start."""
    for name, key in (("user.reg", "Control Panel\\\\Desktop"),
                      ("system.reg", "System\\\\CurrentControlSet\\\\Hardware Profiles\\\\Current\\\\Software\\\\Fonts")):
        with open(os.path.join(prefix, name), "a", encoding="latin-1") as f:
            f.write('\n[%s]\n"LogPixels"=dword:%08x\n' % (key, dpi))


def korean_messages(game):
    path = os.path.join(game, "System", "LuaFiles514", "MsgString.lua")
    with open(path, encoding="latin-1") as f:
        source = f.read()
    for key, text in KOREAN.items():
        source, count = re.subn(r'(SetupMSG\["%s"\]\s*=\s*)"[^"]*"' % key, lambda m: m.group(1) + '"%s"' % text, source)
        expect(count == 1, "the message script has no %s" % key)
    with open(path, "wb") as f:
        f.write(source.encode("cp949"))


def as_probed(text):
    """A text as winprobe and tipprobe print it: code page 949 bytes, one character each."""
    return text.encode("cp949").decode("latin-1")


def read_png(path):
    """(width, height, RGB bytes) of a PNG as e2e.write_png writes it."""
    with open(path, "rb") as f:
        data = f.read()
    offset, idat, width, height = 8, b"", 0, 0
    while offset < len(data):
        length = int.from_bytes(data[offset:offset + 4], "big")
        kind, body = data[offset + 4:offset + 8], data[offset + 8:offset + 8 + length]
        if kind == b"IHDR":
            width, height = int.from_bytes(body[:4], "big"), int.from_bytes(body[4:8], "big")
        elif kind == b"IDAT":
            idat += body
        offset += 12 + length
    raw = zlib.decompress(idat)
    stride = 1 + 3 * width
    return width, height, b"".join(raw[y * stride + 1:(y + 1) * stride] for y in range(height))


def glyph_cells(shot, rect, origin):
    """The tooltip's text as the shapes between blank columns, read off the
    screenshot inside the tooltip's border."""
    width, _, rgb = read_png(shot)
    left, top = origin[0] + rect[0] + 3, origin[1] + rect[1] + 3
    right, bottom = origin[0] + rect[0] + rect[2] - 3, origin[1] + rect[1] + rect[3] - 3
    pixel = lambda x, y: rgb[(y * width + x) * 3:(y * width + x) * 3 + 3]
    background = pixel(left, top)
    columns = [tuple(pixel(x, y) != background for y in range(top, bottom)) for x in range(left, right)]
    cells, cell = [], []
    for column in columns + [()]:
        if any(column):
            cell.append(column)
        elif cell:
            cells.append(tuple(cell))
            cell = []
    return cells


def overlap(a, b):
    """Width and height two [x, y, w, h] rectangles share."""
    return (min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0]), min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1]))


def clip(rect, page):
    x, y = max(rect[0], page[0]), max(rect[1], page[1])
    return [x, y, min(rect[0] + rect[2], page[0] + page[2]) - x, min(rect[1] + rect[3], page[1] + page[3]) - y]


def inked(shot, area, controls):
    """Bounding box of the non-white pixels in area that no control covers."""
    width, _, rgb = shot
    left = top = right = bottom = None
    for y in range(area[1], area[1] + area[3]):
        skip = [c for c in controls if c[1] - 1 <= y <= c[1] + c[3]]
        row = y * width * 3
        for x in range(area[0], area[0] + area[2]):
            if rgb[row + 3 * x:row + 3 * x + 3] == b"\xff\xff\xff":
                continue
            if any(c[0] - 1 <= x <= c[0] + c[2] for c in skip):
                continue
            left = x if left is None else min(left, x)
            right = x if right is None else max(right, x)
            top = y if top is None else top
            bottom = y
    return None if left is None else [left, top, right - left + 1, bottom - top + 1]


def look_at_page(session, title, pictures, reference, placed):
    """Screenshot of the page; each picture's painted box against the one
    expected at the page's scale. Returns the page's rectangle."""
    session.point(1, 1)  # no tooltip over the pictures
    window = session.probe(SHEET)
    page = next(c for c in window["controls"] if c["class"] == "#32770" and c["visible"] and c["text"] == title)
    session.screenshot(title.lower())
    shot = read_png(os.path.join(session.shots, "%s-%s.png" % (session.name, title.lower())))
    ox, oy = session.origin
    box = [page["rect"][0] + ox, page["rect"][1] + oy, page["rect"][2], page["rect"][3]]
    controls = [[c["rect"][0] + ox, c["rect"][1] + oy, c["rect"][2], c["rect"][3], c] for c in window["controls"]
                if c["visible"] and c is not page and overlap(c["rect"], page["rect"]) == tuple(c["rect"][2:])]
    ref = reference.get(title)
    sx, sy = (box[2] / ref[2], box[3] / ref[3]) if ref else (1.0, 1.0)
    print("%s %s: page %dx%d, scale %.3f x %.3f" % (session.name, title, box[2], box[3], sx, sy))
    for index, (x, y, w, h) in enumerate(pictures):
        # Where the reference run found the picture: the page's offset is the code's.
        key = (title, index)
        px, py = placed.get(key, (x, y))
        want = clip([box[0] + round(px * sx), box[1] + round(py * sy), round(w * sx), round(h * sy)], box)
        mx, my = want[2] // 5 + 4, want[3] // 5 + 4
        got = inked(shot, clip([want[0] - mx, want[1] - my, want[2] + 2 * mx, want[3] + 2 * my], box), controls)
        expect(got, "%s %s: picture %d is not painted near %r" % (session.name, title, index, want))
        if key not in placed:
            placed[key] = (got[0] - box[0], got[1] - box[1])
            want = clip([got[0], got[1], w, h], box)
        print("  picture %d: painted %dx%d at %d,%d; expected %dx%d at %d,%d" %
              (index, got[2], got[3], got[0] - box[0], got[1] - box[1], want[2], want[3],
               want[0] - box[0], want[1] - box[1]))
        for axis, size in ((0, 2), (1, 3)):
            expect(abs(got[size] - want[size]) <= TOLERANCE * want[size] and
                   abs(got[axis] - want[axis]) <= TOLERANCE * want[size],
                   "%s %s: picture %d painted at %r, expected %r" % (session.name, title, index, got, want))
        for c in controls:
            across, down = overlap(c, got)
            expect(across <= 1 or down <= 1, "%s %s: control %d %r covers picture %d" %
                   (session.name, title, c[4]["id"], c[4]["text"], index))
    return box


def korean_texts(session):
    """The code page 949 tooltip (of the Option page's first box) and question, whole."""
    session.point(*centre(find(session.probe(SHEET), e2e.ID_NOTRADE, "Button")["rect"]))

    def shown():
        done = session.wine(session.args.tipprobe, loader=e2e.HELPER_WINE)
        tips = json.loads(done.stdout.decode("latin-1"))["tips"]
        return [t for t in tips if t["text"] == as_probed(KOREAN["notrade"])]
    tip = wait_for("the notrade box's tooltip", shown)[0]
    inside = overlap(tip["rect"], [0, 0, *e2e.SCREEN])
    expect(inside == tuple(tip["rect"][2:]) and tip["rect"][2] > 0, "the tooltip is cut: %r" % tip["rect"])
    shot = session.screenshot("tooltip")
    # A font without Hangul draws every syllable as the same box.
    cells = glyph_cells(shot, tip["rect"], session.origin)
    commonest = max(cells.count(c) for c in cells) if cells else 0
    expect(len(cells) >= 8 and commonest * 2 < len(cells),
           "the tooltip's Hangul is drawn as boxes (%d shapes, %d of them alike)" % (len(cells), commonest))
    session.click(find(session.probe(SHEET), e2e.ID_OK, "Button")["rect"])
    game = e2e.Game(session.game)
    expect(game.question == as_probed(KOREAN["ISOK"]), "the question was not read from the script")
    e2e.answer_question(session, e2e.ID_CANCEL, game)


def open_page(session, title):
    """Ctrl+Tab, as a player may switch pages: the tabs' rectangles come from
    the tool's memory, which winprobe cannot read where Wine runs emulated."""
    session.xdotool("key", "ctrl+Tab")
    wait_for('the "%s" page' % title, lambda: any(
        c["class"] == "#32770" and c["visible"] and c["text"] == title
        for c in session.probe(SHEET)["controls"]))


def captions_whole(session, pages):
    """The window tests' check that every caption is whole and no control
    covers another, in this prefix."""
    done = session.wine(session.args.ui_tests, "--gtest_filter=" + ":".join(
        "BothPages/SkinTest.EveryCaptionIsWhole/" + page for page in pages), check=False)
    out = done.stdout.decode(errors="replace")
    expect(done.returncode == 0 and re.search(r"\[  PASSED  \] %d tests?\." % len(pages), out),
           "%s: a caption is cut:\n%s" % (session.name, out))


def one_run(args, name, dpi, locale, decorations, reference, placed):
    session = e2e.Session(args, "dpi-" + name)
    try:
        set_log_pixels(session.prefix, dpi)
        if locale:
            session.env.update(LANG=locale, LC_ALL=locale)
            korean_messages(session.game)
        session.start_tool()
        pages = {}
        for title in PAGES:
            if title != PAGES[0]:
                open_page(session, title)
            pages[title] = look_at_page(session, title, decorations[title.lower()], reference, placed)
        if locale:
            korean_texts(session)
        else:
            session.click(find(session.probe(SHEET), e2e.ID_CANCEL, "Button")["rect"])
        e2e.finish(session)
        # Away from the reference scale the System page's template rectangles
        # that share a dialog unit (the volume sliders and their "min") share
        # more than the pixel that check allows.
        at_reference = not reference or pages["System"][2:] == reference["System"][2:]
        captions_whole(session, PAGES if at_reference else PAGES[1:])
    except (Failure, subprocess.TimeoutExpired):
        try:
            session.screenshot("failure")
        except (Failure, subprocess.TimeoutExpired):
            pass
        print("work folder kept: " + session.work, file=sys.stderr)
        raise
    finally:
        session.close()
    shutil.rmtree(session.work, ignore_errors=True)
    return pages


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    for option in ("exe", "winprobe", "tipprobe", "ui-tests", "decorations", "base-prefix", "game", "work",
                   "artifacts"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()
    with open(args.decorations) as f:
        decorations = json.load(f)
    reference, placed = {}, {}
    try:
        for name, dpi, locale in RUNS:
            pages = one_run(args, name, dpi, locale, decorations, reference, placed)
            reference = reference or pages
    except (Failure, subprocess.TimeoutExpired) as failure:
        print("FAILED dpi: %s" % failure, file=sys.stderr)
        return 1
    print("passed dpi")
    return 0


if __name__ == "__main__":
    sys.exit(main())
