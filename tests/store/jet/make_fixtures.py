#!/usr/bin/env python3
"""Generate the JSON sources of the fixture databases and build them with
make_jet.py.  Everything is deterministic: running it again gives the same
JSON and byte-identical .mdb files.

    make_fixtures.py [OUTDIR [NAME...]]   (default: fixtures/ beside this script;
                                          NAME limits it to those fixtures)
"""

import json
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ITEM_COLS = [["Category", "text"], ["ItemName", "text"], ["Code", "memo"],
             ["Declares", "memo"], ["Notes", "memo"]]


def big_code(target_bytes, crlf=True, seed=1):
    """Source-like text of about target_bytes characters, CRLF line ends."""
    rnd = random.Random(seed)
    words = ['Dim', 'As', 'String', 'Long', 'If', 'Then', 'End', 'For', 'Next',
             'i', 'j', 'result', 'Call', 'Sub', 'Function', '=', '+', '&', '"x"']
    nl = '\r\n' if crlf else '\n'
    lines = []
    size = 0
    n = 0
    while size < target_bytes:
        n += 1
        indent = '\t' * (n % 3)
        line = '%s%s \' line %d' % (indent, ' '.join(rnd.choice(words) for _ in range(8)), n)
        lines.append(line)
        size += len(line) + len(nl)
    text = nl.join(lines) + nl
    return text[:target_bytes]


def snibbet(jet4):
    """The main fixture: Category, Items, TempCat, TempItems."""
    if jet4:
        intl_cat = 'Ärger & Größe'
        intl_names = ['Größe berechnen', 'Ärger vermeiden', '日本語の文字列',
                      'Mixed: naïve café 東京 + Ω']
        intl_code = ('\' Größe, Ärger, Übel, ß\r\n'
                     'Dim s As String: s = "日本語 / Ελληνικά / русский"\r\n'
                     '\' U+4E00 一 and U+0100 Ā have a 0x00 low byte\r\n')
    else:
        intl_cat = 'Ärger & Größe'
        intl_names = ['Größe berechnen', 'Ärger vermeiden', 'Price in €uro – “quoted”',
                      'Mixed: naïve café ½ ‰ Œuvre']
        intl_code = ('\' Größe, Ärger, Übel, ß\r\n'
                     'Dim s As String: s = "€ ‚ „ … † ‡ ˆ ‰ Š ‹ Œ Ž ‘ ’ “ ” • – — ˜ ™ š › œ ž Ÿ"\r\n')
    categories = [["Strings"], [None], ["Math"], ["Files & I/O"], ["Dates"], [intl_cat], [""]]
    code100k = big_code(100 * 1024, crlf=True, seed=7)
    assert '\r\n' in code100k and len(code100k) == 100 * 1024
    items = [
        ["Strings", "Trim", "Function Trim(s)\r\n  Trim = LTrim(RTrim(s))\r\nEnd Function\r\n",
         "Declare Function GetTickCount Lib \"kernel32\" () As Long", "simple one"],
        ["Strings", "TRIM", "' upper-case twin of Trim", None, "differs only in case"],
        ["Strings", "trim", "' lower-case twin of Trim", "", ""],
        ["Strings", "It's mine", "MsgBox \"It's \"\"quoted\"\"\"", None, "apostrophe in name"],
        ["Strings", "Say \"Hello\"", "Debug.Print \"Hello\"", None, "double quotes in name"],
        ["Strings", "O'Brien's \"best\" trick", "x = 'a' & \"b\"", None, "both quote kinds"],
        ["Strings", None, "' this item has a NULL ItemName", None, "null name"],
        ["", "Item without category", "' empty-string Category", None, "empty category"],
        ["Orphans", "Orphan item", "' its category has no row in Category", None,
         "category missing from Category table"],
        ["Math", "Big code", code100k, "' 100 KB Code with CRLF line ends", "large memo"],
        ["Math", "Tabs\tin\tname", "If a Then\r\n\tb = 1\r\n\t\tc = 2\r\nEnd If\r\n",
         "\tindented\tdeclare", "tabs everywhere\t"],
        ["Math", "Square root", "Sqr(2)", None, None],
        ["Math", "Factorial", "\r\n".join("' line %d of a medium memo" % i for i in range(120)),
         None, "about 3 KB: one LVAL page"],
        ["Files & I/O", "Read file", "Open f For Input As #1\nLine Input #1, s\nClose #1\n",
         None, "LF only line ends"],
        ["Files & I/O", "Old Mac line ends", "a = 1\rb = 2\r", None, "CR only line ends"],
        ["Files & I/O", "Path with backslashes", "p = \"C:\\Temp\\new\\file.txt\"", None,
         "backslashes \\n are not escapes"],
        ["Files & I/O", "Comma, semicolon; pipe|", "a,b;c|d", "x,y", "CSV-hostile"],
        ["Dates", "Now()", "d = Now()", None, "NULL"],
        ["Dates", "  leading and trailing spaces  ", "  x  ", "   ", "  "],
        ["Dates", "Empty memos", "", "", ""],
        ["Dates", "Null memos", None, None, None],
        [intl_cat, intl_names[0], intl_code, None, "non-ASCII"],
        [intl_cat, intl_names[1], "' Ärger", "Declare Sub Übel()", "Umlaute: äöü ÄÖÜ ß"],
        [intl_cat, intl_names[2], intl_code * 30, None, intl_names[3]],
        [intl_cat, intl_names[3], "' mixed", None, None],
        ["Strings", "X" * 255, "' ItemName of exactly 255 characters", None, "max text length"],
        ["Strings", "Memo of 64 bytes", "A" * 64, "B" * 65, "inline limit is 64 bytes"],
        ["Strings", "Multi-line notes", "x", None, "line 1\r\nline 2\r\n\r\nline 4"],
        ["Math", "Pi", "Const PI = 3.14159", "Const E = 2.71828", "constants"],
        ["Math", "Last item", "' the last row", None, "end"],
    ]
    temp_items = [
        ["Strings", "Temp one", "' temp", None, "temporary"],
        [None, None, None, None, None],
        ["Math", "Temp three", "x = 3", "", ""],
    ]
    return {"tables": [
        {"name": "Category", "columns": [["Category", "text"]], "rows": categories},
        {"name": "Items", "columns": ITEM_COLS, "rows": items},
        {"name": "TempCat", "columns": [["Category", "text"]], "rows": []},
        {"name": "TempItems", "columns": ITEM_COLS, "rows": temp_items},
    ]}


def big():
    """10,000 items of about 2 KB of text each, in 20 categories.  Code is
    900..1024 characters (Jet4 stores it compressed, about 1 KB, on shared
    LVAL pages); Declares and Notes make up the rest, some inline, some NULL
    or empty."""
    rnd = random.Random(42)
    cats = ["Category %02d" % i for i in range(20)]
    items = []
    for i in range(10000):
        code = big_code(rnd.randint(900, 1024), crlf=True, seed=i)
        declares = None if i % 7 == 0 else big_code(rnd.randint(300, 700), seed=i + 1)
        notes = "" if i % 11 == 0 else ("note %d" % i if i % 3 else
                                        big_code(rnd.randint(200, 400), seed=i + 2))
        items.append([cats[i % 20], "Item %05d" % i, code, declares, notes])
    return {"tables": [
        {"name": "Category", "columns": [["Category", "text"]], "rows": [[c] for c in cats]},
        {"name": "Items", "columns": ITEM_COLS, "rows": items},
        {"name": "TempCat", "columns": [["Category", "text"]], "rows": []},
        {"name": "TempItems", "columns": ITEM_COLS, "rows": []},
    ]}


def edge(jet4):
    """Boundary cases: memo sizes around every storage threshold, jet3 rows
    longer than 256 bytes (jump table), pages with the 255-row cap."""
    lval = 4076 if jet4 else 2032
    # sizes are in characters; ASCII, so stored bytes = chars (jet3) or
    # 2*chars when longer than 1024 characters (jet4, not compressed) and
    # chars + 2 when compressed (jet4, up to 1024 characters)
    sizes = [0, 1, 2, 3, 62, 63, 64, 65, 1023, 1024, 1025, lval // 2, lval // 2 + 1,
             lval - 1, lval, lval + 1, 2 * lval, 2 * lval + 1, 100000, 199999, 200000,
             250000, 1024 * 1024]
    memos = []
    for n in sorted(set(sizes)):
        body = big_code(n, crlf=True, seed=n) if n else ""
        memos.append(["%d chars" % n, body])
    memos.append(["null", None])
    wide_cols = [["C%d" % i, "text"] for i in range(7)]
    rnd = random.Random(3)
    wide = []
    for r in range(40):
        row = []
        for c in range(7):
            k = rnd.choice([0, 0, 1, 50, 200, 255, None])
            row.append(None if k is None else ("%d-%d-" % (r, c) * 100)[:k])
        wide.append(row)
    wide.append(["x" * 255] * 7)
    wide.append([None] * 7)
    tiny = [[None if i % 5 == 0 else ("" if i % 5 == 1 else str(i % 10))] for i in range(700)]
    mixed = []
    if jet4:
        for s in ["一二三", "Ā", "aĀb", "日本", "ab日本cd", "abc日本語def", "Größe",
                  "x" * 10 + "日" + "y" * 10, "日" * 255,
                  "é" * 255, "\u00ff\u0101\u00ff"]:
            mixed.append([s, s * 3])
    else:
        for s in ["Größe", "€‰Ÿ", "é" * 255, "ÿþ", "\u00ff\u00fe" + "x" * 10]:
            mixed.append([s, s * 3])
    return {"tables": [
        {"name": "Memos", "columns": [["Label", "text"], ["Body", "memo"]], "rows": memos},
        {"name": "Wide", "columns": wide_cols, "rows": wide},
        {"name": "Tiny", "columns": [["V", "text", 1]], "rows": tiny},
        {"name": "Mixed", "columns": [["T", "text"], ["M", "memo"]], "rows": mixed},
    ]}


def moved(jet4):
    """A library edited over the years: rows that grew and were moved to
    another page once, twice or three times (their earlier versions left
    behind), several of them on one page, a page that holds both moved data
    and the pointers of moved rows, and deleted rows, one of them moved
    before it was deleted.  "rows" is what a reader must give: every row in
    its current form, in table order."""
    rnd = random.Random(11)
    word = 'Größe' if jet4 else 'Größe €'
    cats = ['Moved %02d' % i for i in range(12)]
    cats[5] = '%s %s' % (word, cats[5])
    items = []
    for i in range(150):
        code = big_code(rnd.randint(20, 60), seed=100 + i)
        items.append([cats[i % 12], 'Item %03d' % i, code,
                      None if i % 5 == 0 else 'Declare %d' % i, 'notes %d' % i])

    def older(i, n):
        return [items[i][0], 'Old name %d of item %03d' % (n, i), 'old code %d' % n, None,
                'old notes %d' % n]

    moves = [
        {"row": 3, "at": 149},                                  # once, after the last row
        {"row": 7, "at": 1, "superseded": [older(7, 1)]},       # twice, before its own slot
        {"row": 60, "at": 100}, {"row": 61, "at": 100},         # several on one page ...
        {"row": 62, "at": 100, "superseded": [older(62, 1)]},
        {"row": 101, "at": 100},                                # ... beside a pointer
        {"row": 149, "at": -1, "superseded": [older(149, 1), older(149, 2)]},  # three times
    ]
    for m in moves:
        # A row is moved because it grew: the moved rows hold long texts.
        i = m["row"]
        items[i][2] = big_code(300 + 40 * i, crlf=True, seed=i) + word
        items[i][4] = 'grew and was moved (%s)' % word
    deleted = [
        {"before": 10, "values": ["Moved 01", "Deleted item", "' gone", None, "deleted"]},
        {"before": 50, "values": ["Moved 02", "Deleted after a move", "' gone too", None, ""],
         "moved_at": 120},
        {"before": 150, "values": ["Moved 03", "Deleted last", "", "", ""]},
    ]
    categories = [[c] for c in cats]
    return {"tables": [
        {"name": "Category", "columns": [["Category", "text"]], "rows": categories,
         "moves": [{"row": 2, "at": 11, "superseded": [["Old category name"]]}],
         "deleted": [{"before": 0, "values": ["Deleted category"]}]},
        {"name": "Items", "columns": ITEM_COLS, "rows": items, "moves": moves,
         "deleted": deleted},
        {"name": "TempCat", "columns": [["Category", "text"]], "rows": []},
        {"name": "TempItems", "columns": ITEM_COLS, "rows": [items[0], items[1]],
         "moves": [{"row": 0, "at": 1}]},
    ]}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, 'fixtures')
    os.makedirs(out, exist_ok=True)
    jobs = [
        ('snibbet-jet3', 'jet3', snibbet(False)),
        ('snibbet-jet4', 'jet4', snibbet(True)),
        ('big-jet4', 'jet4', big()),
        ('edge-jet3', 'jet3', edge(False)),
        ('edge-jet4', 'jet4', edge(True)),
        ('moved-jet3', 'jet3', moved(False)),
        ('moved-jet4', 'jet4', moved(True)),
    ]
    wanted = sys.argv[2:]
    for name, fmt, description in jobs:
        if wanted and name not in wanted:
            continue
        js = os.path.join(out, name + '.json')
        with open(js, 'w', encoding='utf-8') as fh:
            json.dump(description, fh, ensure_ascii=False, indent=1)
            fh.write('\n')
        mdb = os.path.join(out, name + '.mdb')
        subprocess.check_call([sys.executable, os.path.join(HERE, 'make_jet.py'), mdb,
                               '--format', fmt, '--json', js])
        print('wrote %s (%d bytes) from %s' % (mdb, os.path.getsize(mdb), js))


if __name__ == '__main__':
    main()
