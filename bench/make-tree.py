#!/usr/bin/env python3
"""Fills the twelve content folders of a sample distribution (laid out by
tools/make-distribution.sh with --files 0) with one of the benchmark's trees:

  a  20,000 small files (1 to 16 KB) in nested folders
  b  20 files of 50 MB
  c  a mixed tree of about 2,000 files and 300 MB

The same seed always gives the same tree, so every contender copies the same
bytes. Prints the number of files and bytes it added."""
import os
import random
import sys

CONTENT_FOLDERS = ["Support", "Control", "Database", "线型库", "填充图案", "材料图案",
                   "图框", "图例", "图库", "图件图库", "标准断面", "Temp"]


def nested(rng_index):
    """A three-level folder below a content folder, some levels with Chinese names."""
    a, b, c = rng_index % 4, (rng_index // 4) % 4, (rng_index // 16) % 4
    return os.path.join(f"SUB{a}", f"分类{b}", f"LEVEL{c}")


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in ("a", "b", "c"):
        sys.exit("usage: make-tree.py <distribution folder> a|b|c")
    root, kind = sys.argv[1], sys.argv[2]
    rng = random.Random(9)
    # Incompressible bytes; files are slices of one block.
    block = random.Random(90).randbytes(64 * 1024 * 1024)

    if kind == "a":
        sizes = [rng.randint(1024, 16 * 1024) for _ in range(20000)]
    elif kind == "b":
        sizes = [50 * 1024 * 1024] * 20
    else:
        sizes = [rng.randint(1024, 64 * 1024) for _ in range(1840)]
        sizes += [rng.randint(512 * 1024, 3 * 1024 * 1024) for _ in range(160)]
        rng.shuffle(sizes)

    total = 0
    for i, size in enumerate(sizes):
        folder = os.path.join(root, CONTENT_FOLDERS[i % 12])
        if kind != "b":
            folder = os.path.join(folder, nested(i // 12))
        os.makedirs(folder, exist_ok=True)
        start = (i * 4099) % (len(block) - size + 1)
        with open(os.path.join(folder, f"FILE{i:05d}.DAT"), "wb") as f:
            f.write(block[start:start + size])
        total += size
    print(f"tree {kind}: {len(sizes)} files, {total / 1048576:.1f} MB")


if __name__ == "__main__":
    main()
