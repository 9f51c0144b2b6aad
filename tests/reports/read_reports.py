#!/usr/bin/env python3
"""Reads a report file with independent readers and compares it with what
the test expects.

    read_reports.py xls|xlsx|docx REPORT EXPECTED.json

The expectation is JSON. A workbook: {"sheet": name, "cells": [[row, column,
value], ...] (a value is a string or a number), "picture": null or {"row",
"column", "width", "height"}}. A document: {"paragraphs": [...], "rows":
[[...], ...], "bookmark": {"name", "paragraph"}, "marginPoints": points,
"picture": null or {"width", "height"}}.

Exit status: 0 when the file reads back as expected, 1 with one line per
difference on standard output, 3 when a reader is not installed.
"""

import io
import json
import struct
import sys

MISSING_READER = 3


class Checker:
    def __init__(self):
        self.faults = []

    def equal(self, what, found, expected):
        if found != expected:
            self.faults.append(f"{what}: found {found!r}, expected {expected!r}")

    def true(self, what, condition):
        if not condition:
            self.faults.append(what)


def expected_cells(expected):
    return {(row, column): value for row, column, value in expected["cells"]}


def compare_cells(check, found, expected, digits=None):
    """Texts must match exactly; numbers too, or to `digits` significant
    digits where the file format keeps no more."""
    for key in sorted(set(found) | set(expected)):
        got, want = found.get(key), expected.get(key)
        if digits and isinstance(got, float) and isinstance(want, float):
            if got == want or abs(got - want) <= abs(want) * 10.0 ** (1 - digits):
                continue
        check.equal(f"cell {key}", got, want)


# --- binary workbook -------------------------------------------------------

BOF, EOF, CONTINUE = 0x0809, 0x000A, 0x003C
MSODRAWINGGROUP, MSODRAWING, OBJ = 0x00EB, 0x00EC, 0x005D
BSE, BLIP_DIB, CLIENT_ANCHOR = 0xF007, 0xF01F, 0xF010


def biff_records(stream):
    offset = 0
    while offset + 4 <= len(stream):
        kind, length = struct.unpack_from("<HH", stream, offset)
        yield kind, stream[offset + 4 : offset + 4 + length]
        offset += 4 + length


def office_art(data):
    """Every drawing record in data, containers opened, as (type, instance,
    payload)."""
    offset = 0
    while offset + 8 <= len(data):
        ver_inst, kind, length = struct.unpack_from("<HHI", data, offset)
        payload = data[offset + 8 : offset + 8 + length]
        yield kind, ver_inst >> 4, payload
        if ver_inst & 0xF == 0xF:
            yield from office_art(payload)
        elif kind == BSE:
            # A blip store entry holds its picture after a 36-byte header.
            yield from office_art(payload[36:])
        offset += 8 + length


def read_xls_drawings(path):
    """The drawing group and the sheet's drawing of the workbook stream, read
    through xlrd's compound file reader, and the object types of the sheet."""
    import xlrd.compdoc

    with open(path, "rb") as f:
        stream = xlrd.compdoc.CompDoc(f.read()).get_named_stream("Workbook")
    group, drawing, objects = b"", b"", []
    substream, previous = -1, None
    for kind, payload in biff_records(stream):
        if kind == BOF:
            substream += 1
        elif kind == MSODRAWINGGROUP or (kind == CONTINUE and previous == MSODRAWINGGROUP):
            group += payload
            kind = MSODRAWINGGROUP
        elif kind == MSODRAWING and substream == 1:
            drawing += payload
        elif kind == OBJ and substream == 1 and len(payload) >= 6:
            # The first sub-record (common object data) holds the type.
            objects.append(struct.unpack_from("<H", payload, 4)[0])
        previous = kind
    return group, drawing, objects


def check_compound_file(check, path):
    """The container on its own, read by a strict reader that refuses even
    potential defects (sector chains, directory, mini stream)."""
    import olefile

    try:
        with olefile.OleFileIO(path, raise_defects=olefile.DEFECT_POTENTIAL) as ole:
            check.equal("streams", ole.listdir(streams=True, storages=True), [["Workbook"]])
            # Following the stream's sector chain checks it against its size.
            stream = ole.openstream("Workbook").read()
            check.equal("workbook stream size", len(stream), ole.get_size("Workbook"))
    except OSError as error:
        check.faults.append(f"olefile: {error}")


def check_xls(check, path, expected):
    try:
        import olefile  # noqa: F401
        import xlrd
    except ImportError:
        sys.exit(MISSING_READER)
    check_compound_file(check, path)
    # Formatting records are read too, and whatever the reader complains
    # about in its log counts as a fault.
    log = io.StringIO()
    book = xlrd.open_workbook(path, formatting_info=True, logfile=log)
    for line in log.getvalue().splitlines():
        if "WARNING" in line.upper():
            check.faults.append(f"xlrd: {line.strip()}")
    check.equal("sheet names", book.sheet_names(), [expected["sheet"]])
    sheet = book.sheet_by_index(0)
    found = {}
    for row in range(sheet.nrows):
        for column in range(sheet.ncols):
            cell = sheet.cell(row, column)
            if cell.ctype == xlrd.XL_CELL_TEXT:
                found[(row, column)] = cell.value
            elif cell.ctype == xlrd.XL_CELL_NUMBER:
                found[(row, column)] = float(cell.value)
            elif cell.ctype != xlrd.XL_CELL_EMPTY:
                check.faults.append(f"cell {(row, column)} of type {cell.ctype}")
    compare_cells(check, found, expected_cells(expected))

    group, drawing, objects = read_xls_drawings(path)
    picture = expected["picture"]
    if picture is None:
        check.equal("drawing records", (len(group), len(drawing)), (0, 0))
        return
    check.equal("object types (8: picture)", objects, [8])
    # The bitmap blip: 16 bytes of id, a tag byte, then the DIB's info header.
    entries = [p for kind, _, p in office_art(group) if kind == BSE]
    check.equal("picture kinds in the blip store (7: bitmap)", [e[0] for e in entries], [7])
    blips = [p for kind, _, p in office_art(group) if kind == BLIP_DIB]
    check.equal("bitmap pictures in the drawing group", len(blips), 1)
    if blips:
        width, height = struct.unpack_from("<ii", blips[0], 17 + 4)
        check.equal("picture size", (width, abs(height)), (picture["width"], picture["height"]))
    anchors = [p for kind, _, p in office_art(drawing) if kind == CLIENT_ANCHOR]
    check.equal("picture anchors", len(anchors), 1)
    if anchors:
        column, _, row = struct.unpack_from("<HHH", anchors[0], 2)
        check.equal("anchor (row, column)", (row, column), (picture["row"], picture["column"]))


# --- Office Open XML workbook ------------------------------------------------


def check_xlsx(check, path, expected):
    try:
        import openpyxl
        import PIL  # noqa: F401 (openpyxl reads pictures only through it)
    except ImportError:
        sys.exit(MISSING_READER)
    book = openpyxl.load_workbook(path)
    check.equal("sheet names", book.sheetnames, [expected["sheet"]])
    sheet = book.worksheets[0]
    found = {}
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is None:
                continue
            value = cell.value
            if isinstance(value, (int, float)) and not isinstance(value, bool):
                value = float(value)
            elif not isinstance(value, str):
                check.faults.append(f"cell {(cell.row - 1, cell.column - 1)} holds {value!r}")
            found[(cell.row - 1, cell.column - 1)] = value
    # The workbook's XML holds numbers with 16 significant digits.
    compare_cells(check, found, expected_cells(expected), digits=16)

    picture = expected["picture"]
    images = sheet._images
    check.equal("pictures", len(images), 0 if picture is None else 1)
    if picture is not None and images:
        image = images[0]
        start = image.anchor._from
        check.equal("anchor (row, column)", (start.row, start.col), (picture["row"], picture["column"]))
        check.equal("picture size", (image.width, image.height), (picture["width"], picture["height"]))


# --- Office Open XML document ----------------------------------------------


def check_docx(check, path, expected):
    try:
        import docx
        from docx.oxml.ns import qn
    except ImportError:
        sys.exit(MISSING_READER)
    document = docx.Document(path)
    texts = [p.text for p in document.paragraphs if p.text]
    check.equal("paragraphs", texts, expected["paragraphs"])

    section = document.sections[0]
    for side in ("top_margin", "bottom_margin", "left_margin", "right_margin"):
        check.equal(side, getattr(section, side).pt, expected["marginPoints"])

    check.equal("tables", len(document.tables), 1)
    if document.tables:
        table = document.tables[0]
        rows = expected["rows"]
        check.equal("table size", (len(table.rows), len(table.columns)), (len(rows), 5))
        # Row by row through the XML: the reader's own row.cells walks the
        # whole table each time.
        found = [
            [docx.table._Cell(tc, table).text for tc in tr.tc_lst] for tr in table._tbl.tr_lst
        ]
        for number, (got, want) in enumerate(zip(found, rows)):
            check.equal(f"table row {number}", got, want)

    bookmark = expected["bookmark"]
    marks = [
        (start.get(qn("w:name")), start.getparent())
        for start in document.element.body.iter(qn("w:bookmarkStart"))
    ]
    check.equal("bookmarks", [name for name, _ in marks], [bookmark["name"]])
    if marks:
        paragraph = docx.text.paragraph.Paragraph(marks[0][1], document)
        check.equal("bookmarked paragraph", paragraph.text, bookmark["paragraph"])

    picture = expected["picture"]
    shapes = document.inline_shapes
    check.equal("inline pictures", len(shapes), 0 if picture is None else 1)
    if picture is not None and len(shapes) == 1:
        blip = shapes[0]._inline.graphic.graphicData.pic.blipFill.blip
        image = document.part.related_parts[blip.embed].image
        check.equal("picture size", (image.px_width, image.px_height), (picture["width"], picture["height"]))
        # The picture comes after the table, at the end of the document.
        body = list(document.element.body)
        table_at = next(i for i, e in enumerate(body) if e.tag == qn("w:tbl"))
        picture_at = next(i for i, e in enumerate(body) if list(e.iter(qn("wp:inline"))))
        check.true("the picture follows the table", picture_at > table_at)


def main():
    if len(sys.argv) != 4:
        print(__doc__.strip().splitlines()[2].strip())
        return 2
    kind, path, expected_path = sys.argv[1:]
    with open(expected_path, encoding="utf-8") as f:
        expected = json.load(f)
    check = Checker()
    {"xls": check_xls, "xlsx": check_xlsx, "docx": check_docx}[kind](check, path, expected)
    for fault in check.faults:
        print(fault)
    return 1 if check.faults else 0


if __name__ == "__main__":
    sys.exit(main())
