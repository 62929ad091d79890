#!/usr/bin/env python3
"""Prints the copy benchmark's table from the figures bench/run.sh recorded
(one line per run: case, measure, value): medians against the floor's median
and best runs against the floor's best run (noise only ever adds time)."""
import os
import statistics
import sys

TREE_NAMES = {"a": "(a) 20,000 files of 1-16 KB",
              "b": "(b) 20 files of 50 MB",
              "c": "(c) mixed, ~2,000 files"}


def main():
    results, work = sys.argv[1], sys.argv[2]
    runs = {}
    with open(results, encoding="utf-8") as f:
        for line in f:
            case, measure, value = line.rstrip("\n").split("\t")
            if value:
                runs.setdefault((case, measure), []).append(float(value))
    median = {key: statistics.median(values) for key, values in runs.items()}

    start = median.get(("-", "wine process start"))
    for tree in "abc":
        floor = median.get((tree, "floor copy_ms"))
        if floor is None:
            continue
        about = ""
        tree_file = os.path.join(work, f"tree-{tree}.txt")
        if os.path.exists(tree_file):
            about = open(tree_file, encoding="utf-8").read().strip()
        print(f"\n{TREE_NAMES[tree]}: {about.split(': ', 1)[-1]}")
        best_floor = min(runs[(tree, "floor copy_ms")])
        print(f"  {'contender':<46}{'median ms':>11}{'x floor':>9}{'best ms':>9}{'x floor':>9}  runs")
        for key, copied in runs.items():
            if key[0] == tree and key[1].startswith("incomplete"):
                print(f"  ! {key[1][len('incomplete '):]} did not copy every file ({copied[0]:.0f})")
            if key[0] == tree and key[1].startswith("failed"):
                codes = ", ".join(f"{code:.0f}" for code in copied)
                print(f"  ! {key[1][len('failed '):]}: {len(copied)} run(s) left out, exit code {codes}")
        rows = [
            ("Setup.exe, Next to WM_SETUP_DONE", "setup done_ms"),
            ("  of which Next to the copying page (count)", "setup counting_ms"),
            ("  of which Next to the end of the copy", "setup copy_ms"),
            ("  of which the copy phase (from its log)", "setup log_copy_ms"),
            ("Setup.exe /S, whole run (process incl.)", "silent"),
            ("  of which the copy phase (from its log)", "silent copy_ms"),
            ("floor (FindFirstFile/CopyFileA)", "floor copy_ms"),
            ("  floor + attributes cleared per file", "floor --attributes"),
            ("  floor + SendMessage per entry to a UI thread", "floor --notify"),
            ("xcopy /E /I /Q (process included)", "xcopy"),
            ("NSIS CopyFiles /SILENT, /S (process incl.)", "nsis"),
            ("native cp -r (reference)", "cp -r"),
        ]
        for label, measure in rows:
            values = runs.get((tree, measure))
            if not values:
                print(f"  {label:<46}{'-':>11}")
                continue
            m = median[(tree, measure)]
            best = min(values)
            spread = ", ".join(f"{v:.0f}" for v in values)
            print(f"  {label:<46}{m:>11.0f}{m / floor:>9.2f}{best:>9.0f}{best / best_floor:>9.2f}"
                  f"  {spread}")
        wizard, silent = runs.get((tree, "setup log_copy_ms")), runs.get((tree, "silent copy_ms"))
        rounds = runs.get((tree, "wizard/silent copy"))
        if wizard and silent and rounds:
            print(f"  Wizard's copy phase against the silent run's (both from their logs): "
                  f"{statistics.median(wizard) / statistics.median(silent):.2f} x (medians); "
                  f"per round {', '.join(f'{r:.2f}' for r in rounds)}, "
                  f"median {statistics.median(rounds):.2f} x")
        peak = runs.get((tree, "setup peak_ws_kb"))
        if peak:
            print(f"  Setup.exe peak working set: {statistics.median(peak) / 1024:.1f} MB "
                  f"(median; highest {max(peak) / 1024:.1f} MB)")
        welcome = median.get((tree, "setup welcome_ms"))
        if welcome:
            print(f"  Setup.exe start to the welcome page: {welcome:.0f} ms")
    if start is not None:
        print(f"\nStarting one Wine process (wine cmd /c exit): {start:.0f} ms "
              "(inside the xcopy and NSIS figures, not the others)")
    for size in ("1920x1080", "4000x3000"):
        erase = median.get((size, "backdrop erase_ms"))
        build = median.get((size, "backdrop build_ms"))
        if erase is not None:
            print(f"Backdrop {size} JPEG: one erase {erase:.1f} ms, "
                  f"decode and fit alone {build if build is not None else float('nan'):.1f} ms")


if __name__ == "__main__":
    main()
