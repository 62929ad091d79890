#!/usr/bin/env python3
"""Prints how long the copy phase of a silent Setup.exe run took, in
milliseconds, from the time stamps of its log (code page 936 lines
"YYYY-MM-DD HH:MM:SS.mmm  text"): from the first content folder's line to
the program files' line, which the worker writes when the copy is over; nothing
(and exit status 1) for a run that did not end with exit code 0."""
import sys
from datetime import datetime


def stamp(line):
    return datetime.strptime(line[:23], "%Y-%m-%d %H:%M:%S.%f")


def main():
    start = end = None
    succeeded = False
    with open(sys.argv[1], encoding="gbk", errors="replace") as log:
        for line in log:
            text = line[25:].rstrip()
            if start is None and text.startswith("复制文件夹"):
                start = stamp(line)
            elif start is not None and end is None and text.startswith("复制程序文件"):
                end = stamp(line)
            succeeded = text == "结束, 退出代码 0"
    # A run that failed is left out, as its whole time is.
    if start is None or end is None or not succeeded:
        sys.exit("log_phase: no successful copy phase in " + sys.argv[1])
    print(round((end - start).total_seconds() * 1000))


main()
