#!/usr/bin/env python3
"""Scores the first reading proposed for full names against ENAMDICT.

Usage: reading_score.py PATH/TO/reading_propose [ENAMDICT] [--juman NOUNS]
                        [--count N] [--seed S]

ENAMDICT (Debian's enamdict package, /usr/share/edict/enamdict, EUC-JP) lists
proper names with their readings in hiragana and a kind: (s) family name,
(m) (f) (g) given name, (h) a person's full name. Three sets are built:

  pairs    a family name and a given name entry drawn at random and written
           together (山田太郎); right is any reading ENAMDICT gives the one
           followed by any it gives the other, so the space's place is known
  spaced   the same pairs written with a space (山田 太郎)
  split    (h) entries (real people) that part into a family name entry and
           a given name entry whose readings make the full name's, in one way
           only: the space's place is known
  persons  (h) entries written in kanji only, read without a space; ENAMDICT
           does not say where their family name ends

Names are kanji only (and 々), one to three characters for each part. A
proposal is right when it equals a reading once spaces are dropped; for the
pairs also when its one space is where the family name ends.

JUMAN's proper nouns (Debian's juman-dic, /usr/share/juman/dic/Noun.koyuu.dic)
rank Japanese family and given names by how often people bear them. A fourth
set draws pairs from them by that frequency, as a directory of real people
would hold them:

  common   a family and a given name written together; right is any reading
           JUMAN gives the one followed by any it gives the other, its space
           right when it falls where the family name ends

On the common pairs the reading check (reading_propose --check) is scored
too: how often it doubts a right reading (each pair with one of its readings,
the second reading of JUMAN's list as often as there is one), and how often
it doubts a reading with one slip of the kind typing makes (a kana left out,
a voiced kana unvoiced or the other way, a long vowel's ウ left out), where
the slip makes no reading JUMAN gives.
"""

import argparse
import random
import re
import subprocess
import sys
from collections import defaultdict

KANJI = re.compile(r"^[\u4e00-\u9fff々]{1,3}$")
LINE = re.compile(r"^(\S+) \[(\S+)\] /\(([^)]*)\)")


def katakana(hiragana):
    return "".join(chr(ord(c) + 0x60) if "\u3041" <= c <= "\u3096" else c for c in hiragana)


def load(path):
    family, given, persons = defaultdict(set), defaultdict(set), defaultdict(set)
    with open(path, encoding="euc_jp", errors="replace") as f:
        for line in f:
            m = LINE.match(line)
            if not m:
                continue
            written, reading, kinds = m.group(1), m.group(2), set(m.group(3).split(","))
            if not re.fullmatch(r"[\u3041-\u3096ー]+", reading):
                continue
            if KANJI.match(written):
                if "s" in kinds:
                    family[written].add(katakana(reading))
                if kinds & {"m", "f", "g"}:
                    given[written].add(katakana(reading))
            if "h" in kinds and re.fullmatch(r"[\u4e00-\u9fff々]{2,6}", written):
                persons[written].add(katakana(reading))
    return family, given, persons


JUMAN_NAME = re.compile(r'\(読み (\S+)\)\(見出し語 (.*?)\)\(意味情報 "人名:日本:(姓|名):\d+:([\d.]+)"')


def load_juman(path):
    """{written: set of katakana readings} and {written: frequency} for family and given names."""
    names = {"姓": (defaultdict(set), {}), "名": (defaultdict(set), {})}
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = JUMAN_NAME.search(line)
            if not m:
                continue
            reading, headwords, kind, freq = m.groups()
            if not re.fullmatch(r"[\u3041-\u3096ー]+", reading):
                continue
            readings, frequency = names[kind]
            for word in re.findall(r"[\u4e00-\u9fff々]+", headwords):
                readings[word].add(katakana(reading))
                frequency[word] = max(frequency.get(word, 0.0), float(freq))
    return names["姓"], names["名"]


VOICED = dict(zip("カキクケコサシスセソタチツテトハヒフヘホ", "ガギグゲゴザジズゼゾダヂヅデドバビブベボ"))
VOICED.update({v: k for k, v in VOICED.items()})


def slips(reading):
    """Every reading one typing slip away."""
    out = set()
    for i, c in enumerate(reading):
        out.add(reading[:i] + reading[i + 1:])
        if c in VOICED:
            out.add(reading[:i] + VOICED[c] + reading[i + 1:])
    return {s for s in out if s}


def check(program, pairs):
    out = subprocess.run([program, "--check"], input="".join(n + "\t" + r + "\n" for n, r in pairs),
                         capture_output=True, text=True, check=True).stdout
    verdicts = [line.split("\t")[-1] for line in out.splitlines()]
    assert len(verdicts) == len(pairs)
    return verdicts


def score_common(program, juman, count, rng):
    (family, family_freq), (given, given_freq) = load_juman(juman)
    families, givens = sorted(family), sorted(given)
    drawn = zip(rng.choices(families, [family_freq[f] for f in families], k=count),
                rng.choices(givens, [given_freq[g] for g in givens], k=count))
    pairs = [(f, g) for f, g in drawn]
    rights = [{a + b for a in sorted(family[f]) for b in sorted(given[g])} for f, g in pairs]
    names = [f + g for f, g in pairs]
    proposals = propose(program, names)
    exact = spaced_right = any_of_five = nothing = 0
    for (f, g), right, props in zip(pairs, rights, proposals):
        if not props:
            nothing += 1
            continue
        if props[0].replace(" ", "") in right:
            exact += 1
            spaced_right += props[0] in {a + " " + b for a in family[f] for b in given[g]}
        any_of_five += any(p.replace(" ", "") in right for p in props)
    print(f"JUMAN: {len(family)} family names, {len(given)} given names; "
          f"{count} pairs drawn by frequency")
    print(f"common  first proposal right, spaces ignored: {share(exact, count)}")
    print(f"common  ... and its space right:            {share(spaced_right, count)}")
    print(f"common  right among the proposals:          {share(any_of_five, count)}")
    print(f"common  nothing proposed:                   {share(nothing, count)}")

    right_cases = [(name, sorted(right)[i % len(right)]) for i, (name, right) in
                   enumerate(zip(names, rights))]
    verdicts = check(program, right_cases)
    print(f"check   right readings doubted:             "
          f"{share(verdicts.count('disagrees'), count)} (unsure {verdicts.count('unsure')})")
    slip_cases = []
    for name, right in zip(names, rights):
        wrong = sorted(slips(sorted(right)[0]) - right)
        if wrong:
            slip_cases.append((name, rng.choice(wrong)))
    verdicts = check(program, slip_cases)
    print(f"check   readings with a slip doubted:       "
          f"{share(verdicts.count('disagrees'), len(slip_cases))} "
          f"(unsure {verdicts.count('unsure')})")


def propose(program, names):
    out = subprocess.run([program], input="".join(n + "\n" for n in names),
                         capture_output=True, text=True, check=True).stdout
    proposals = []
    for line in out.splitlines():
        fields = line.split("\t")
        proposals.append([f for f in fields[1:] if f])
    assert len(proposals) == len(names)
    return proposals


def share(n, total):
    return f"{n}/{total} = {100.0 * n / total:.1f} %"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("enamdict", nargs="?", default="/usr/share/edict/enamdict")
    parser.add_argument("--juman", default="/usr/share/juman/dic/Noun.koyuu.dic")
    parser.add_argument("--count", type=int, default=2000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--failures", action="store_true",
                        help="list the split names not read right on standard error")
    args = parser.parse_args()

    family, given, persons = load(args.enamdict)
    rng = random.Random(args.seed)
    families, givens = sorted(family), sorted(given)
    pairs = [(rng.choice(families), rng.choice(givens)) for _ in range(args.count)]

    def score_pairs(spaced):
        names = [f + (" " if spaced else "") + g for f, g in pairs]
        proposals = propose(args.program, names)
        exact = spaced_right = any_of_five = nothing = 0
        for (f, g), props in zip(pairs, proposals):
            right = {a + " " + b for a in family[f] for b in given[g]}
            unspaced = {r.replace(" ", "") for r in right}
            if not props:
                nothing += 1
                continue
            if props[0].replace(" ", "") in unspaced:
                exact += 1
                if props[0] in right:
                    spaced_right += 1
            if any(p.replace(" ", "") in unspaced for p in props):
                any_of_five += 1
        kind = "spaced " if spaced else "pairs  "
        print(f"{kind} first proposal right, spaces ignored: {share(exact, len(pairs))}")
        print(f"{kind} ... and its space right:            {share(spaced_right, len(pairs))}")
        print(f"{kind} right among the proposals:          {share(any_of_five, len(pairs))}")
        print(f"{kind} nothing proposed:                   {share(nothing, len(pairs))}")

    print(f"ENAMDICT: {len(family)} family names, {len(given)} given names, "
          f"{len(persons)} full names; {len(pairs)} pairs, seed {args.seed}")
    score_pairs(False)
    score_pairs(True)

    # Full names that part into a family name entry and a given name entry
    # whose readings make the full name's: real people, with the space known.
    split = {}
    for name in sorted(persons):
        found = set()
        for k in range(1, len(name)):
            f, g = name[:k], name[k:]
            for rf in family.get(f, ()):
                for rg in given.get(g, ()):
                    if rf + rg in persons[name]:
                        found.add(rf + " " + rg)
        if len(found) == 1:
            split[name] = found.pop()
    names = sorted(split)
    rng.shuffle(names)
    names = names[: args.count]
    proposals = propose(args.program, names)
    exact = spaced_right = any_of_five = nothing = 0
    for name, props in zip(names, proposals):
        if not props:
            nothing += 1
            continue
        if props[0].replace(" ", "") == split[name].replace(" ", ""):
            exact += 1
            spaced_right += props[0] == split[name]
        any_of_five += any(p.replace(" ", "") == split[name].replace(" ", "") for p in props)
    print(f"split   ({len(split)} full names that part into a family and a given name entry)")
    print(f"split   first proposal right, spaces ignored: {share(exact, len(names))}")
    print(f"split   ... and its space right:            {share(spaced_right, len(names))}")
    print(f"split   right among the proposals:          {share(any_of_five, len(names))}")
    print(f"split   nothing proposed:                   {share(nothing, len(names))}")
    if args.failures:
        for name, props in zip(names, proposals):
            if not props or props[0] != split[name]:
                print("\t".join([name, split[name]] + props), file=sys.stderr)

    people = sorted(persons)
    rng.shuffle(people)
    people = people[: args.count]
    proposals = propose(args.program, people)
    exact = any_of_five = nothing = 0
    for name, props in zip(people, proposals):
        if not props:
            nothing += 1
            continue
        exact += props[0].replace(" ", "") in persons[name]
        any_of_five += any(p.replace(" ", "") in persons[name] for p in props)
    print(f"persons first proposal right, spaces ignored: {share(exact, len(people))}")
    print(f"persons right among the proposals:          {share(any_of_five, len(people))}")
    print(f"persons nothing proposed:                   {share(nothing, len(people))}")

    score_common(args.program, args.juman, args.count, random.Random(args.seed))
    return 0


if __name__ == "__main__":
    sys.exit(main())
