"""Publishing by FTP from the publish dialog, to a real FTP server on this machine: the server
set in Web Server Config, a notice written, the day's page of the set sent; the page arrives."""
import datetime
import os
import subprocess
import sys
import tempfile

import harness as h

SOURCE = os.environ.get("PINORA_SOURCE", os.path.join(os.path.dirname(__file__), "..", "..", ".."))


def ftp_server(home):
    server = subprocess.Popen(["/usr/bin/python3", os.path.join(SOURCE, "scripts", "ftpserver.py"),
                               "--user", "web", "--password", "pw", "--home", home],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    port = int(server.stdout.readline())
    return server, port


def main():
    home = tempfile.mkdtemp(prefix="pinora-e2e-ftp-")
    server, port = ftp_server(home)
    try:
        folder = h.database_folder()
        p = h.Program(folder)
        h.new_school(p)
        main_window = h.logon(p, "ADMIN", "secret")
        h.write_notice(p, main_window, "Published notice")
        p.keys("alt+a", "w")  # Administrator, Web Server Config
        title = "Publish HTML Options: WebServer Config"
        config = p.window(title)
        p.activate(title)
        for name, value in [("FTP Server", "127.0.0.1"), ("Port", str(port)),
                            ("Username", "web"), ("Password", "pw")]:
            secret = name == "Password"
            field = p.tab_to(config, "password text" if secret else "text", name)
            p.keys("ctrl+a")  # whatever it held is typed over
            p.type(value)
            if not secret:  # a password field tells a screen reader nothing of its text
                p.wait_text(field, value)
        p.tick(config, "Passive FTP")
        p.tab_to(config, "push button", "Save ")
        p.keys("space")
        p.gone(title)

        p.activate("Pinora 2 (A)")
        p.keys("alt+f", "b")  # File, Publish Notices
        publish = p.window("Publish")
        p.activate("Publish")
        # The day the notice was given (the create dialog's first choice may be tomorrow once
        # the day's deadline has passed).
        start = h.folder_info(folder)["notices"][0]["start"][:10]
        today = datetime.date.today()
        day = "Today" if start == today.isoformat() else "Tomorrow"
        assert start in (today.isoformat(), (today + datetime.timedelta(days=1)).isoformat())
        p.tab_to(publish, "radio button", "Today")
        if day == "Tomorrow":
            p.keys("Down")  # the arrow keys move through a group of choices
            p.wait_focus(publish, "radio button", "Tomorrow")
        p.tab_to(publish, "push button", "Publish")
        p.keys("space")
        pages = h.wait_for("the page on the server", lambda: [
            n for n in os.listdir(home) if n.lower().endswith((".htm", ".html"))])
        page = h.wait_file(os.path.join(home, pages[0]), lambda b: b"</HTML>" in b.upper())
        assert b"Published notice" in page, page
        p.gone("Publish", timeout=60)
        p.screenshot(os.path.join(os.environ.get("PINORA_E2E_SHOTS", folder), "publish.png"))
    finally:
        server.stdin.close()
        server.wait(10)


if __name__ == "__main__":
    h.scenario(main)
