#!/usr/bin/env python3
"""Checks that escaped text reads back unchanged through Python's own HTML parser.

Usage: html_roundtrip.py PAGE EXPECTED

PAGE holds one <p> element per case, with the escaped text as the content and as two
attribute values (double- and single-quoted). EXPECTED holds the original texts, one per
line, as hex of their UTF-8. Exits 0 when every content and attribute value decodes back
to its original, 1 otherwise (the first mismatches are printed).
"""
import sys
from html.parser import HTMLParser


class Collector(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.cases = []  # (content, dq attribute, sq attribute)
        self.in_p = False

    def handle_starttag(self, tag, attrs):
        if tag == "p":
            values = dict(attrs)
            self.cases.append(["", values.get("title"), values.get("data-v")])
            self.in_p = True

    def handle_endtag(self, tag):
        if tag == "p":
            self.in_p = False

    def handle_data(self, data):
        if self.in_p:
            self.cases[-1][0] += data


def main():
    page, expected_file = sys.argv[1], sys.argv[2]
    with open(page, encoding="utf-8", newline="") as f:
        text = f.read()
    with open(expected_file, encoding="ascii") as f:
        expected = [bytes.fromhex(line.strip()).decode("utf-8") for line in f]
    parser = Collector()
    parser.feed(text)
    parser.close()
    if len(parser.cases) != len(expected):
        print(f"parsed {len(parser.cases)} cases, expected {len(expected)}")
        return 1
    bad = 0
    for i, (got, want) in enumerate(zip(parser.cases, expected)):
        if got != [want, want, want]:
            bad += 1
            if bad <= 5:
                print(f"case {i}: want {want!r}, got {got!r}")
    print(f"{len(expected) - bad} of {len(expected)} cases read back unchanged")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
