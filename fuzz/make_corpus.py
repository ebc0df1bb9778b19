#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Each seed is built with the encoders below, which follow the input encoding
documented at the top of fuzz_edit.cpp and fuzz_rewrap.cpp.  Run it again
after changing an encoding: it replaces the folders' contents.
"""
import pathlib
import shutil

HERE = pathlib.Path(__file__).resolve().parent

# ---- shared encoders (fuzz/FuzzSupport.h) ----

UNDO_MAX = {-1: 0, 0: 1, 1: 2, 2: 3, 3: 4, 4: 5, 5: 6, 6: 7, 8: 8, 16: 9}


def text(data: bytes, cr: bool = False) -> bytes:
    """A row text of up to 63 literal bytes, optionally ended by CR."""
    assert len(data) < 64 and b"\r" not in data and b"\n" not in data
    return bytes([len(data) | (0x40 if cr else 0)]) + data


def run(prefix: bytes, fill: int, times8: int, cr: bool = False) -> bytes:
    """A row text: up to 7 literal bytes, then fill repeated times8 * 8 times."""
    assert len(prefix) < 8 and 1 <= times8 <= 64
    return bytes([0x80 | (times8 - 1) | (0x40 if cr else 0), len(prefix)]) + prefix + bytes([fill])


def pick(value: int, lo: int, hi: int) -> int:
    assert lo <= value <= hi
    return value - lo


# ---- fuzz_edit ----

(SET_ROW, INSERT_ROW, DELETE_ROW, APPEND_LINE, REWRAP, UNDO, REDO, UNDO_REDO, UNDO_ALL, SAVE,
 LOAD, LOAD_BINARY, CLEAR, SELECT_ALL, NEW_GROUP, OPTIONS, ROW_ATTR, TAB_SIZE, CARET,
 SET_UNDO_MAX) = range(20)

AUTO_FORMAT, BAN_BREAK, WORD_WRAP = 1, 2, 4
SAVE_MODES = [0, 1, 2, 8, 16, 32, 32 | 8, 2 | 16]


class Script:
    def __init__(self, undo_max: int):
        self.b = bytearray([UNDO_MAX[undo_max]])

    def op(self, code: int, *args) -> "Script":
        self.b.append(code)
        for a in args:
            self.b += a if isinstance(a, (bytes, bytearray)) else bytes([a])
        return self

    def set_row(self, row, data, new_group=True):
        return self.op(SET_ROW, row, 1 if new_group else 0, data)

    def insert_row(self, row, template, data):
        return self.op(INSERT_ROW, row, template, data)

    def row_attr(self, row, wrap, indent):
        return self.op(ROW_ATTR, row, pick(wrap, 1, 20), pick(indent, -3, 10))

    def save(self, to_file, mode):
        return self.op(SAVE, 1 if to_file else 0, SAVE_MODES.index(mode))

    def load_binary(self, rows):
        out = bytes([pick(len(rows), 1, 4)])
        for indent, wrap, data in rows:
            assert len(data) < 16 and b"\n" not in data
            out += bytes([pick(indent, -3, 10), pick(wrap, 1, 20), len(data)]) + data
        return self.op(LOAD_BINARY, out)


SJIS_PROSE = "吾輩は猫である。名前はまだ無い。「どこで生れたか」とんと見当がつかぬ。".encode("cp932")


def edit_seeds():
    s = {}
    # A bounded history of one command: an edit, its undo, another edit.
    s["undomax1_edit_undo_edit"] = (
        Script(1).set_row(0, text(b"abc")).op(UNDO).set_row(0, text(b"xy")).op(UNDO).op(REDO))
    # A history of eight made smaller while it holds undone commands.
    x = Script(8)
    for i in range(4):
        x.set_row(0, text(b"row%d" % i))
    x.op(APPEND_LINE, text(b"tail")).op(APPEND_LINE, text(b"more")).op(UNDO).op(UNDO)
    x.op(SET_UNDO_MAX, UNDO_MAX[2]).set_row(0, text(b"new")).op(UNDO).op(UNDO).op(REDO)
    s["undomax8_undos_then_undomax2_edit"] = x
    # A long row of zero bytes wrapped at a narrow column.
    s["zero_bytes_row_rewrap"] = (
        Script(-1).insert_row(0, 0, run(b"a", 0x00, 40, cr=True)).op(OPTIONS, AUTO_FORMAT)
        .row_attr(0, 5, 0).op(REWRAP, 0).op(UNDO).op(REDO))
    # Literal 0x0B bytes (the byte the display text uses to fill tab spans).
    s["literal_0b_bytes"] = (
        Script(-1).set_row(0, text(b"ab\x0b\x0b\tcd\x0b\x0bef\tgh")).op(OPTIONS, AUTO_FORMAT)
        .row_attr(0, 4, 0).op(CARET, 0, 6).op(REWRAP, 0).op(UNDO_ALL))
    # A negative indent.
    s["negative_indent"] = (
        Script(-1).set_row(0, text(b"abcdefghijklmnopqrstuvwxyz")).op(OPTIONS, AUTO_FORMAT)
        .row_attr(0, 6, -3).op(REWRAP, 0).op(UNDO_REDO, pick(2, 1, 4)))
    # A row ending in a lone lead byte, the next starting with a trail byte.
    s["lone_lead_then_trail"] = (
        Script(-1).insert_row(0, 0, text(b"abcd\x82")).set_row(1, text(b"\xa0xyz\x81"))
        .op(OPTIONS, AUTO_FORMAT | BAN_BREAK).row_attr(0, 4, 0).row_attr(1, 4, 0)
        .op(CARET, 1, 1).op(REWRAP, 0).op(UNDO).op(REDO))
    # Select all after appending, then undo the append.
    s["select_all_then_undo"] = (
        Script(-1).op(APPEND_LINE, text(b"one")).op(APPEND_LINE, text(b"two"))
        .op(SELECT_ALL).op(UNDO).op(UNDO).op(REDO))
    s["select_all_then_undo_bounded"] = (
        Script(2).set_row(0, text(b"x", cr=True)).op(APPEND_LINE, text(b"y"))
        .op(SELECT_ALL).op(UNDO).op(UNDO_ALL))
    # Binary documents with CR inside rows, and a zero byte.
    s["binary_cr_inside_row"] = Script(-1).load_binary(
        [(0, 10, b"ab\rcd"), (2, 8, b"\r\rx"), (0, 10, b"tail\r")]).op(REWRAP, 0)
    s["binary_zero_bytes"] = Script(-1).load_binary(
        [(-2, 3, b"a\x00\x00\x00b\r"), (4, 5, b"\x82")]).op(REWRAP, 0).op(UNDO_ALL)
    # Saving and loading in every style.
    x = Script(-1).set_row(0, text(b"\tindented", cr=True)).op(APPEND_LINE, text(SJIS_PROSE[:40]))
    x.row_attr(0, 12, 3)
    for i, mode in enumerate(SAVE_MODES):
        x.save(i % 2 == 0, mode).op(LOAD, i)
    s["save_load_every_mode"] = x
    s["save_file_undo_redo"] = (
        Script(4).set_row(0, text(b"a")).set_row(0, text(b"ab")).save(True, 0)
        .op(UNDO_REDO, pick(2, 1, 4)).op(UNDO).save(True, 1).op(REDO).op(LOAD, 0))
    raw = b"a\r\nb\nc\rd\x00e"
    s["load_raw_text"] = Script(-1).op(LOAD, 0, len(raw), raw).op(UNDO_ALL)
    raw = b"\x10\x00\x00\x00" * 5
    s["load_raw_binary_garbage"] = Script(-1).op(LOAD, 1, len(raw), raw)
    # Wrapped Japanese prose edited in the middle.
    x = Script(-1).op(OPTIONS, AUTO_FORMAT | BAN_BREAK | WORD_WRAP).op(TAB_SIZE, pick(4, 1, 8))
    x.set_row(0, text(SJIS_PROSE[:60]))
    x.row_attr(0, 14, 2).op(REWRAP, 0).op(CARET, 1, 5).insert_row(1, 0, text(b"\x81\x75ab\x81\x76", cr=True))
    x.op(REWRAP, 0).op(DELETE_ROW, 2).op(UNDO_REDO, pick(3, 1, 4)).op(UNDO_ALL)
    s["japanese_wrap_edit"] = x
    # Many small commands with a small history, undone and redone.
    x = Script(3)
    for i in range(8):
        x.op(APPEND_LINE, text(b"line%d" % i)).op(NEW_GROUP)
        if i % 3 == 0:
            x.op(DELETE_ROW, i)
    x.op(UNDO_REDO, pick(4, 1, 4)).op(CLEAR).op(UNDO).op(REDO)
    s["small_history_many_commands"] = x
    s["undomax0_edits"] = Script(0).set_row(0, text(b"a")).op(APPEND_LINE, text(b"b")).op(UNDO).op(REDO)
    s["tabs_and_caret"] = (
        Script(-1).set_row(0, text(b"\ta\tb\x82\xa0\tc")).op(TAB_SIZE, pick(3, 1, 8))
        .op(CARET, 0, 7).op(OPTIONS, AUTO_FORMAT).row_attr(0, 3, 1).op(REWRAP, 0).op(UNDO_ALL))
    return {k: bytes(v.b) for k, v in s.items()}


# ---- fuzz_rewrap ----


def wrap_case(rows, flags=AUTO_FORMAT, tab=4, caret=None, picks=None):
    """rows: (wrap, indent, encoded text); caret: (row, column); picks: rows to re-wrap."""
    f = flags | (8 if caret else 0) | (16 if picks else 0)
    out = bytes([f, pick(tab, 1, 8), pick(len(rows), 1, 12)])
    for wrap, indent, t in rows:
        out += bytes([pick(wrap, 1, 70), pick(indent, -4, 12)]) + t
    if caret:
        out += bytes(caret)
    if picks:
        out += bytes([pick(len(picks), 1, 8)] + picks)
    return out


def rewrap_seeds():
    s = {}
    s["zero_bytes_512"] = wrap_case([(4, 0, run(b"a", 0x00, 64, cr=True)), (4, 0, text(b"b"))])
    s["zero_bytes_then_text"] = wrap_case(
        [(6, 2, run(b"ab", 0x00, 16)), (6, 2, text(b"cdefghij\x00klm", cr=True)), (6, 0, text(b"z"))])
    s["literal_0b"] = wrap_case(
        [(5, 0, text(b"a\x0b\x0bb\tc\x0bd\x0b\x0b\x0be", cr=True)), (5, 0, text(b"\x0b\x0b"))],
        caret=(0, 4))
    s["literal_0b_run"] = wrap_case([(3, 1, run(b"x", 0x0B, 4, cr=True)), (3, 1, text(b"y"))])
    s["negative_indent"] = wrap_case(
        [(3, -4, text(b"abcdefghijkl")), (5, -1, text(b"mnop", cr=True)), (2, -2, text(b"qr"))])
    s["indent_past_wrap"] = wrap_case([(4, 12, text(b"abcdefgh", cr=True)), (1, 9, text(b"ij"))])
    s["lone_lead_at_row_ends"] = wrap_case(
        [(4, 0, text(b"abc\x82")), (4, 0, text(b"\xa0def\x83")), (4, 0, text(b"\x40gh", cr=True)),
         (4, 0, text(b"\x88"))], flags=AUTO_FORMAT | BAN_BREAK, caret=(1, 1))
    s["japanese_ban_rules"] = wrap_case(
        [(12, 0, text(SJIS_PROSE[:50])), (12, 0, text(SJIS_PROSE[50:70], cr=True)),
         (12, 0, text("「かっこ」、。".encode("cp932")))], flags=AUTO_FORMAT | BAN_BREAK, caret=(0, 10))
    s["word_wrap_words"] = wrap_case(
        [(10, 2, text(b"the quick brown fox jumps over the lazy dog")), (10, 2, text(b"again", cr=True)),
         (10, 0, text(b""))], flags=AUTO_FORMAT | WORD_WRAP, caret=(0, 14))
    s["tabs_narrow"] = wrap_case(
        [(3, 0, text(b"\t\ta\tb\tc", cr=True)), (2, 1, text(b"\t\x82\xa0\t"))], tab=5, caret=(0, 5))
    s["tab_after_lead"] = wrap_case([(4, 0, text(b"\x82\tab\x81\t\tc"))], tab=2)
    s["cr_rows_and_empty_rows"] = wrap_case(
        [(5, 0, text(b"", cr=True)), (5, 0, text(b"")), (5, 0, text(b"abcdefg", cr=True)), (5, 0, text(b""))],
        picks=[1, 2, 0, 2])
    s["unwrapped_joins"] = wrap_case(
        [(8, 0, text(b"ab")), (8, 0, text(b"cd")), (8, 0, text(b"ef", cr=True)), (8, 0, text(b"gh"))],
        flags=0, caret=(1, 1))
    s["wide_rows_pull_up"] = wrap_case(
        [(70, 0, text(b"short")), (70, 0, text(b"rows")), (70, 0, text(b"pulled", cr=True)),
         (70, 3, text(SJIS_PROSE[:62]))], caret=(2, 3))
    s["caret_on_next_row"] = wrap_case(
        [(6, 0, text(b"abcdefghij")), (6, 0, text(b"klmnop", cr=True)), (6, 0, text(b"q"))],
        caret=(1, 2), picks=[0])
    return s


# Inputs the fuzzers found, kept as they were found (see the encodings for
# what they do).
FOUND_EDIT = {
    # Re-wrapping a long row of lead bytes, edits, then an undo: the row
    # list's block index points past its blocks.
    "found_row_blocks_after_undo":
        "00626466b8b8b83fb8b80100b8b80000b8b83fb86a7067b8010000000001b8b84875615469616e4b616954693fb8b8b8b8b8b80e026e69039a",
    # The same for the row records, reached from a re-wrap with a history of 3.
    "found_record_blocks_after_rewrap":
        "b8b8b8b80e00b8b8b83fb8b801010a0000002c2c2c2c222c00b8b8b8b8a2b82c3fb8b8010000002c000000012c",
    # A loaded binary document re-wrapped with the caret on its first row.
    "found_caret_row_after_rewrap":
        "fc04706f7374706f7374739d92e6e6e6697044464b2c2c0e00000000000000b2eeb2b2b22cff092c2c2c2c2c2c09ffffff2c",
}
FOUND_REWRAP = {
    # The caret carried onto a row with a negative indent.
    "found_caret_negative_indent": "5b030205040a450446701b6ca2814281000000000000758cc78294799501490303450000",
}


def write(target, seeds):
    d = HERE / "corpus" / target
    if d.exists():
        shutil.rmtree(d)
    d.mkdir(parents=True)
    total = 0
    for name, data in sorted(seeds.items()):
        assert len(data) <= 512, name
        (d / name).write_bytes(data)
        total += len(data)
    print(f"{target}: {len(seeds)} seeds, {total} bytes")


if __name__ == "__main__":
    write("fuzz_edit", {**edit_seeds(), **{k: bytes.fromhex(v) for k, v in FOUND_EDIT.items()}})
    write("fuzz_rewrap", {**rewrap_seeds(), **{k: bytes.fromhex(v) for k, v in FOUND_REWRAP.items()}})
