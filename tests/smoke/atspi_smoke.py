#!/usr/bin/python3
"""Drives the built desktop program from outside, through the accessibility bus, the way a
screen reader or a test robot does: it starts `lumo`, finds it among the AT-SPI applications,
reads names, roles, descriptions and texts, and presses menu items and buttons through their
AT-SPI actions.

    atspi_smoke.py LUMO LUMO_RENDER

Run it through atspi_smoke.sh, which gives it an X display and a session bus of its own. Each
check prints PASS or FAIL with its name; the last line is "N passed, N failed" and the exit
status is 1 when a check failed. Each scenario starts a fresh program and ends with File >
Exit; a failed check ends its scenario (its later checks are listed as not run) unless the
checks after it do not depend on it.

LUMO_SMOKE_STEP_SECONDS (10), LUMO_SMOKE_START_SECONDS (30) and LUMO_SMOKE_TOTAL_SECONDS (150)
bound one step, one start-up and the whole run.
"""

import ctypes
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, Gio, GLib  # noqa: E402

# How long one step may take: a window to appear, a title to change, the program to end.
# A sanitizer build starts several times slower than a release build.
STEP_SECONDS = float(os.environ.get("LUMO_SMOKE_STEP_SECONDS", "10"))
START_SECONDS = float(os.environ.get("LUMO_SMOKE_START_SECONDS", "30"))
# The whole run stays well inside CTest's timeout, so that CTest never has to kill it.
TOTAL_SECONDS = float(os.environ.get("LUMO_SMOKE_TOTAL_SECONDS", "150"))
POLL_SECONDS = 0.1

ACTION_INTERFACE = "org.a11y.atspi.Action"
PR_SET_PDEATHSIG = 1

deadline = time.monotonic() + TOTAL_SECONDS


class CheckFailed(Exception):
    pass


class OutOfTime(Exception):
    pass


class Interrupted(BaseException):
    pass


def interrupt(signum, _frame):
    raise Interrupted(f"interrupted by signal {signum}")


def wait_for(what, probe, seconds=STEP_SECONDS, session=None, seen=None):
    """Polls probe() until it returns something true and returns that. A program that does not
    answer for a moment (a render in progress) is asked again; a program that ended, or a
    probe still false when the time is up, fails the check, saying what seen() describes."""
    end = time.monotonic() + seconds
    last_error = None
    while True:
        if time.monotonic() > deadline:
            raise OutOfTime(f"the whole run took more than {TOTAL_SECONDS:.0f} s")
        if session is not None:
            session.fail_if_ended(what)
        try:
            result = probe()
            if result:
                return result
        except GLib.Error as error:
            last_error = error.message
        if time.monotonic() > end:
            state = f" ({seen()})" if seen else ""
            if last_error:
                state += f" (last answer: {last_error})"
            raise CheckFailed(f"{what}: not seen within {seconds:.0f} s{state}")
        time.sleep(POLL_SECONDS)


def name_of(accessible):
    # Names change (the frame's title during a render); never answer from a stale copy.
    accessible.clear_cache()
    return accessible.get_name() or ""


def children_of(accessible):
    count = accessible.get_child_count()
    return [child for child in (accessible.get_child_at_index(i) for i in range(count)) if child]


def descendants(accessible, roles):
    """Every descendant whose role name is in roles, in tree order (the order of creation)."""
    found = []
    for child in children_of(accessible):
        if child.get_role_name() in roles:
            found.append(child)
        found.extend(descendants(child, roles))
    return found


def find_named(accessible, roles, name):
    for candidate in descendants(accessible, roles):
        if name_of(candidate) == name:
            return candidate
    return None


def texts_in(accessible):
    """The texts a screen reader reads out of a box: its labels, in order."""
    return [name_of(label) for label in descendants(accessible, {"label"}) if name_of(label)]


def action_names(accessible):
    # libatspi deprecates get_action_name for get_name, which Python cannot reach: the
    # accessible's own get_name comes first.
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        return [Atspi.Action.get_action_name(accessible, i)
                for i in range(Atspi.Action.get_n_actions(accessible))]


def describe(accessible):
    return f"{accessible.get_role_name()} {name_of(accessible)!r}"


def listing(accessibles):
    return ", ".join(repr(name_of(a)) for a in accessibles) or "nothing"


class Session:
    """One run of the desktop program with a settings folder of its own."""

    def __init__(self, lumo, workdir, label, arguments=()):
        self.label = label
        self.config = tempfile.mkdtemp(prefix=f"config-{label}-", dir=workdir)
        self.output_path = os.path.join(workdir, f"lumo-{label}.log")
        self.output = open(self.output_path, "wb")
        env = dict(os.environ, LUMO_CONFIG_DIR=self.config)
        self.process = subprocess.Popen(
            [lumo, *arguments], env=env, stdin=subprocess.DEVNULL, stdout=self.output,
            stderr=subprocess.STDOUT, preexec_fn=die_with_parent)
        pid_file = os.environ.get("LUMO_SMOKE_PIDS")
        if pid_file:
            with open(pid_file, "a") as pids:
                pids.write(f"{self.process.pid}\n")
        self.connections = []
        self.a11y_bus = None
        self.app = None
        self.frame = None
        self.app_bus_address = None

    def fail_if_ended(self, what):
        status = self.process.poll()
        if status is not None:
            how = f"by {signal.Signals(-status).name}" if status < 0 else f"with status {status}"
            raise CheckFailed(f"{what}: the program ended {how}\n" + self.output_tail())

    def output_tail(self, lines=30):
        self.output.flush()
        with open(self.output_path, "rb") as log:
            text = log.read().decode("utf-8", "replace").splitlines()
        return "\n".join("    | " + line for line in text[-lines:])

    def wait_until_shown(self):
        def application():
            desktop = Atspi.get_desktop(0)
            for app in children_of(desktop):
                if app.get_process_id() == self.process.pid:
                    return app
            return None

        self.app = wait_for("the program on the accessibility bus", application, START_SECONDS,
                            self)
        self.frame = wait_for("the main frame",
                              lambda: next((w for w in children_of(self.app)
                                            if descendants(w, {"menu bar"})), None),
                              START_SECONDS, self,
                              seen=lambda: "windows: " + listing(children_of(self.app)))
        self.app_bus_address = self.private_bus_address()

    def private_bus_address(self):
        """The program's own bus, which the accessibility bridge serves beside the
        accessibility bus; empty when the bridge offers none."""
        session_bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        a11y_address = session_bus.call_sync(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
            GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, 5000, None).unpack()[0]
        self.a11y_bus = Gio.DBusConnection.new_for_address_sync(
            a11y_address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
        self.connections.append(self.a11y_bus)
        return self.a11y_bus.call_sync(
            self.app.app.bus_name, "/org/a11y/atspi/accessible/root",
            "org.a11y.atspi.Application", "GetApplicationBusAddress", None,
            GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, 5000, None).unpack()[0]

    def top_levels(self):
        return children_of(self.app)

    def windows_besides_frame(self):
        return [w for w in self.top_levels() if w.path != self.frame.path]

    def act(self, accessible, action="click"):
        """Performs one of the object's AT-SPI actions.

        GTK runs a menu item's action inside the bridge's handler of the D-Bus call, and a
        command that opens a modal box (the render's report, a dialog) only returns when the
        box closes; until then the program does not read that connection again. So every
        action goes over a connection of its own to the program's bus, and the questions that
        follow (libatspi's connection) are still answered while the box is open."""
        what = f"{action} on {describe(accessible)}"
        names = action_names(accessible)
        if action not in names:
            raise CheckFailed(f"{what}: it offers only {names}")
        if self.app_bus_address:
            connection = Gio.DBusConnection.new_for_address_sync(
                self.app_bus_address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT, None, None)
            self.connections.append(connection)
            destination = None
        else:
            connection = self.a11y_bus
            destination = self.app.app.bus_name
        try:
            # The bridge answers before it runs the action.
            done = connection.call_sync(
                destination, accessible.path, ACTION_INTERFACE, "DoAction",
                GLib.Variant("(i)", (names.index(action),)), GLib.VariantType("(b)"),
                Gio.DBusCallFlags.NONE, int(STEP_SECONDS * 1000), None).unpack()[0]
        except GLib.Error as error:
            raise CheckFailed(f"{what}: {error.message}")
        if not done:
            raise CheckFailed(f"{what}: refused (greyed out or hidden)")

    def menu(self, name):
        menus = descendants(self.frame, {"menu"})
        found = next((m for m in menus if name_of(m) == name), None)
        if found is None:
            raise CheckFailed(f"no menu {name!r} (the menu bar has {listing(menus)})")
        return found

    def menu_items(self, menu):
        return [c for c in children_of(self.menu(menu)) if c.get_role_name() != "separator"]

    def menu_item(self, menu, item):
        items = self.menu_items(menu)
        found = next((c for c in items if name_of(c) == item), None)
        if found is None:
            raise CheckFailed(f"no item {item!r} in {menu!r} (it has {listing(items)})")
        return found

    def choose(self, menu, item):
        self.act(self.menu_item(menu, item))

    def wait_for_window(self, what, match):
        return wait_for(what, lambda: next((w for w in self.windows_besides_frame() if match(w)),
                                           None), session=self, seen=self.windows_seen)

    def windows_seen(self):
        return "windows: " + "; ".join(f"{describe(w)} saying {texts_in(w)}"
                                       for w in self.top_levels())

    def title_seen(self):
        return f"the title is {name_of(self.frame)!r}"

    def press(self, window, button):
        found = find_named(window, {"push button"}, button)
        if found is None:
            buttons = descendants(window, {"push button"})
            raise CheckFailed(f"no button {button!r} in {describe(window)} "
                              f"(it has {listing(buttons)})")
        self.act(found)

    def wait_until_gone(self, what, window):
        path = window.path
        wait_for(what, lambda: all(w.path != path for w in self.top_levels()), session=self)

    def close(self):
        """File > Exit, answering "No" to a question about saving; whatever a failed check left
        open is cancelled first. Returns the program's exit status."""
        if self.process.poll() is None:
            self.dismiss_leftovers()
            self.choose("File", "Exit")

            def ended():
                if self.process.poll() is not None:
                    return True
                for window in self.windows_besides_frame():
                    if any(t.startswith("Save changes") for t in texts_in(window)):
                        self.press(window, "No")
                return False

            wait_for("the program ending after File > Exit", ended)
        return self.process.wait(timeout=1)

    def dismiss_leftovers(self):
        for window in self.windows_besides_frame():
            what = describe(window)
            button = next((b for b in ("Cancel", "No", "OK")
                           if find_named(window, {"push button"}, b)), None)
            if button is None:
                raise CheckFailed(f"{what} is still open and has no Cancel, No or OK button")
            self.press(window, button)
            self.wait_until_gone(f"{what} closing after {button}", window)

    def kill(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=3)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def release(self):
        self.kill()
        for connection in self.connections:
            try:
                connection.close_sync(None)
            except GLib.Error:
                pass
        self.output.close()


def die_with_parent():
    # If this script dies, however it dies, the program it started dies with it.
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


class Report:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, step):
        try:
            result = step()
        except GLib.Error as error:
            # The program stopped answering (it ended, or an object went away under us).
            failure = CheckFailed(f"the accessibility bus: {error.message}")
            self.fail(name, failure)
            raise failure
        except CheckFailed as failure:
            self.fail(name, failure)
            raise
        self.passed += 1
        print(f"PASS {name}", flush=True)
        return result

    def fail(self, name, failure):
        self.failed += 1
        print(f"FAIL {name}\n    {failure}", flush=True)

    def not_run(self, names):
        for name in names:
            print(f"---- {name} (not run)", flush=True)


class Scenario:
    """Checks on one fresh program. Checks marked independent are reported and the scenario
    goes on when they fail; any other failure ends the scenario."""

    def __init__(self, report, session, title):
        self.report = report
        self.session = session
        self.pending = []
        if title:
            print(f"== {title}", flush=True)

    def expect(self, names):
        self.pending = list(names)

    def check(self, name, step, independent=False):
        if name in self.pending:
            self.pending.remove(name)
        try:
            return self.report.check(name, step)
        except CheckFailed:
            if not independent:
                raise

    def close(self):
        """Always run: closing cleanly is a check of its own (a sanitizer build reports leaks
        and errors through its exit status)."""
        name = "the program exits through File > Exit with status 0"
        self.report.not_run(self.pending)
        try:
            def closes():
                status = self.session.close()
                if status < 0:
                    raise CheckFailed(f"ended by {signal.Signals(-status).name}\n"
                                      + self.session.output_tail())
                if status != 0:
                    raise CheckFailed(f"exit status {status}\n" + self.session.output_tail())
            self.report.check(name, closes)
        except CheckFailed:
            pass
        finally:
            self.session.release()


def run_scenario(report, lumo, workdir, label, title, checks, arguments=()):
    """checks(scenario) runs the scenario's checks; a failure ends it and the program is
    closed (or killed) either way."""
    session = Session(lumo, workdir, label, arguments)
    scenario = Scenario(report, session, title)
    try:
        scenario.check("the program starts and shows its frame", session.wait_until_shown)
        checks(scenario, session)
    except CheckFailed:
        pass
    except BaseException:
        # Out of time or interrupted: no clean close, no further checks.
        session.release()
        raise
    if session.app is None:
        scenario.report.not_run(scenario.pending)
        session.release()
    else:
        scenario.close()


# The menus.

MENU_BAR = ["File", "Edit", "View", "Scene", "Go", "Debug", "Help"]
FILE_MENU = ["New", "Open...", "Save Script", "Recent File", "Export Image...", "Open Scene...",
             "Save Scene As...", "Exit"]
# GTK publishes an item's keys as "mnemonic;the keys from the menu bar;accelerator", and
# nothing for an item without a mnemonic.
MENU_KEYS = {"File": "<Alt>f;<Alt>f;", "Edit": "<Alt>e;<Alt>e;", "View": "<Alt>v;<Alt>v;",
             "Scene": "", "Go": "<Alt>g;<Alt>g;", "Debug": "<Alt>d;<Alt>d;",
             "Help": "<Alt>h;<Alt>h;"}
FILE_KEYS = {"New": "n;<Alt>f:n;<Primary>n", "Open...": "o;<Alt>f:o;<Primary>o",
             "Save Script": "", "Exit": "x;<Alt>f:x;"}


def menus_checks(scenario, session):
    def menu_bar():
        bar = descendants(session.frame, {"menu bar"})[0]
        names = [name_of(m) for m in children_of(bar)]
        if names != MENU_BAR:
            raise CheckFailed(f"the menu bar has {names}, expected {MENU_BAR}")

    def file_menu():
        names = [name_of(c) for c in session.menu_items("File")]
        if names != FILE_MENU:
            missing = [n for n in FILE_MENU if n not in names]
            raise CheckFailed(f"the File menu has {names}, expected {FILE_MENU}"
                              + (f"; missing {missing}" if missing else ""))

    def keys():
        wrong = []
        published = [(menu, session.menu(menu), binding) for menu, binding in MENU_KEYS.items()]
        published += [(item, session.menu_item("File", item), binding)
                      for item, binding in FILE_KEYS.items()]
        for name, accessible, binding in published:
            found = Atspi.Action.get_key_binding(accessible, 0) or ""
            if found != binding:
                wrong.append(f"{name}: {found!r}, expected {binding!r}")
        if wrong:
            raise CheckFailed("keys published: " + "; ".join(wrong))

    scenario.expect(["the menu bar's menus, in order", "the File menu's items, in order",
                     "mnemonics and accelerators of the menus and of File's items"])
    scenario.check("the menu bar's menus, in order", menu_bar, independent=True)
    scenario.check("the File menu's items, in order", file_menu, independent=True)
    scenario.check("mnemonics and accelerators of the menus and of File's items", keys,
                   independent=True)


# A render.

RENDER_REPORT = re.compile(r"Render thread 0x[0-9a-f]+ took \d+ seconds")


def render_checks(scenario, session):
    state = {}

    def render_reports():
        session.choose("Go", "Same Thread")

        def report_box():
            for window in session.windows_besides_frame():
                texts = texts_in(window)
                if any(RENDER_REPORT.fullmatch(t) for t in texts):
                    return window, texts
            return None

        state["box"], _ = wait_for(
            "a box whose text reads \"Render thread 0x... took N seconds\"", report_box,
            session=session, seen=session.windows_seen)
        if state["box"].get_role_name() not in ("alert", "dialog"):
            raise CheckFailed(f"the report is a {describe(state['box'])}, not a message box")

    def box_named():
        name = name_of(state["box"])
        if name != "Finished Rendering":
            raise CheckFailed(f"the box is published as {describe(state['box'])}; GTK names a "
                              "message box after its icon's kind (\"Information\") and keeps "
                              "the caption in the window title, unless the box has no icon")

    def ok_closes():
        session.press(state["box"], "OK")
        session.wait_until_gone("the box closing", state["box"])
        wait_for("the title \"Untitled - lumo\"", lambda: name_of(session.frame)
                 == "Untitled - lumo", session=session, seen=session.title_seen)

    scenario.expect(["Go > Same Thread ends in a box reporting the render's seconds",
                     "the box is named \"Finished Rendering\"",
                     "OK closes it and the title loses \"Rendering...\""])
    scenario.check("Go > Same Thread ends in a box reporting the render's seconds",
                   render_reports)
    scenario.check("the box is named \"Finished Rendering\"", box_named, independent=True)
    scenario.check("OK closes it and the title loses \"Rendering...\"", ok_closes)


# The camera dialog.

EDIT_ROLES = {"text", "entry"}
CAMERA_NAMES = ["X", "Y", "Z", "X", "Y", "Z"]
CAMERA_GROUPS = ["Look at"] * 3 + ["Poistion"] * 3
# The default scene's eye and viewing direction.
CAMERA_TEXTS = ["0", "-5", "-110", "0", "-0.0500000007450581", "1"]


def camera_checks(scenario, session):
    state = {}

    def opens():
        session.choose("Scene", "Camera")
        state["dialog"] = session.wait_for_window("the window \"Camera Dialog\"",
                                                  lambda w: name_of(w) == "Camera Dialog")

    def six_edits():
        edits = descendants(state["dialog"], EDIT_ROLES)
        spins = descendants(state["dialog"], {"spin button"})
        if len(edits) != 6 or len(spins) != 6:
            raise CheckFailed(f"{len(edits)} edits (role text) and {len(spins)} spin buttons, "
                              "expected 6 of each")
        texts = [Atspi.Text.get_text(e, 0, -1) for e in edits]
        if texts != CAMERA_TEXTS:
            raise CheckFailed(f"the edits show {texts}, expected {CAMERA_TEXTS}")
        state["edits"] = edits

    def named():
        found = [(name_of(e), e.get_description() or "") for e in state["edits"]]
        expected = list(zip(CAMERA_NAMES, CAMERA_GROUPS))
        if found != expected:
            raise CheckFailed(f"the edits' names and descriptions are {found}, "
                              f"expected {expected}")

    def cancel_closes():
        session.press(state["dialog"], "Cancel")
        session.wait_until_gone("the camera dialog closing", state["dialog"])

    scenario.expect(["Scene > Camera opens \"Camera Dialog\"",
                     "six edits showing the default scene's camera",
                     "the edits are named X, Y, Z and described by their group",
                     "Cancel closes the dialog"])
    scenario.check("Scene > Camera opens \"Camera Dialog\"", opens)
    scenario.check("six edits showing the default scene's camera", six_edits)
    scenario.check("the edits are named X, Y, Z and described by their group", named,
                   independent=True)
    scenario.check("Cancel closes the dialog", cancel_closes)


# A scene file named on the command line.

def scene_file_checks(name):
    def checks(scenario, session):
        def titled():
            wait_for(f"the title \"{name} - lumo\"",
                     lambda: name_of(session.frame) == f"{name} - lumo", session=session,
                     seen=session.title_seen)

        def no_box():
            # The file is read at start-up, so a box about it is up by now; a moment more lets
            # one that is on its way reach the bus.
            time.sleep(1.0)
            boxes = session.windows_besides_frame()
            if boxes:
                raise CheckFailed("a window came up: " + "; ".join(
                    f"{describe(b)} saying {texts_in(b)}" for b in boxes))

        scenario.expect([f"the frame is titled \"{name} - lumo\"", "no message box comes up"])
        scenario.check(f"the frame is titled \"{name} - lumo\"", titled)
        scenario.check("no message box comes up", no_box)

    return checks


# A file named on the command line that cannot be read: the program says so in a box (started
# from the desktop, nobody reads standard error), and ends with status 1 once it is closed.

def unreadable_file_checks(report, lumo, workdir):
    print("== A file on the command line that cannot be read", flush=True)
    missing = os.path.join(workdir, "missing.lmo")
    session = Session(lumo, workdir, "unreadable", [missing])
    said = f"cannot read '{missing}': No such file or directory"

    def application():
        return next((app for app in children_of(Atspi.get_desktop(0))
                     if app.get_process_id() == session.process.pid), None)

    def box():
        session.app = wait_for("the program on the accessibility bus", application,
                               START_SECONDS, session)
        session.app_bus_address = session.private_bus_address()
        return wait_for("a box saying the file cannot be read",
                        lambda: next((w for w in session.top_levels() if said in texts_in(w)),
                                     None),
                        START_SECONDS, session, seen=session.windows_seen)

    def ends_with_status_one():
        session.press(window, "OK")
        status = session.process.wait(timeout=STEP_SECONDS * 3)
        if status != 1:
            raise CheckFailed(f"exit status {status}, expected 1\n" + session.output_tail())
        if f"lumo: {said}" not in session.output_tail():
            raise CheckFailed("standard error lacks the line\n" + session.output_tail())

    try:
        window = report.check("a box says the file cannot be read", box)
        report.check("OK ends the program with status 1 and the line on standard error",
                     ends_with_status_one)
    except CheckFailed:
        pass
    finally:
        session.release()


def save_default_scene(lumo_render, workdir, path):
    config = tempfile.mkdtemp(prefix="config-render-", dir=workdir)
    result = subprocess.run([lumo_render, "--save-scene", path], env=dict(
        os.environ, LUMO_CONFIG_DIR=config), stdin=subprocess.DEVNULL, capture_output=True,
        text=True, timeout=STEP_SECONDS * 3)
    if result.returncode != 0 or not os.path.isfile(path):
        raise CheckFailed(f"lumo-render --save-scene {path}: status {result.returncode}\n"
                          f"{result.stdout}{result.stderr}")


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    lumo, lumo_render = argv[1], argv[2]
    for program in (lumo, lumo_render):
        if not os.access(program, os.X_OK):
            print(f"atspi_smoke.py: {program} is not a program that can be run", file=sys.stderr)
            return 2
    # A screen reader is not kept waiting long by a program that does not answer.
    Atspi.set_timeout(5000, int(START_SECONDS * 1000))
    signal.signal(signal.SIGTERM, interrupt)
    signal.signal(signal.SIGINT, interrupt)
    workdir = tempfile.mkdtemp(prefix="lumo-smoke-")
    report = Report()
    try:
        run_scenario(report, lumo, workdir, "menus", "Menus", menus_checks)
        run_scenario(report, lumo, workdir, "render", "A render", render_checks)
        run_scenario(report, lumo, workdir, "camera", "The camera dialog", camera_checks)
        print("== A scene file on the command line", flush=True)
        scene = os.path.join(workdir, "smoke.lscene")
        try:
            report.check("lumo-render --save-scene writes the default scene",
                         lambda: save_default_scene(lumo_render, workdir, scene))
        except CheckFailed:
            pass
        else:
            run_scenario(report, lumo, workdir, "scene", None, scene_file_checks("smoke.lscene"),
                         arguments=[scene])
        unreadable_file_checks(report, lumo, workdir)
    except (OutOfTime, Interrupted) as error:
        report.fail("the run", error)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)
        print(f"{report.passed} passed, {report.failed} failed", flush=True)
    return 1 if report.failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
