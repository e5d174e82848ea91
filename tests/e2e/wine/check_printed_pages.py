"""Checks the pages that a print job of the guide produced, as PostScript from a CUPS queue.

usage: check_printed_pages.py PS_FILE GUIDE_FILE

Each page is turned into text (Ghostscript's txtwrite) and into a grey image at 72 dpi. The
guide's paragraphs (its lines, tabs expanded) must be printed in order and whole, each row of a
paragraph but its last reaching near the page's printable width (a paragraph is broken only
where the next word would pass it), the ink inside the paper with its margins, the first row
one line below the top, and every page but the last holding the same number of rows.
Prints one line of figures; exits 1 with the reason on the first failed check.
"""
import re
import subprocess
import sys


def fail(reason):
    print("FAIL: " + reason)
    sys.exit(1)


def ghostscript(device, ps_file, page):
    return subprocess.run(
        ["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-r72", "-sDEVICE=" + device,
         "-dFirstPage=%d" % page, "-dLastPage=%d" % page, "-sOutputFile=-", ps_file],
        check=True, capture_output=True).stdout


def image_of(ps_file, page):
    """(width, height, rows of pixel values) of the page, grey, 72 dpi."""
    data = ghostscript("pgmraw", ps_file, page)
    fields = re.match(rb"P5\s+(?:#[^\n]*\n\s*)*(\d+)\s+(\d+)\s+(\d+)\s", data)
    width, height = int(fields.group(1)), int(fields.group(2))
    pixels = data[fields.end():]
    return width, height, [pixels[y * width:(y + 1) * width] for y in range(height)]


def bands_of(width, rows):
    """The text rows of an image: (top, bottom, left, right) of each run of inked pixel rows,
    gaps of up to 3 pixel rows (the dot of an i) within a run."""
    bands = []
    for y, row in enumerate(rows):
        inked = [x for x in range(width) if row[x] < 128]
        if not inked:
            continue
        if bands and y - bands[-1][1] <= 4:
            top, _, left, right = bands[-1]
            bands[-1] = (top, y, min(left, inked[0]), max(right, inked[-1]))
        else:
            bands.append((y, y, inked[0], inked[-1]))
    return bands


def main():
    ps_file, guide_file = sys.argv[1], sys.argv[2]
    with open(guide_file, "rb") as guide:
        text = guide.read().decode("latin-1").expandtabs(8)
    paragraphs = [" ".join(p.split()) for p in re.split(r"\r\n|\n|\r", text)]
    with open(ps_file, "rb") as ps:
        pages = len(re.findall(rb"^%%Page:", ps.read(), re.M))
    if pages == 0:
        fail("no page was printed")

    rows = []  # (page, text, band) of every printed row that has ink
    per_page = []
    for page in range(1, pages + 1):
        printed = [" ".join(line.split()) for line in
                   ghostscript("txtwrite", ps_file, page).decode("utf-8", "replace").splitlines()]
        printed = [line for line in printed if line]
        width, height, image = image_of(ps_file, page)
        bands = bands_of(width, image)
        if len(bands) != len(printed):
            fail("page %d: %d rows of text but %d rows of ink" % (page, len(printed), len(bands)))
        for line, band in zip(printed, bands):
            if band[2] < 1 or band[3] > width - 2 or band[0] < 1 or band[1] > height - 2:
                fail("page %d: the row \"%s\" touches the paper's edge" % (page, line))
            if any(ord(c) < 32 or ord(c) > 126 for c in line):
                fail("page %d: the row \"%s\" has a character that is no text" % (page, line))
            rows.append((page, line, band))
        per_page.append(len(printed))
        pitch = bands[1][0] - bands[0][0] if len(bands) > 1 else bands[0][1] - bands[0][0]
        if bands and bands[0][0] < pitch // 2:
            fail("page %d: the first row is not one line below the top" % page)

    # Every paragraph whole, in order: its rows, joined, are the paragraph.
    right_edge = max(band[3] for _, _, band in rows)
    at = 0
    for paragraph in paragraphs:
        if not paragraph:
            continue
        joined = ""
        first = at
        while at < len(rows) and len(joined) < len(paragraph):
            joined = (joined + " " + rows[at][1]).strip() if joined else rows[at][1]
            joined = joined.replace(" ", "") if paragraph.count(" ") == 0 else joined
            at += 1
        if joined != paragraph:
            fail("the paragraph \"%s...\" printed as \"%s...\"" % (paragraph[:40], joined[:60]))
        for page, line, band in rows[first:at - 1]:
            if band[3] < right_edge * 3 // 4:
                fail("page %d: the row \"%s\" ends at %d of %d: broken before the page's width"
                     % (page, line, band[3], right_edge))
    if at != len(rows):
        fail("%d rows after the guide's end" % (len(rows) - at))
    if any(count != per_page[0] for count in per_page[:-1]) or per_page[-1] > per_page[0]:
        fail("the pages hold %s rows" % per_page)
    print("%d pages of %s rows, %d rows, widest row ends at %d" %
          (pages, per_page, len(rows), right_edge))


main()
