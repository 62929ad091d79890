#!/usr/bin/env python3
"""Prints how long the copy phase of a silent Setup.exe run took, in
milliseconds, from the time stamps of its log (code page 936 lines
"YYYY-MM-DD HH:MM:SS.mmm  text"): from the first content folder's line to
the program files' line, which the worker writes when the copy is over."""
import sys
from datetime import datetime


def stamp(line):
    return datetime.strptime(line[:23], "%Y-%m-%d %H:%M:%S.%f")


def main():
    start = end = None
    with open(sys.argv[1], encoding="gbk", errors="replace") as log:
        for line in log:
            text = line[25:]
            if start is None and text.startswith("复制文件夹"):
                start = stamp(line)
            elif start is not None and text.startswith("复制程序文件"):
                end = stamp(line)
                break
    if start is None or end is None:
        sys.exit("log_phase: no copy phase in " + sys.argv[1])
    print(round((end - start).total_seconds() * 1000))


main()
