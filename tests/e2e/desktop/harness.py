"""Drives the real program as staff do: started from a database folder on an X display, its
windows and controls found through the accessibility bus by role and name (what a screen reader
hears), keys typed through the X server. Waits are for a window, a control or a file, never a
fixed time.

A scenario runs inside its own X server and session bus (run.sh starts both), so it never
touches the desktop of whoever runs the tests.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

BIN = os.environ.get("PINORA_BIN", "")
TIMEOUT = float(os.environ.get("PINORA_E2E_TIMEOUT", "30"))


class Failed(Exception):
    pass


def pump():
    """Takes in what the bus has told meanwhile (programs and windows that came and went), which
    keeps what the bus caches of each program up to date."""
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_for(what, probe, timeout=TIMEOUT):
    """probe() until it returns something true; fails naming what was awaited."""
    end = time.monotonic() + timeout
    while True:
        pump()
        try:
            got = probe()
        except Exception:  # the tree changes under us while windows open and close
            got = None
        if got:
            return got
        if time.monotonic() > end:
            raise Failed("waited %ds for %s" % (timeout, what))
        time.sleep(0.05)


def database_folder(fresh=True):
    """A folder laid out as scripts/deploy.sh lays it out, empty of data when fresh."""
    folder = tempfile.mkdtemp(prefix="pinora-e2e-")
    for sub in ("MSG", "TEMP", "help"):
        os.makedirs(os.path.join(folder, sub), exist_ok=True)
    shutil.copy2(os.path.join(BIN, "pinora2"), folder)
    help_dir = os.path.join(BIN, "help")
    if os.path.isdir(help_dir):
        for name in os.listdir(help_dir):
            shutil.copy2(os.path.join(help_dir, name), os.path.join(folder, "help"))
    return folder


def fresh(acc):
    """acc with what the bus cached of it and below forgotten: nothing here runs the event loop
    that would keep that cache up to date."""
    try:
        acc.clear_cache()
    except Exception:
        pass
    return acc


def walk(acc, depth=0, limit=40):
    if acc is None or depth > limit:
        return
    yield acc
    try:
        count = acc.childCount
    except Exception:
        return
    for i in range(count):
        try:
            child = acc.getChildAtIndex(i)
        except Exception:
            continue
        yield from walk(child, depth + 1, limit)


def states(acc):
    try:
        return fresh(acc).getState().getStates()
    except Exception:
        return []


def showing(acc):
    return pyatspi.STATE_SHOWING in states(acc)


class Program:
    """One running copy of the program: a station."""

    def __init__(self, folder, name="station"):
        # The accessibility bus and its registry up first, so that the program finds them when
        # it starts instead of deciding that nobody listens.
        pyatspi.Registry.getDesktop(0).childCount
        self.folder = folder
        self.name = name
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                   QT_QPA_PLATFORM="xcb")
        env.pop("QT_QPA_PLATFORMTHEME", None)
        self.log = open(os.path.join(folder, "..", os.path.basename(folder) + "-" + name + ".log"),
                        "w")
        env.pop("PINORA_FOLDER", None)
        self.proc = subprocess.Popen([os.path.join(folder, "pinora2"), "--folder", folder],
                                     env=env, cwd=folder,
                                     stdout=self.log, stderr=subprocess.STDOUT,
                                     start_new_session=True)
        RUNNING.append(self)
        self.app = wait_for("%s on the accessibility bus" % name, self._find_app)

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        # A program that joined the bus just before us may be missing from the list the bus
        # library keeps: now and then it is read afresh (the read after the clearing has it).
        self._looks = getattr(self, "_looks", 0) + 1
        if self._looks % 20 == 0:
            desktop.clear_cache()
            desktop.childCount
            time.sleep(0.2)
            pump()
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == self.proc.pid:
                return app
        return None

    # ---- windows and controls ----------------------------------------------------------

    def shown(self):
        """The program's top-level windows that show now."""
        fresh(self.app)
        out = []
        for i in range(self.app.childCount):
            w = self.app.getChildAtIndex(i)
            if w is not None and showing(w):
                out.append(w)
        return out

    def window(self, name, timeout=TIMEOUT):
        """The top-level window of that title, once it shows."""
        def probe():
            self.check_alive()
            return next((w for w in self.shown() if w.name == name), None)
        return wait_for("window '%s' of %s" % (name, self.name), probe, timeout)

    def gone(self, name, timeout=TIMEOUT):
        wait_for("window '%s' of %s to close" % (name, self.name),
                 lambda: all(w.name != name for w in self.shown()), timeout)

    def windows(self):
        return [w.name for w in self.shown()]

    def find(self, root, role, name=None, timeout=TIMEOUT):
        """A showing control of that role (and accessible name) below root."""
        def probe():
            for acc in walk(fresh(root)):
                if acc.getRoleName() == role and (name is None or acc.name == name) \
                        and showing(acc):
                    return acc
            return None
        return wait_for("%s '%s' in '%s'" % (role, name, root.name), probe, timeout)

    def focused(self, root):
        """The control with the keyboard focus. A list reports its current item as focused
        even when the focus is elsewhere, so an item counts only while its list has it."""
        found = [acc for acc in walk(fresh(root)) if pyatspi.STATE_FOCUSED in states(acc)]
        items = ("list item", "table cell", "tree item")
        for acc in found:
            if acc.getRoleName() in ("list", "table", "tree", "tree table"):
                inner = [a for a in found if a.getRoleName() in items and a.parent == acc]
                return inner[0] if inner else acc
        rest = [acc for acc in found if acc.getRoleName() not in items]
        return rest[0] if rest else None

    def wait_focus(self, root, role, name=None, timeout=TIMEOUT):
        def probe():
            f = self.focused(root)
            if f is not None and f.getRoleName() == role and (name is None or f.name == name):
                return f
            return None
        return wait_for("focus on %s '%s' in '%s'" % (role, name, root.name), probe, timeout)

    def text_of(self, acc):
        t = acc.queryText()
        return t.getText(0, t.characterCount)

    def wait_text(self, acc, want, timeout=TIMEOUT):
        """Until the control's text is want (keys typed arrive in their own time)."""
        seen = []

        def probe():
            seen[:] = [self.text_of(fresh(acc))]
            return seen[0] == want
        try:
            return wait_for("%r in %s '%s'" % (want, acc.getRoleName(), acc.name), probe, timeout)
        except Failed as e:
            raise Failed("%s (it holds %r)" % (e, seen[0] if seen else None))

    def enter(self, acc, text):
        """Types text at the end of what the control holds and waits until it shows. A letter
        that the program missed (a key remapped for a moment, as xdotool does for letters
        beyond the layout) is put right as a typist would: back over it, and type again."""
        want = self.text_of(fresh(acc)) + text
        self.type(text)
        for _ in range(4):
            try:
                return self.wait_text(acc, want, timeout=5)
            except Failed:
                have = self.text_of(fresh(acc))
                same = len(os.path.commonprefix([have, want]))
                self.keys(*["BackSpace"] * (len(have) - same))
                self.type(want[same:])
        return self.wait_text(acc, want)

    def press(self, button):
        """A button pressed through its accessible action, as a screen reader user does."""
        action = button.queryAction()
        for i in range(action.nActions):
            if action.getName(i) in ("Press", "press", "click"):
                action.doAction(i)
                return
        action.doAction(0)

    def dump(self, out=sys.stdout):
        """The showing windows as a screen reader walks them, for a failure's report."""
        def show(acc, depth):
            marks = " (focused)" if pyatspi.STATE_FOCUSED in states(acc) else ""
            out.write("%s[%s] %r%s\n" % ("  " * depth, acc.getRoleName(), acc.name, marks))
            for i in range(acc.childCount):
                child = acc.getChildAtIndex(i)
                if child is not None and showing(child):
                    show(child, depth + 1)
        try:
            for w in self.shown():
                show(w, 0)
        except Exception as e:
            out.write("(cannot walk %s: %s)\n" % (self.name, e))

    # ---- the keyboard --------------------------------------------------------------------

    def x_window(self, title):
        out = subprocess.run(["xdotool", "search", "--all", "--pid", str(self.proc.pid),
                              "--name", "^%s$" % re.escape(title)], capture_output=True, text=True).stdout
        ids = out.split()
        return ids[-1] if ids else None

    def activate(self, title):
        """The X keyboard focus on the window of that title (there is no window manager)."""
        wid = wait_for("X window '%s'" % title, lambda: self.x_window(title))
        subprocess.run(["xdotool", "windowfocus", "--sync", wid], check=False)
        return wid

    def tab_to(self, root, role, name=None, limit=40):
        """Tab until the focus is on that control, as a keyboard user moves through a window."""
        for _ in range(limit):
            f = self.focused(root)
            if f is not None and f.getRoleName() == role and (name is None or f.name == name):
                return f
            self.keys("Tab")
            time.sleep(0.02)
            pump()
        raise Failed("Tab never reached %s '%s' in '%s'" % (role, name, root.name))

    def tick(self, root, name, on=True):
        """The check box of that name ticked (or not) by Tab and Space, whatever it showed."""
        box = self.tab_to(root, "check box", name)
        if (pyatspi.STATE_CHECKED in states(box)) != on:
            self.keys("space")
            wait_for("'%s' %s" % (name, "ticked" if on else "clear"),
                     lambda: (pyatspi.STATE_CHECKED in states(box)) == on)
        return box

    def keys(self, *names):
        for name in names:
            subprocess.run(["xdotool", "key", "--clearmodifiers", name], check=True)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "15", text], check=True)

    # ---- the end -------------------------------------------------------------------------

    def check_alive(self):
        if self.proc.poll() is not None:
            raise Failed("%s ended (exit %s); see %s" % (self.name, self.proc.returncode,
                                                        self.log.name))

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], check=False)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
        self.log.close()


def new_school(p, password="secret", school="Hillside School", first_set="Students"):
    """The first-run wizard by keyboard alone, ending at the logon."""
    w = p.window("Welcome")
    p.activate("Welcome")
    p.wait_focus(w, "push button", "Next")
    p.keys("Return")
    steps = [("password text", "Administrator Password:", [password, password]),
             ("text", "School Name:", [school, "(c) 2026"]),
             ("text", "Notice Set One Name:", [first_set])]
    for role, first, fields in steps:
        p.wait_focus(w, role, first)
        for k, text in enumerate(fields):
            if k:
                p.keys("Tab")
            p.type(text)
        p.keys("Return")


def logon(p, name, password, title="Pinora 2 (A)"):
    """The logon box by keyboard; returns the main window once it shows."""
    box = p.window("Pinora:")
    p.activate("Pinora:")
    p.wait_focus(box, "text")
    p.type(name)
    p.keys("Tab")
    p.type(password)
    p.keys("Return")
    main = p.window(title)
    p.activate(title)
    return main


def folder_info(folder):
    """What pinoractl info --json says of the folder, as another tool on the share sees it."""
    import json
    out = subprocess.run([os.path.join(BIN, "pinoractl"), "--folder", folder, "info", "--json"],
                         capture_output=True, text=True, check=True).stdout
    return json.loads(out)


def write_notice(p, main_window, text):
    """A notice for today in the first set, written and submitted by keyboard."""
    p.keys("alt+f", "Return")  # File, Create a Notice
    create = p.window("Create a notice")
    p.tick(create, "Students")
    p.tab_to(create, "push button", "Continue")
    p.keys("space")
    p.gone("Create a notice")
    p.activate(main_window.name)
    editor = p.wait_focus(main_window, "text", "Notice text")
    p.enter(editor, text)
    p.tab_to(main_window, "push button", "Submit")
    p.keys("space")
    wait_for("the editor to close", lambda: not showing(fresh(editor)))


def wait_file(path, test=lambda b: True, timeout=TIMEOUT):
    def probe():
        if not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            data = f.read()
        return data if test(data) else None
    return wait_for("file %s" % path, probe, timeout)


RUNNING = []


def scenario(fn):
    """Runs fn; on failure prints what each station shows and leaves a screenshot, so CTest
    shows what went wrong. Every station started is stopped either way."""
    try:
        fn()
    except (Failed, AssertionError) as e:
        print("FAILED:", e)
        for p in RUNNING:
            print("--- what %s shows:" % p.name)
            p.dump()
        shot = os.path.join(tempfile.gettempdir(), "pinora-e2e-failed.png")
        subprocess.run(["import", "-window", "root", shot], check=False)
        print("screenshot:", shot)
        sys.exit(1)
    finally:
        for p in RUNNING:
            p.stop()
    print("passed")
