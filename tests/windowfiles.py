#!/usr/bin/env python3
"""Every window class Txxxfrm lives in xxxfrm.h and xxxfrm.cpp, and its tests in the same place
under tests/ (users/windows/logonfrm.h: tests/users/windows/logonfrm_test.cpp), so that a
window's name leads to its code and its tests in one step. The folders split into logic and
windows keep their windows in windows/, and their logic at the top shows nothing: no widget,
no message box, no presenter.

    windowfiles.py SOURCE        checks the tree at SOURCE
    windowfiles.py --self-test   checks that each kind of fault is found
"""
import os
import re
import sys
import tempfile

FOLDERS = ["db", "ui", "users", "app", "output", "admin", "help", "cli"]
SPLIT = ["users", "app", "output", "admin"]
# The program's entry starts the windows; it is no logic.
ENTRY = {os.path.join("app", "main.cpp")}
WINDOW = re.compile(r"^class (T\w*[fF]rm)\b[^;]*$", re.M)
SHOWS = re.compile(r"ui::present|QMessageBox|QWidget")


def faults(source):
    found = []
    seen = 0
    for top in FOLDERS:
        for here, _, files in os.walk(os.path.join(source, top)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(here, name)
                rel = os.path.relpath(path, source)
                folder = os.path.dirname(rel)
                with open(path, encoding="utf-8") as f:
                    text = f.read()
                if top in SPLIT and folder == top and rel not in ENTRY and SHOWS.search(text):
                    found.append("%s is logic, yet shows a window or a message" % rel)
                if not name.endswith(".h"):
                    continue
                for cls in WINDOW.findall(text):
                    seen += 1
                    base = cls[1:].lower()
                    if top in SPLIT and folder != os.path.join(top, "windows"):
                        found.append("%s is in %s, not in %s/windows/" % (cls, rel, top))
                        continue
                    if name != base + ".h":
                        found.append("%s is in %s, not in %s.h" % (cls, rel, base))
                        continue
                    if not os.path.exists(os.path.join(here, base + ".cpp")):
                        found.append("%s has no %s.cpp beside %s" % (cls, base, rel))
                    test = os.path.join(source, "tests", folder, base + "_test.cpp")
                    if not os.path.exists(test):
                        found.append("%s has no test file %s" % (cls, os.path.relpath(test, source)))
    return seen, found


def self_test():
    """A small tree with one of each fault beside windows that are in order."""
    files = {
        "users/windows/goodfrm.h": "class Tgoodfrm : public QDialog {",
        "users/windows/goodfrm.cpp": "",
        "tests/users/windows/goodfrm_test.cpp": "",
        "ui/lockfrm.h": "class Tlockfrm : public QDialog {",
        "ui/lockfrm.cpp": "",
        "tests/ui/lockfrm_test.cpp": "",
        "users/rules.h": "// The window presents what these return.",
        "users/windows/untestedfrm.h": "class Tuntestedfrm : public QDialog {",
        "users/windows/untestedfrm.cpp": "",
        "users/windows/halffrm.h": "class Thalffrm : public QDialog {",
        "tests/users/windows/halffrm_test.cpp": "",
        "app/topfrm.h": "class Ttopfrm : public QDialog {",
        "app/topfrm.cpp": "",
        "tests/app/topfrm_test.cpp": "",
        "output/windows/pages.h": "class Tpagefrm : public QDialog {",
        "admin/engine.cpp": "    ui::present(r);",
        "app/main.cpp": "QWidget* w;",
    }
    expected = [
        "Thalffrm has no halffrm.cpp beside users/windows/halffrm.h",
        "Tuntestedfrm has no test file tests/users/windows/untestedfrm_test.cpp",
        "Ttopfrm is in app/topfrm.h, not in app/windows/",
        "Tpagefrm is in output/windows/pages.h, not in pagefrm.h",
        "admin/engine.cpp is logic, yet shows a window or a message",
    ]
    with tempfile.TemporaryDirectory() as tree:
        for rel, text in files.items():
            path = os.path.join(tree, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text + "\n")
        seen, found = faults(tree)
    missed = [f for f in expected if f not in found]
    extra = [f for f in found if f not in expected]
    for f in missed:
        print("not found: " + f)
    for f in extra:
        print("found, but no fault: " + f)
    print("%d windows, %d of %d faults found, %d more" %
          (seen, len(expected) - len(missed), len(expected), len(extra)))
    return 1 if missed or extra or seen != 6 else 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    seen, found = faults(sys.argv[1])
    for f in found:
        print(f)
    print("%d windows, %d out of place or without tests" % (seen, len(found)))
    return 1 if found else 0


sys.exit(main())
