#!/usr/bin/env python3
"""Every window class Txxxfrm lives in xxxfrm.h and xxxfrm.cpp, and its tests in the same place
under tests/ (users/logonfrm.h: tests/users/logonfrm_test.cpp), so that a window's name leads to
its code and its tests in one step."""
import os
import re
import sys

source = sys.argv[1]
folders = ["db", "ui", "users", "app", "output", "admin", "help", "cli"]
window = re.compile(r"^class (T\w*[fF]rm)\b[^;]*$", re.M)
faults = []
seen = 0
for top in folders:
    for here, _, files in os.walk(os.path.join(source, top)):
        for name in sorted(files):
            if not name.endswith(".h"):
                continue
            path = os.path.join(here, name)
            rel = os.path.relpath(path, source)
            with open(path, encoding="utf-8") as f:
                classes = window.findall(f.read())
            for cls in classes:
                seen += 1
                base = cls[1:].lower()
                if name != base + ".h":
                    faults.append("%s is in %s, not in %s.h" % (cls, rel, base))
                    continue
                if not os.path.exists(os.path.join(here, base + ".cpp")):
                    faults.append("%s has no %s.cpp beside %s" % (cls, base, rel))
                test = os.path.join(source, "tests", os.path.dirname(rel), base + "_test.cpp")
                if not os.path.exists(test):
                    faults.append("%s has no test file %s" % (cls, os.path.relpath(test, source)))
for f in faults:
    print(f)
print("%d windows, %d out of place or without tests" % (seen, len(faults)))
sys.exit(1 if faults else 0)
