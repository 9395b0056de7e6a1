#!/usr/bin/python3
"""Exports a phone book with ruvotel as vCard 3.0 and vCard 2.1 and reads the
files back with python3-vobject, a parser written elsewhere: every entry must
come back with its name, reading and number."""

import os
import subprocess
import sys
import tempfile
import unicodedata

import vobject


def book_entries(path):
    lines = open(path, 'rb').read().decode('cp932').split('\r\n')[6:]
    entries = []
    for line in lines:
        if not line:
            continue
        group, name, reading, tel = (line.split('\t') + ['', '', '', ''])[:4]
        entries.append((name, unicodedata.normalize('NFKC', reading), tel.split(':')[0]))
    return sorted(entries)


def joined(*parts):
    return ' '.join(p for p in parts if p)


def value(card, name):
    items = card.contents.get(name, [])
    return items[0].value if items else ''


def split21(text):
    """A structured value vobject does not know (SOUND), split at ';' with
    its escapes undone."""
    parts, part, escaped = [], '', False
    for c in text:
        if escaped:
            part += c
            escaped = False
        elif c == '\\':
            escaped = True
        elif c == ';':
            parts.append(part)
            part = ''
        else:
            part += c
    return parts + [part]


def card_entries(text, version):
    entries = []
    for card in vobject.readComponents(text, allowQP=True):
        assert value(card, 'version') == version, value(card, 'version')
        family, given = card.n.value.family, card.n.value.given
        name = value(card, 'fn')
        assert joined(family, given) == name, (family, given, name)
        if version == '3.0':
            reading = joined(value(card, 'x-phonetic-last-name'),
                             value(card, 'x-phonetic-first-name'))
            assert value(card, 'sort-string') == reading, (value(card, 'sort-string'), reading)
        else:
            reading = joined(*split21(value(card, 'sound')))
        entries.append((name, unicodedata.normalize('NFKC', reading), value(card, 'tel')))
    return sorted(entries)


def main():
    ruvotel, book = sys.argv[1], sys.argv[2]
    expected = book_entries(book)
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        for fmt, version, encoding in (('vcard', '3.0', 'utf-8'), ('vcard21', '2.1', 'ascii')):
            out = os.path.join(folder, 'out.' + fmt)
            subprocess.run([ruvotel, 'export', book, '--format', fmt, '-o', out], check=True)
            # vCard 2.1 carries its Shift-JIS only inside quoted-printable.
            got = card_entries(open(out, 'rb').read().decode(encoding), version)
            if got != expected:
                failures += 1
                print(f'{fmt}: vobject reads\n  {got}\nexpected\n  {expected}')
    print('vobject read back', len(expected), 'entries' if not failures else 'with differences')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
