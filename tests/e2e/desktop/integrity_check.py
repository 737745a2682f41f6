"""The data integrity check from the keyboard: opened from its menu, run to its end, its log
saved beside the database files."""
import os

import harness as h


def main():
    folder = h.database_folder()
    p = h.Program(folder)
    h.new_school(p)
    h.logon(p, "ADMIN", "secret")
    p.keys("alt+a", "d")  # Administrator, Data Integrity Check
    check = p.window("Data Integrity Check")
    p.activate("Data Integrity Check")
    p.tab_to(check, "push button", "Start Check")
    p.keys("space")
    log = p.find(check, "text", "Check log")
    h.wait_for("the check to complete", lambda: "Check Completed: " in p.text_of(h.fresh(log)),
               timeout=120)
    p.tab_to(check, "push button", "Save Log")
    p.keys("space")
    saved = h.wait_file(os.path.join(folder, "DataChk.txt"))
    shown = p.text_of(h.fresh(log))
    assert saved.decode("cp1252") == shown.replace("\n", "\r\n") + "\r\n", (saved, shown)
    assert b"Check Completed: " in saved


if __name__ == "__main__":
    h.scenario(main)
