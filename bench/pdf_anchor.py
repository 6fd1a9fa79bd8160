#!/usr/bin/python3
"""The PDF benchmark's yardstick: ReportLab drawing the same handout pages from their finished
lines and QR codes. Reads the pages file the benchmark writes, makes the PDF and prints the
milliseconds taken by the drawing and the saving (not the reading of the pages file).

Pages file, a line each:
  P                      a new page
  B text / T text        a bold (Helvetica-Bold 16) or normal (Helvetica 12) line
  C style text           a table cell: style 1 bold, anything else normal
  F text                 the small footer line (Helvetica 10) at the bottom left
  S                      the separator rule
  Q width hex            a QR code of width x width modules, one hex digit a module (0 light)

Needs Debian's python3-reportlab (and python3-pil, which it brings).
"""
import sys
import time

from PIL import Image
from reportlab.lib.pagesizes import A4
from reportlab.lib.utils import ImageReader
from reportlab.pdfgen import canvas

MARGIN = 40
SPACING = 1.5


def read_pages(path):
    pages = []
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            line = line.rstrip("\n")
            kind, _, rest = line.partition(" ")
            if kind == "P":
                pages.append([])
            elif kind == "Q":
                width, _, modules = rest.partition(" ")
                pixels = bytes(0 if m != "0" else 255 for m in modules)
                pages[-1].append(("Q", Image.frombytes("L", (int(width), int(width)), pixels)))
            else:
                pages[-1].append((kind, rest))
    return pages


def draw(pages, out):
    width, height = A4
    # Lines stay clear of the QR code at the bottom right; a sheet goes on over further pages.
    bottom = MARGIN + (width - 2 * MARGIN) * 0.125 + 4
    pdf = canvas.Canvas(out, pagesize=A4)
    fonts = {"T": ("Helvetica", 12), "B": ("Helvetica-Bold", 16), "F": ("Helvetica", 10)}

    def line(font, text, y):
        name, size = fonts[font]
        y -= size * SPACING
        if y < bottom:
            pdf.showPage()
            y = height - MARGIN - size * SPACING
        pdf.setFont(name, size)
        pdf.drawString(MARGIN, y, text)
        return y

    for page in pages:
        y = height - MARGIN
        for kind, item in page:
            if kind in ("T", "B"):
                y = line(kind, item, y)
            elif kind == "C":
                style, _, text = item.partition(" ")
                y = line("B" if style == "1" else "T", text, y)
            elif kind == "F":
                pdf.setFont(*fonts["F"])
                pdf.drawString(MARGIN, MARGIN, item)
            elif kind == "S":
                y -= 16 * SPACING
                pdf.line(MARGIN, y + 12, width - MARGIN, y + 12)
            elif kind == "Q":
                side = (width - 2 * MARGIN) * 0.125
                pdf.drawImage(ImageReader(item), width - MARGIN - side, MARGIN, side, side)
        pdf.showPage()
    pdf.save()


def main():
    pages = read_pages(sys.argv[1])
    begin = time.perf_counter()
    draw(pages, sys.argv[2])
    print("%.1f" % ((time.perf_counter() - begin) * 1000.0))


if __name__ == "__main__":
    main()
