"""A new school by keyboard alone: the first-run wizard, the first logon, a notice written with a
bold word and an accented letter, submitted; its message file as the other stations read it."""
import os

import harness as h


def main():
    folder = h.database_folder()
    p = h.Program(folder)

    h.new_school(p)
    main_window = h.logon(p, "ADMIN", "secret")
    # "Create a Notice" and "Change my information" share their letter: the first item it is.
    p.keys("alt+f", "Return")
    create = p.window("Create a notice")
    p.tick(create, "Students")
    p.tab_to(create, "push button", "Continue")
    p.keys("space")
    p.gone("Create a notice")
    p.activate("Pinora 2 (A)")
    editor = p.wait_focus(main_window, "text", "Notice text")
    p.enter(editor, "Caf\u00e9 ")
    p.keys("ctrl+b")  # the Bold button's key: it writes the opening tag
    p.wait_text(editor, "Caf\u00e9 <b>")
    p.enter(editor, "bold")
    p.keys("ctrl+b")
    p.wait_text(editor, "Caf\u00e9 <b>bold</b>")
    p.keys("Return")
    p.enter(editor, "Second line")
    p.tab_to(main_window, "push button", "Submit")
    p.keys("space")

    # What every other station reads: Windows-1252, each line ended by CR LF.
    message = os.path.join(folder, "MSG", "1.MSG")
    h.wait_file(message, lambda b: b.endswith(b"\r\n") and b"Second" in b)
    with open(message, "rb") as f:
        got = f.read()
    assert got == b"Caf\xe9 <b>bold</b>\r\nSecond line\r\n", got
    # The post is counted under its lock once the text is written; the editor then closes.
    h.wait_for("the editor to close", lambda: not h.showing(h.fresh(editor)))
    p.screenshot(os.path.join(os.environ.get("PINORA_E2E_SHOTS", folder), "new_school.png"))


if __name__ == "__main__":
    h.scenario(main)
