#!/usr/bin/env python3
"""A distribution whose content folders hold more than 65,535 files, made on
the host side once per build tree: 66,000 small files in 60 sub-folders of
"图库", one file in every other content folder.
    make-many-files.py <folder>"""
import os
import sys

CONTENT = ["Support", "Control", "Database", "线型库", "填充图案", "材料图案", "图框", "图例",
           "图库", "图件图库", "标准断面", "Temp"]
FOLDERS, PER_FOLDER = 60, 1100

root = sys.argv[1]
done = os.path.join(root, ".complete")
if os.path.exists(done):
    sys.exit(0)
for name in CONTENT:
    os.makedirs(os.path.join(root, name), exist_ok=True)
    with open(os.path.join(root, name, "Item.TXT"), "w") as f:
        f.write(name)
for i in range(FOLDERS):
    folder = os.path.join(root, "图库", "分类%02d" % i)
    os.makedirs(folder, exist_ok=True)
    for j in range(PER_FOLDER):
        with open(os.path.join(folder, "F%04d.DWG" % j), "w") as f:
            f.write("x")
open(done, "w").close()
