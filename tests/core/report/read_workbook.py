#!/usr/bin/env python3
# Prints what a spreadsheet reader finds in a workbook, one fact a line, for the export tests.
import sys
import zipfile

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
sheet = book.active
print("sheet", sheet.title)
# Bits 1-2 of a deflated member's flags name the compressor's effort: 0 normal, 1 maximum, 2 fast,
# 3 fastest.
with zipfile.ZipFile(sys.argv[1]) as package:
    member = package.getinfo("xl/worksheets/sheet1.xml")
    efforts = ["normal", "maximum", "fast", "fastest"]
    deflated = member.compress_type == zipfile.ZIP_DEFLATED
    print("packed", efforts[(member.flag_bits >> 1) & 3] if deflated else "stored")
print("freeze", sheet.freeze_panes)
# The active cell is the one of the active pane (A1 when the file names none).
view = sheet.sheet_view
pane = view.pane.activePane if view.pane is not None else None
active = [s.activeCell for s in view.selection if s.pane == pane]
print("active", active[0] if active and active[0] else "A1")
for key, dim in sorted(sheet.column_dimensions.items()):
    if dim.width:
        print("columns", dim.min, dim.max, "width", int(dim.width))
for row in sheet.iter_rows():
    for cell in row:
        if cell.value is None:
            continue
        value = cell.value
        if hasattr(value, "isoformat"):
            kind, value = "date", value.isoformat()
        elif isinstance(value, (int, float)):
            kind, value = "number", repr(float(value))
        else:
            kind = "text"
        style = "".join(["b" if cell.font.b else "", "i" if cell.font.i else ""])
        print(cell.coordinate, kind, value, "|", cell.number_format, cell.alignment.horizontal, style)
