#!/usr/bin/env python3
"""Writes mutated copies of valid mode files for the configuration reader's robustness test.

Each output file is one of the samples with one to four random edits: spans deleted,
duplicated or swapped, element names exchanged for other (valid or invalid) names, tags
inserted or lost, stray bytes, empty texts, truncation. The same seed always gives the same
files, so a failure can be reproduced by its file name.
"""
import argparse
import pathlib
import random
import re

NAMES = ["Config", "Mode", "Name", "Level1", "Level2", "Level3", "Jobs", "JobGroup", "Services",
         "LogicalDisks", "DiskDrives", "RegistryValues", "IEExtensions", "FileInfos", "Path",
         "QuellonBerex", "QuellonJuvent", "Settings", "jobs", "Level4", "X"]
SNIPPETS = ["<Jobs>", "</Jobs>", "<Level2>", "</Level1>", "<Services/>", "<Name></Name>", "<Name> </Name>",
            "<Name><!-- none --></Name>", "<!-- note -->", "<Level3><Name>x</Name></Level3>",
            "<JobGroup type=\"\"><Name/><Jobs><Services/></Jobs></JobGroup>", "<Mode/>", "<?pi x?>",
            "<![CDATA[ a  b ]]>", "&amp;", "&#x41;", "&bogus;", "<Name>\u00e4\u00f6\u00fc \u20ac</Name>",
            "<Level1><Name>L</Name><Jobs><Services/></Jobs></Level1>", "<QuellonBerex/>", "\t", "\n"]
STRAY = [b"\x00", b"\xff", b"\x80", b"<", b">", b"&", b"\"", b"'", b"/", b"=", b"\xef\xbb\xbf", b"\xc3"]
TAG = re.compile(rb"</?([A-Za-z][A-Za-z0-9]*)")


def mutate(data: bytes, rng: random.Random) -> bytes:
    kind = rng.randrange(10)
    pos = rng.randrange(len(data) + 1)
    span = rng.randrange(1, 48)
    if kind == 0:
        return data[:pos] + data[pos + span:]
    if kind == 1:
        return data[:pos] + data[pos:pos + span] + data[pos:]
    if kind == 2 or kind == 3:
        tags = list(TAG.finditer(data))
        if tags:
            tag = rng.choice(tags)
            name = rng.choice(NAMES).encode()
            return data[:tag.start(1)] + name + data[tag.end(1):]
    if kind == 4:
        return data[:pos] + rng.choice(SNIPPETS).encode() + data[pos:]
    if kind == 5:
        return data[:pos]
    if kind == 6:
        return data[:pos] + rng.choice(STRAY) + data[pos:]
    if kind == 7:
        lines = data.split(b"\n")
        a, b = rng.randrange(len(lines)), rng.randrange(len(lines))
        lines[a], lines[b] = lines[b], lines[a]
        return b"\n".join(lines)
    if kind == 8:
        lines = data.split(b"\n")
        del lines[rng.randrange(len(lines))]
        return b"\n".join(lines)
    texts = list(re.finditer(rb">([^<>]+)</", data))
    if texts:
        text = rng.choice(texts)
        return data[:text.start(1)] + rng.choice([b"", b"   ", b"<!--c-->"]) + data[text.end(1):]
    return data


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", required=True, type=pathlib.Path)
    parser.add_argument("--count", type=int, default=3000)
    parser.add_argument("--seed", type=int, default=20261210)
    parser.add_argument("samples", nargs="+", type=pathlib.Path)
    args = parser.parse_args()

    rng = random.Random(args.seed)
    samples = [(path.stem, path.read_bytes()) for path in sorted(args.samples)]
    args.out.mkdir(parents=True, exist_ok=True)
    for old in args.out.glob("*.xml"):
        old.unlink()
    for index in range(args.count):
        stem, data = samples[index % len(samples)]
        for _ in range(rng.randrange(1, 5)):
            data = mutate(data, rng)
        (args.out / f"{stem}-{index:04d}.xml").write_bytes(data)


if __name__ == "__main__":
    main()
