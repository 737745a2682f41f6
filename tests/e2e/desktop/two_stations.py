"""Two stations on one folder: A holds notice 1 open in its editor while B deletes notice 2
through the browse window; A then submits. Each notice ends as its user left it."""
import os

import harness as h


def browse(p):
    p.activate("Pinora 2 (A)")
    p.keys("alt+f", "Down", "Return")  # File, View/Edit a Notice
    window = p.window("Browse Messages")
    p.activate("Browse Messages")
    return window


def main():
    folder = h.database_folder()
    a = h.Program(folder, "station A")
    h.new_school(a)
    main_a = h.logon(a, "ADMIN", "secret")
    h.write_notice(a, main_a, "First notice")
    h.write_notice(a, main_a, "Second notice")

    b = h.Program(folder, "station B")
    main_b = h.logon(b, "ADMIN", "secret")

    # A opens notice 1 (the first row) in its editor and starts to change it.
    rows_a = browse(a)
    a.wait_focus(rows_a, "table cell", "1")
    a.keys("Return")
    a.gone("Browse Messages")
    editor = a.wait_focus(main_a, "text", "Notice text")
    a.wait_text(editor, "First notice")
    a.keys("ctrl+End")
    a.enter(editor, " changed")

    # Meanwhile B deletes notice 2.
    rows_b = browse(b)
    b.wait_focus(rows_b, "table cell", "1")
    b.keys("Down")
    b.wait_focus(rows_b, "table cell", "2")
    b.keys("Delete")
    sure = b.window("Confirm Deletion")
    b.find(sure, "image", "Question")  # what a screen reader says of the box's picture
    b.activate("Confirm Deletion")
    b.keys("y")
    h.wait_for("notice 2 gone", lambda: [n["number"] for n in h.folder_info(folder)["notices"]]
               == [1])

    # A submits what it typed.
    a.activate("Pinora 2 (A)")
    a.tab_to(main_a, "push button", "Submit")
    a.keys("space")
    h.wait_for("the editor to close", lambda: not h.showing(h.fresh(editor)))
    h.wait_file(os.path.join(folder, "MSG", "1.MSG"), lambda t: t == b"First notice changed\r\n")
    notices = h.folder_info(folder)["notices"]
    assert [n["number"] for n in notices] == [1], notices


if __name__ == "__main__":
    h.scenario(main)
