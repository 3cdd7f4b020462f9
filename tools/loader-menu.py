#!/usr/bin/env python3
"""Prints the preset menu that a DOS-stage loader file carries.

The loader keeps its menu either as plain text or compressed with LZMA (the .lzma
"alone" format: a properties byte, the dictionary size and the size, then the stream)
somewhere inside its code. Every place that starts like such a stream is tried; the
first one that unpacks to text holding a "find --set-root" line is the menu.

Usage: loader-menu.py LOADER   (exit 1 when no menu is found)
"""
import lzma
import sys

MARK = b"find --set-root"
LIMIT = 64 * 1024            # a preset menu is a few hundred bytes


def menu_at(data, offset):
    # lc/lp/pb in the properties byte are at most 8, 4 and 4; the dictionary is at least 4 KiB.
    props = data[offset]
    if props >= 9 * 5 * 5:
        return None
    dictionary = int.from_bytes(data[offset + 1:offset + 5], "little")
    if dictionary < 4096 or dictionary > 1 << 30:
        return None
    try:
        text = lzma.LZMADecompressor(format=lzma.FORMAT_ALONE).decompress(data[offset:], max_length=LIMIT)
    except lzma.LZMAError:
        return None
    return text if MARK in text else None


def find_menu(data):
    at = data.find(MARK)
    if at >= 0:   # kept as plain text: the menu is the text around the mark
        start = data.rfind(b"\0", 0, at) + 1
        end = data.find(b"\0", at)
        return data[start:end if end >= 0 else len(data)]
    for offset in range(len(data) - 13):
        text = menu_at(data, offset)
        if text is not None:
            return text.split(b"\0")[0]
    return None


def main():
    with open(sys.argv[1], "rb") as f:
        menu = find_menu(f.read())
    if menu is None:
        return 1
    sys.stdout.write(menu.decode("ascii", "replace"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
