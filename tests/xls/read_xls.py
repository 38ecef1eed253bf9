#!/usr/bin/python3
"""Reads a workbook file with olefile and xlrd and prints what they found as JSON.

Usage: read_xls.py FILE [STREAM_COPY]
The compound file is opened strictly: any defect olefile can detect is reported. STREAM_COPY, when
given, receives the bytes of the "Workbook" stream. Whatever xlrd logs while reading is reported
too, so that a caller can require a clean read.
"""
import io
import json
import sys

import olefile
import xlrd


def read_container(path, copy_to):
    result = {"defect": None, "streams": []}
    try:
        ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_UNSURE)
    except Exception as e:  # any defect at all
        result["defect"] = "%s: %s" % (type(e).__name__, e)
        return result
    result["streams"] = ["/".join(p) for p in ole.listdir(streams=True, storages=True)]
    result["issues"] = [str(i) for i in ole.parsing_issues]
    if ole.exists("Workbook"):
        data = ole.openstream("Workbook").read()
        result["workbook_size"] = len(data)
        if copy_to:
            with open(copy_to, "wb") as f:
                f.write(data)
    ole.close()
    return result


def border(xf):
    b = xf.border
    return {
        "left": [b.left_line_style, b.left_colour_index],
        "right": [b.right_line_style, b.right_colour_index],
        "top": [b.top_line_style, b.top_colour_index],
        "bottom": [b.bottom_line_style, b.bottom_colour_index],
        "diag": [b.diag_line_style, b.diag_colour_index, b.diag_down, b.diag_up],
    }


def read_book(path):
    log = io.StringIO()
    book = xlrd.open_workbook(path, formatting_info=True, logfile=log, verbosity=0,
                              ragged_rows=True)
    out = {
        "user_name": book.user_name,
        "codepage": book.codepage,
        "fonts": [{"name": f.name, "height": f.height, "weight": f.weight, "italic": f.italic,
                   "underline": f.underline_type, "struck_out": f.struck_out,
                   "colour_index": f.colour_index, "family": f.family,
                   "character_set": f.character_set} for f in book.font_list],
        "formats": {str(k): v.format_str for k, v in book.format_map.items()},
        "xfs": [{"font": xf.font_index, "format": xf.format_key, "is_style": xf.is_style,
                 "parent": xf.parent_style_index,
                 "halign": xf.alignment.hor_align, "valign": xf.alignment.vert_align,
                 "wrap": xf.alignment.text_wrapped, "rotation": xf.alignment.rotation,
                 "border": border(xf),
                 "pattern": xf.background.fill_pattern,
                 "fore": xf.background.pattern_colour_index,
                 "back": xf.background.background_colour_index} for xf in book.xf_list],
        "styles": {name: list(v) for name, v in book.style_name_map.items()},
        "colours": {str(k): list(v) if v else None for k, v in book.colour_map.items()},
        "sheets": [],
    }
    for sh in book.sheets():
        cells = []
        for r in range(sh.nrows):
            for c, cell in enumerate(sh.row(r)):
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                cells.append([r, c, cell.ctype, cell.value, cell.xf_index])
        out["sheets"].append({
            "name": sh.name,
            "nrows": sh.nrows,
            "ncols": sh.ncols,
            "cells": cells,
            "merged": [list(m) for m in sh.merged_cells],
            "widths": {str(c): ci.width for c, ci in sh.colinfo_map.items()},
            "selected": bool(sh.sheet_selected),
        })
    out["log"] = log.getvalue()
    return out


def main():
    path = sys.argv[1]
    copy_to = sys.argv[2] if len(sys.argv) > 2 else None
    result = {"container": read_container(path, copy_to)}
    try:
        result["book"] = read_book(path)
    except Exception as e:
        result["book_error"] = "%s: %s" % (type(e).__name__, e)
    json.dump(result, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
