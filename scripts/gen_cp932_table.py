#!/usr/bin/env python3
"""Writes src/platform/cp932_table.inc, the double-byte decode table of code page 932
and the few characters the encoder writes although no code decodes to them.

Python's own 'cp932' codec is the source of the mapping; the build needs no Python
because the output is committed. Run from the repository root:

    python3 scripts/gen_cp932_table.py               # regenerate the table
    python3 scripts/gen_cp932_table.py --check-iconv # also compare both ways with glibc iconv

The table covers lead bytes 0x81-0x9F and 0xE0-0xFC, trail bytes 0x40-0xFC; a zero
entry means the pair decodes to nothing. Single bytes are decoded by code, not by
this table.
"""

import pathlib
import subprocess
import sys

LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
TRAIL_FIRST, TRAIL_LAST = 0x40, 0xFC
# Characters with no code of their own that Windows' conversion and glibc's
# iconv still write, as the code of the character they stand for. Linux input
# methods type several of them (〜 rather than ～), and written as "?" they would
# spoil group names.
EXTRA_CODES = {
    0x301C: 0x8160,  # WAVE DASH, as FULLWIDTH TILDE
    0x2016: 0x8161,  # DOUBLE VERTICAL LINE, as PARALLEL TO
    0x2212: 0x817C,  # MINUS SIGN, as FULLWIDTH HYPHEN-MINUS
    0x00A2: 0x8191,  # CENT SIGN, as FULLWIDTH CENT SIGN
    0x00A3: 0x8192,  # POUND SIGN, as FULLWIDTH POUND SIGN
    0x00AC: 0x81CA,  # NOT SIGN, as FULLWIDTH NOT SIGN
    0x2014: 0x815C,  # EM DASH, as HORIZONTAL BAR
    0x00A5: 0x5C,  # YEN SIGN, the byte Japanese Windows shows as one
    0x203E: 0x7E,  # OVERLINE, the byte's glyph in JIS X 0201
}
OUT = pathlib.Path(__file__).resolve().parent.parent / "src" / "platform" / "cp932_table.inc"


def is_trail(b):
    return TRAIL_FIRST <= b <= TRAIL_LAST and b != 0x7F


def user_defined(lead, trail):
    # The user-defined area maps row by row onto the Private Use Area, 188 codes a row.
    if not (0xF0 <= lead <= 0xF9 and is_trail(trail)):
        return None
    index = trail - 0x40 if trail < 0x7F else trail - 0x41
    return 0xE000 + (lead - 0xF0) * 188 + index


def decode_pair(lead, trail):
    if not is_trail(trail):
        return 0
    try:
        text = bytes([lead, trail]).decode("cp932")
    except UnicodeDecodeError:
        return 0
    if len(text) != 1:
        return 0
    cp = ord(text)
    if cp == 0 or cp > 0xFFFF or cp == 0xFFFD:
        return 0
    return cp


def decoded_characters(table):
    return set(table.values()) | set(range(0x80)) | set(range(0xFF61, 0xFFA0))


def build():
    table = {}
    for lead in LEADS:
        for trail in range(TRAIL_FIRST, TRAIL_LAST + 1):
            cp = decode_pair(lead, trail)
            udc = user_defined(lead, trail)
            if udc is not None and cp != udc:
                sys.exit(f"user-defined area disagrees at {lead:02X}{trail:02X}: {cp:04X} != {udc:04X}")
            table[(lead, trail)] = cp
    if decoded_characters(table) & EXTRA_CODES.keys():
        sys.exit("an extra code repeats a decoded character")
    return table


def check_iconv(table):
    pairs = [(l, t) for (l, t), cp in sorted(table.items()) if cp and user_defined(l, t) is None]
    raw = b"".join(bytes([l, t]) for l, t in pairs)
    out = subprocess.run(["iconv", "-f", "CP932", "-t", "UTF-16LE"], input=raw, capture_output=True, check=True)
    units = [int.from_bytes(out.stdout[i:i + 2], "little") for i in range(0, len(out.stdout), 2)]
    if len(units) != len(pairs):
        sys.exit(f"iconv gave {len(units)} characters for {len(pairs)} pairs")
    diffs = [(l, t, table[(l, t)], u) for (l, t), u in zip(pairs, units) if table[(l, t)] != u]
    for l, t, ours, theirs in diffs:
        print(f"{l:02X}{t:02X}: python U+{ours:04X}, iconv U+{theirs:04X}")
    print(f"checked {len(pairs)} pairs against iconv, {len(diffs)} differ")


def extra_bytes(cp):
    """The bytes written for a character no code decodes to; empty for "?"."""
    code = EXTRA_CODES.get(cp)
    if code is None:
        return b""
    return bytes([code]) if code < 0x100 else bytes([code >> 8, code & 0xFF])


def check_iconv_extras(table):
    # Every character no code decodes to, one a line: iconv -c leaves the line
    # empty where it has no code, and no code holds a line end.
    decoded = decoded_characters(table)
    chars = [cp for cp in range(0x80, 0x10000) if cp not in decoded and not 0xD800 <= cp <= 0xDFFF]
    raw = "".join(chr(cp) + "\n" for cp in chars).encode("utf-8")
    out = subprocess.run(["iconv", "-c", "-f", "UTF-8", "-t", "CP932"], input=raw, capture_output=True)
    codes = out.stdout.split(b"\n")[:-1]
    if len(codes) != len(chars):
        sys.exit(f"iconv gave {len(codes)} lines for {len(chars)} characters")
    diffs = [(cp, c) for cp, c in zip(chars, codes) if c != extra_bytes(cp)]
    for cp, c in diffs:
        print(f"U+{cp:04X}: ours {extra_bytes(cp).hex() or '?'}, iconv {c.hex() or '?'}")
    print(f"checked {len(chars)} characters without a decoding code against iconv, {len(diffs)} differ")


def write(table):
    lines = [
        "// Generated by scripts/gen_cp932_table.py; do not edit.",
        "// Rows follow the lead bytes 0x81-0x9F then 0xE0-0xFC; columns are trail bytes",
        "// 0x40-0xFC. Zero means the pair maps to nothing.",
        f"static constexpr int kLeadCount = {len(LEADS)};",
        f"static constexpr int kTrailFirst = 0x{TRAIL_FIRST:02X};",
        f"static constexpr int kTrailCount = {TRAIL_LAST - TRAIL_FIRST + 1};",
        "static constexpr char16_t kDoubleByteTable[kLeadCount * kTrailCount] = {",
    ]
    for lead in LEADS:
        row = [table[(lead, t)] for t in range(TRAIL_FIRST, TRAIL_LAST + 1)]
        lines.append(f"    // lead 0x{lead:02X}")
        for i in range(0, len(row), 12):
            lines.append("    " + " ".join(f"0x{cp:04X}," for cp in row[i:i + 12]))
    lines.append("};")
    lines.append("// Characters no code decodes to, and the code written for each.")
    lines.append(f"static constexpr int kExtraCount = {len(EXTRA_CODES)};")
    lines.append("static constexpr char16_t kExtraCharacters[kExtraCount] = {")
    lines.append("    " + " ".join(f"0x{cp:04X}," for cp in EXTRA_CODES))
    lines.append("};")
    lines.append("static constexpr uint16_t kExtraCodes[kExtraCount] = {")
    lines.append("    " + " ".join(f"0x{code:04X}," for code in EXTRA_CODES.values()))
    lines.append("};")
    OUT.write_text("\n".join(lines) + "\n", encoding="ascii")


def main():
    table = build()
    write(table)
    print(f"wrote {OUT} ({sum(1 for v in table.values() if v)} mapped pairs)")
    if "--check-iconv" in sys.argv[1:]:
        check_iconv(table)
        check_iconv_extras(table)


if __name__ == "__main__":
    main()
