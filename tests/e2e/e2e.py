#!/usr/bin/env python3
"""End-to-end scenarios: KestruneSetup.exe in a temporary game folder and Wine
prefix, on a private X server, driven with real pointer and key events.

    e2e.py SCENARIO --exe ... --regdump ... --winprobe ... --base-prefix ...
           --game ... --work ... --artifacts ...

The tool runs inside Wine's virtual desktop: there every window has a known
place without a window manager, and DirectDraw offers the standard modes
rather than only the X screen's.
"""

import argparse
import ctypes
import difflib
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import time
import zlib

SHEET = "Kestrune Setup"
QUESTION = "Setup"
SCREEN = (1024, 768)
SETTINGS_KEY = "Software\\Morvane Soft\\Kestrune"
SETUP_KEY = "Software\\Morvane Soft\\VexilSetup"

REG_SZ, REG_BINARY, REG_DWORD = 1, 3, 4

OPTION_KEYS = ["Bgm_Volume", "Effect_Volume", "MouseExclusive", "ISFULLSCREENMODE", "WIDTH",
               "HEIGHT", "BITPERPIXEL", "DEVICECNT", "MODECNT", "SPRITEMODE", "TEXTUREMODE"]
COMMAND_KEYS = ["/bgm", "/sound", "/notrade", "/noshift", "/noctrl", "/skillfail", "/notalkmsg",
                "/notalkmsg2", "/showname", "/fog", "/aura", "/window", "/miss", "/effect",
                "/shopping", "/stateinfo", "/loginout", "/snap", "/itemsnap", "/camera", "/hoai",
                "/merai", "/lightmap"]

# The sheet's buttons (Help and Apply must be gone), controls of the System
# page, and the Option page's box for /notrade.
ID_OK, ID_CANCEL, ID_HELP, ID_APPLY, ID_DEFAULT = 1, 2, 9, 12321, 1050
ID_DEVICE, ID_MODE, ID_FULLSCREEN, ID_BGM, ID_NOSOUND = 1027, 1028, 1029, 1032, 1037
ID_NOTRADE = 1026

# Longer where 32-bit Wine runs emulated (tests/CMakeLists.txt sets it).
DEADLINE = float(os.environ.get("KES_E2E_DEADLINE", "60"))
# The Wine loader of the tool's build, and that of the helpers, which are
# 64-bit whatever the tool's width (tests/e2e/CMakeLists.txt).
WINE = os.environ.get("KES_WINE", "wine")
HELPER_WINE = os.environ.get("KES_HELPER_WINE", WINE)


def pe_width(path):
    """32 or 64: the width of a Windows executable, from its PE header."""
    with open(path, "rb") as f:
        head = f.read(4096)
    at = struct.unpack_from("<I", head, 0x3C)[0]
    expect(head[at:at + 4] == b"PE\0\0", "%s is not a Windows executable" % path)
    return 64 if struct.unpack_from("<H", head, at + 4)[0] == 0x8664 else 32


class Failure(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(what, probe, timeout=DEADLINE, interval=0.2):
    """Polls probe() until it returns something truthy; fails after timeout."""
    end = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > end:
            raise Failure("timed out after %.0fs waiting for %s" % (timeout, what))
        time.sleep(interval)


def write_png(path, width, height, rgb):
    rows = b"".join(b"\0" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(rows, 6)))
        f.write(chunk(b"IEND", b""))


class Game:
    """What the game folder's default script says, and the file the tool writes."""

    def __init__(self, folder):
        self.folder = folder
        self.defaults = {"OptionInfoList": {}, "CmdOnOffList": {}}
        source = self._read("System/LuaFiles514/OptionInfo.lua")
        table = None
        for token in re.finditer(r'(OptionInfoList|CmdOnOffList)|\["([^"]+)"\]\s*=\s*(-?\d+)', source):
            if token.group(1):
                table = token.group(1)
            elif table:
                self.defaults[table][token.group(2)] = int(token.group(3))
        messages = self._read("System/LuaFiles514/MsgString.lua")
        found = re.search(r'SetupMSG\["ISOK"\]\s*=\s*"([^"]*)"', messages)
        self.question = found.group(1) if found else ""

    def _read(self, relative):
        with open(os.path.join(self.folder, relative), encoding="latin-1") as f:
            return f.read()

    def default_settings(self):
        """The 34 settings at first start, before any change."""
        options = {key: 0 for key in OPTION_KEYS}
        options.update(ISFULLSCREENMODE=0, WIDTH=640, HEIGHT=480, BITPERPIXEL=16, DEVICECNT=0,
                       MODECNT=0, SPRITEMODE=2, TEXTUREMODE=2)
        for key in ("Bgm_Volume", "Effect_Volume", "MouseExclusive"):
            options[key] = self.defaults["OptionInfoList"].get(key, 0)
        commands = {key: self.defaults["CmdOnOffList"].get(key, 0) for key in COMMAND_KEYS}
        return options, commands

    @staticmethod
    def option_file(options, commands, kept=()):
        lines = list(kept)
        lines += ['OptionInfoList["%s"] = %d' % (key, options[key]) for key in OPTION_KEYS]
        lines.append("")
        lines += ['CmdOnOffList["%s"] = %d' % (key, commands[key]) for key in COMMAND_KEYS]
        return "".join(line + "\r\n" for line in lines).encode("latin-1")


class Session:
    """One X server, one Wine prefix and one game folder for a scenario."""

    def __init__(self, args, name):
        self.args = args
        self.name = name
        self.work = os.path.join(args.work, name)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.prefix = os.path.join(self.work, "prefix")
        self._copy_prefix(args.base_prefix, self.prefix)
        self.game = os.path.join(self.work, "game")
        shutil.copytree(args.game, self.game,
                        ignore=shutil.ignore_patterns("savedata", "SaveData"))
        self.shots = args.artifacts
        os.makedirs(self.shots, exist_ok=True)
        for old in os.listdir(self.shots):
            if old.startswith(name + "-"):
                os.remove(os.path.join(self.shots, old))
        self.xvfb = None
        self.tool = None
        self.tool_log = None
        self.env = None
        self.origin = (0, 0)
        self._start_x()

    @staticmethod
    def _copy_prefix(base, prefix):
        """Copies the base prefix: the large binaries, which Wine only reads, as
        hard links; the registry and every small file for real."""
        expect(os.path.isfile(os.path.join(base, "system.reg")), "no Wine prefix at " + base)

        def place(source, target):
            size = os.stat(source).st_size
            if size < 64 * 1024 or source.endswith(".reg"):
                shutil.copy2(source, target)
            else:
                os.link(source, target)
        shutil.copytree(base, prefix, symlinks=True, copy_function=place)
        with open(os.path.join(prefix, "user.reg"), "a", encoding="latin-1") as f:
            f.write('\n[Software\\\\Wine\\\\Explorer]\n"Desktop"="Default"\n'
                    '\n[Software\\\\Wine\\\\Explorer\\\\Desktops]\n"Default"="%dx%d"\n' % SCREEN)

    def _start_x(self):
        read_end, write_end = os.pipe()
        log = open(os.path.join(self.work, "xvfb.log"), "w+b")
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % SCREEN,
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=log, stderr=log)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            display = f.readline().strip()
        if not display.isdigit():
            log.seek(0)
            raise Failure("the X server did not start: %s" % log.read().decode(errors="replace"))
        log.close()
        self.env = dict(os.environ, DISPLAY=":" + display, WINEPREFIX=self.prefix,
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.env.pop("XAUTHORITY", None)

    # --- processes -------------------------------------------------------
    def wine(self, program, *args, check=True, loader=WINE):
        # A helper that exits with an error before printing a byte never
        # reached its own code: Wine did not start it (seen once while the
        # tool's start was still bringing the prefix's session up). Once more.
        for attempt in (1, 2):
            done = self._wine_once(program, args, loader)
            if done.returncode == 0 or done.stdout or done.stderr or attempt == 2:
                break
            print("%s exited with code %d before printing anything: Wine did not start it; once more"
                  % (os.path.basename(program), done.returncode))
        if check and done.returncode != 0:
            raise Failure("%s exited with code %d: %s" % (os.path.basename(program), done.returncode,
                                                          done.stderr.decode(errors="replace")))
        return done

    def _wine_once(self, program, args, loader):
        # Output goes through files: a pipe would stay open as long as any Wine
        # process started meanwhile (the desktop's explorer) inherits it.
        with open(os.path.join(self.work, "out"), "w+b") as out, \
                open(os.path.join(self.work, "err"), "w+b") as err:
            code = subprocess.run([loader, program, *args], env=self.env, cwd=self.game,
                                  stdout=out, stderr=err, timeout=DEADLINE).returncode
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(program, code, out.read(), err.read())

    def launch_tool(self, cwd=None, exe=None, env=None, command=None):
        self.tool_log = open(os.path.join(self.work, "tool.log"), "w+b")
        self.tool = subprocess.Popen(command or [WINE, exe or self.args.exe], env=env or self.env,
                                     cwd=cwd or self.game, stdout=self.tool_log, stderr=subprocess.STDOUT)

    def start_in(self, folder, exe):
        """The tool started with the Windows folder `folder` current, spelt
        by its 8.3 name, as a shortcut's "Start in" may hold it."""
        return [HELPER_WINE, self.args.regdump, "startin", folder, exe]

    def find_desktop(self):
        """Where Wine's virtual desktop lies on the X screen."""
        desktop = wait_for("the Wine desktop window", lambda: self.xdotool(
            "search", "--name", " - Wine desktop$", check=False).split())
        geometry = self.xdotool("getwindowgeometry", "--shell", desktop[0])
        values = dict(line.split("=", 1) for line in geometry.split())
        self.origin = (int(values["X"]), int(values["Y"]))

    def start_tool(self, cwd=None, exe=None, env=None, command=None):
        self.launch_tool(cwd, exe, env, command)
        def sheet_or_exit():
            if self.tool.poll() is not None:
                self.tool_log.seek(0)
                raise Failure("the tool exited with code %d before its sheet appeared; it printed: %r"
                              % (self.tool.returncode, self.tool_log.read().decode(errors="replace")))
            return self.probe(SHEET)
        sheet = wait_for('the window "%s"' % SHEET, sheet_or_exit)
        self.find_desktop()
        return sheet

    def wait_tool_exit(self, timeout=DEADLINE):
        try:
            self.tool.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the tool did not end within %.0fs" % timeout)
        self.tool_log.seek(0)
        output = self.tool_log.read().decode(errors="replace")
        self.tool_log.close()
        if output.strip():
            print("tool output:\n" + output)
        rc = self.tool.returncode
        self.tool = None
        return rc

    def close(self):
        if self.tool:
            self.tool.kill()
            self.tool.wait()
        if self.env:
            subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()

    # --- looking ---------------------------------------------------------
    def probe(self, caption):
        done = self.wine(self.args.winprobe, caption, check=False, loader=HELPER_WINE)
        if done.returncode == 2:
            return None
        expect(done.returncode == 0, "winprobe exited with code %d: %s"
               % (done.returncode, done.stderr.decode(errors="replace")))
        return json.loads(done.stdout.decode("latin-1"))

    def wait_window(self, caption):
        return wait_for('the window "%s"' % caption, lambda: self.probe(caption))

    def wait_control(self, caption, control_id, test, what):
        """Waits until the visible control passes test; returns it."""
        def look():
            window = self.probe(caption)
            control = window and find(window, control_id)
            return control if control and test(control) else None
        return wait_for(what, look)

    def registry(self, tag="value"):
        """{name: (type, bytes)} of the settings key, or with tag "virtual" of
        the player's virtual copy of it; and which keys exist."""
        done = self.wine(self.args.regdump, str(pe_width(self.args.exe)), loader=HELPER_WINE)
        values, keys = {}, {}
        for line in done.stdout.decode("latin-1").splitlines():
            parts = line.split()
            if parts[:1] == ["key"]:
                keys[" ".join(parts[1:-1])] = parts[-1] == "present"
            elif parts[:1] == [tag]:
                data = b"" if parts[4] == "-" else bytes.fromhex(parts[4])
                expect(len(data) == int(parts[3]), "regdump size mismatch: " + line)
                values[parts[1]] = (int(parts[2]), data)
        return values, keys

    def screenshot(self, step):
        """Saves the screen once two captures in a row agree (painting done)."""
        def capture():
            done = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                                  env=self.env, capture_output=True, timeout=DEADLINE)
            expect(done.returncode == 0, "screenshot failed: " + done.stderr.decode(errors="replace"))
            return done.stdout
        previous = [capture()]

        def settled():
            time.sleep(0.3)
            current = capture()
            same = current == previous[0]
            previous[0] = current
            return same
        wait_for("the screen to settle", settled, timeout=20, interval=0)
        path = os.path.join(self.shots, "%s-%s.png" % (self.name, step))
        write_png(path, SCREEN[0], SCREEN[1], previous[0])
        print("screenshot:", path)
        return path

    # --- acting ----------------------------------------------------------
    def xdotool(self, *args, check=True):
        done = subprocess.run(["xdotool", *args], env=self.env, capture_output=True,
                              timeout=DEADLINE)
        if check and done.returncode != 0:
            raise Failure("xdotool %s failed: %s" % (" ".join(args), done.stderr.decode(errors="replace")))
        return done.stdout.decode()

    def _screen(self, x, y):
        return str(self.origin[0] + x), str(self.origin[1] + y)

    def point(self, x, y):
        self.xdotool("mousemove", "--sync", *self._screen(x, y))

    def click(self, rect=None):
        """Clicks the centre of rect, or where the pointer is. The move and the
        press go separately so the window sees the pointer arrive first."""
        if rect:
            self.point(*centre(rect))
        self.xdotool("click", "1")

    def drag(self, start, end, steps=10):
        self.point(*start)
        self.xdotool("mousedown", "1")
        for i in range(1, steps + 1):
            self.point(start[0] + (end[0] - start[0]) * i // steps,
                       start[1] + (end[1] - start[1]) * i // steps)
        self.xdotool("mouseup", "1")


def find(window, control_id, cls=None):
    """The visible control with this id (both pages reuse ids)."""
    for control in window["controls"]:
        if control["id"] == control_id and control["visible"] and (cls is None or control["class"] == cls):
            return control
    return None


def centre(rect):
    return rect[0] + rect[2] // 2, rect[1] + rect[3] // 2


def checked(state):
    return lambda control: control.get("check") == state


# --- player actions ----------------------------------------------------------
def open_tab(session, title):
    sheet = session.probe(SHEET)
    tabs = next(c for c in sheet["controls"] if c["class"] == "SysTabControl32")
    if tabs["tabs"]:
        index = [t["text"] for t in tabs["tabs"]].index(title)
        session.click(tabs["tabs"][index]["rect"])
    else:
        # The tabs' rectangles are in the tool's memory, which winprobe cannot
        # read where Wine runs emulated: Ctrl+Tab, as a player may switch.
        session.xdotool("key", "ctrl+Tab")
    wait_for('the "%s" tab' % title, lambda: any(
        c["class"] == "#32770" and c["visible"] and c["text"] == title
        for c in session.probe(SHEET)["controls"]))


def toggle(session, control_id):
    """Clicks a check box; returns its new state once the box shows it."""
    control = find(session.probe(SHEET), control_id, "Button")
    expect(control, "no check box %d on the visible page" % control_id)
    before = control["check"]
    session.click(control["rect"])
    session.wait_control(SHEET, control_id, checked(1 - before), "check box %d to change" % control_id)
    return 1 - before


def drag_slider(session, control_id, fraction):
    """Drags a trackbar's thumb to a fraction of its channel; returns the new
    position and the old one. Where winprobe cannot read the thumb's place
    (Wine emulated) it clicks the channel there instead, which moves the
    thumb a page that way."""
    slider = find(session.probe(SHEET), control_id, "msctls_trackbar32")
    if "thumb" in slider:
        start = centre(slider["thumb"])
        channel = slider["channel"]
        session.drag(start, (channel[0] + int(channel[2] * fraction), start[1]))
    else:
        rect = slider["rect"]
        session.click((rect[0] + int(rect[2] * fraction), rect[1], 1, rect[3]))
    moved = session.wait_control(SHEET, control_id, lambda c: c["pos"] != slider["pos"],
                                 "slider %d to move" % control_id)
    return moved["pos"], slider["pos"]


def pick_line(session, control_id, line):
    """Opens a drop-down list with the pointer and clicks one of its lines."""
    combo = find(session.probe(SHEET), control_id, "ComboBox")
    session.click(combo["rect"])
    combo = session.wait_control(SHEET, control_id, lambda c: c["dropped"], "the list to drop down")
    # The open list follows the pointer; click only once it shows the line
    # under the pointer, as a press that comes first closes the list unchanged.
    height = combo["itemheight"]
    session.point(combo["rect"][0] + combo["rect"][2] // 2,
                  combo["rect"][1] + combo["rect"][3] + 1 + line * height + height // 2)
    session.wait_control(SHEET, control_id, lambda c: c["dropped"] and c["sel"] == line,
                         "the open list to highlight line %d" % line)
    session.click()
    session.wait_control(SHEET, control_id, lambda c: not c["dropped"] and c["sel"] == line,
                         "line %d to be selected" % line)


def answer_question(session, button_id, game, step="question"):
    box = session.wait_window(QUESTION)
    texts = [c["text"] for c in box["controls"] if c["class"] == "Static"]
    expect(game.question in texts, "question shows %r, not %r" % (texts, game.question))
    # By id: Wine labels the buttons in the locale's language.
    buttons = sorted(c["id"] for c in box["controls"] if c["class"] == "Button")
    expect(buttons == [ID_OK, ID_CANCEL], "question buttons are %r" % buttons)
    session.screenshot(step)
    session.click(find(box, button_id, "Button")["rect"])


def finish(session):
    rc = session.wait_tool_exit()
    expect(rc == 0, "the tool exited with %d" % rc)


def confirm(session, game, step="question"):
    """OK on the sheet, OK in the question, and a clean exit."""
    session.click(find(session.probe(SHEET), ID_OK, "Button")["rect"])
    answer_question(session, ID_OK, game, step)
    finish(session)


# --- checks ------------------------------------------------------------------
def option_path(session):
    return os.path.join(session.game, "savedata", "OptionInfo.lua")


def expected_registry(device_name, device_guid, driver_guid, sound_mode):
    return {
        "DEVICENAME": (REG_SZ, device_name.encode("latin-1").ljust(40, b"\0")),
        "GUIDDEVICE": (REG_BINARY, device_guid),
        "GUIDDRIVER": (REG_BINARY, driver_guid),
        "SOUNDMODE": (REG_DWORD, struct.pack("<I", sound_mode)),
        "SPEAKERTYPE": (REG_DWORD, bytes(4)),
        "DIGITALRATETYPE": (REG_DWORD, bytes(4)),
        "DIGITALBITSTYPE": (REG_DWORD, bytes(4)),
        "PROVIDERNAME": (REG_SZ, b"No Provider".ljust(16, b"\0")),
    }


def check_registry(values, expected):
    """Exactly the expected values, byte for byte, each of its type."""
    expect(set(values) == set(expected), "settings key holds %s" % sorted(values))
    for name, want in expected.items():
        expect(values[name] == want, "%s is %s, expected %s" % (name, values[name][1].hex(), want[1].hex()))


def check_file(session, expected):
    path = option_path(session)
    expect(os.path.isfile(path), "no option file was written")
    with open(path, "rb") as f:
        actual = f.read()
    if actual != expected:
        diff = difflib.unified_diff([repr(line) for line in expected.splitlines(True)],
                                    [repr(line) for line in actual.splitlines(True)],
                                    "expected", "written", lineterm="")
        raise Failure("option file differs:\n" + "\n".join(diff))


def check_sheet(sheet):
    """The button row and the tabs a player sees when the sheet opens."""
    buttons = sorted((c["rect"][0], c["text"]) for c in sheet["controls"]
                     if c["class"] == "Button" and c["visible"] and c["id"] in (ID_OK, ID_CANCEL, ID_HELP, ID_APPLY, ID_DEFAULT))
    expect([text for _, text in buttons] == ["OK", "CANCEL", "DEFAULT"], "sheet buttons: %r" % buttons)
    tabs = next(c for c in sheet["controls"] if c["class"] == "SysTabControl32")
    titles = [t["text"] for t in tabs["tabs"]]
    if titles:
        expect(titles == ["System", "Option"] and tabs["cursel"] == 0,
               "tabs %r with %d selected" % (titles, tabs["cursel"]))
    else:
        # The titles are unreadable where Wine runs emulated: two tabs, and the
        # first one's page is the one shown.
        shown = visible_page(sheet)
        expect(tabs["count"] == 2 and tabs["cursel"] == 0 and shown == "System",
               "%d tabs, %d selected, page %r shown" % (tabs["count"], tabs["cursel"], shown))


def visible_page(sheet):
    return next((c["text"] for c in sheet["controls"] if c["class"] == "#32770" and c["visible"]), None)


def selected_device(sheet):
    combo = find(sheet, ID_DEVICE, "ComboBox")
    expect(combo and combo["sel"] >= 0, "no display device is selected")
    return combo["items"][combo["sel"]]


# --- scenarios ---------------------------------------------------------------
def first_start(session, game):
    """No settings key yet: start-up stores the defaults; CANCEL saves nothing."""
    values, keys = session.registry()
    expect(not keys[SETTINGS_KEY] and not keys[SETUP_KEY], "the fresh prefix already has the keys")
    sheet = session.start_tool()
    session.screenshot("system")
    check_sheet(sheet)
    device = selected_device(sheet)
    session.click(find(sheet, ID_CANCEL, "Button")["rect"])
    finish(session)

    values, keys = session.registry()
    expect(keys[SETTINGS_KEY], "the settings key was not created")
    expect(keys[SETUP_KEY], "the VexilSetup key was not created")
    expect(values.get("DEVICENAME", (0, b""))[1].split(b"\0")[0] == device.encode("latin-1"),
           "DEVICENAME %r is not the selected device %r" % (values["DEVICENAME"][1], device))
    want = expected_registry(device, values["GUIDDEVICE"][1], values["GUIDDRIVER"][1], 1)
    check_registry(values, want)
    expect(values["GUIDDEVICE"][1] != bytes(16), "GUIDDEVICE is all zero")
    expect(not os.path.exists(os.path.join(session.game, "savedata")),
           "CANCEL left a savedata folder behind")


def player_ok(session, game):
    """Edits on both pages, OK, OK: the file and the registry hold exactly the edits."""
    sheet = session.start_tool()
    session.screenshot("system")
    startup, _ = session.registry()
    options, commands = game.default_settings()

    options["ISFULLSCREENMODE"] = toggle(session, ID_FULLSCREEN)
    options["Bgm_Volume"], before = drag_slider(session, ID_BGM, 0.25)
    dragged = "thumb" in find(sheet, ID_BGM, "msctls_trackbar32")
    expect(abs(options["Bgm_Volume"] - 0.25 * 127) <= 4 or not dragged,
           "BGM volume went from %d to %d, not to about a quarter" % (before, options["Bgm_Volume"]))
    modes = find(sheet, ID_MODE, "ComboBox")
    expect(len(modes["items"]) > 1, "only %r offered; the virtual desktop should offer more" % modes["items"])
    expect(modes["items"][modes["sel"]] == "640 x 480 x 16", "the mode list starts on %r" % modes["items"][modes["sel"]])
    line = next(i for i, text in enumerate(modes["items"]) if i != modes["sel"])
    pick_line(session, ID_MODE, line)
    width, height, bits = (int(n) for n in modes["items"][line].split(" x "))
    options.update(WIDTH=width, HEIGHT=height, BITPERPIXEL=bits, MODECNT=line)
    session.screenshot("system-edited")

    open_tab(session, "Option")
    commands["/notrade"] = toggle(session, ID_NOTRADE)
    expect(commands["/notrade"] == 1 - game.default_settings()[1]["/notrade"], "notrade did not change")
    session.screenshot("option")

    confirm(session, game)

    expected = game.option_file(options, commands)
    check_file(session, expected)
    values, _ = session.registry()
    check_registry(values, expected_registry(selected_device(sheet), startup["GUIDDEVICE"][1],
                                             startup["GUIDDRIVER"][1], 1))

    # Another run keeps a foreign line and, with no change, writes the same lines again.
    kept = "Custom = { skin = 3 }"
    with open(option_path(session), "r+b") as f:
        content = f.read()
        f.seek(0)
        f.write(kept.encode() + b"\r\n" + content)
    session.start_tool()
    confirm(session, game, "question-again")
    check_file(session, game.option_file(options, commands, kept=[kept]))


def make_changes(session):
    """Changes that would show in both stores if they were saved."""
    toggle(session, ID_NOSOUND)
    drag_slider(session, ID_BGM, 0.1)
    open_tab(session, "Option")
    toggle(session, ID_NOTRADE)
    session.screenshot("option")


def question_cancel(session, game):
    """OK, then Cancel in the question: the sheet closes and nothing is saved."""
    session.start_tool()
    session.screenshot("system")
    startup, _ = session.registry()
    make_changes(session)
    session.click(find(session.probe(SHEET), ID_OK, "Button")["rect"])
    answer_question(session, ID_CANCEL, game)
    finish(session)
    values, _ = session.registry()
    expect(values == startup, "the registry changed after the sheet")
    expect(not os.path.exists(os.path.join(session.game, "savedata")),
           "Cancel in the question left a savedata folder")


def sheet_cancel(session, game):
    """CANCEL on the sheet after edits: an existing option file is left as it was."""
    options, commands = game.default_settings()
    os.makedirs(os.path.join(session.game, "savedata"))
    original = b"-- written by hand\r\n" + game.option_file(options, commands)
    with open(option_path(session), "wb") as f:
        f.write(original)
    stamp = os.stat(option_path(session)).st_mtime_ns

    session.start_tool()
    session.screenshot("system")
    startup, _ = session.registry()
    make_changes(session)
    session.click(find(session.probe(SHEET), ID_CANCEL, "Button")["rect"])
    finish(session)
    with open(option_path(session), "rb") as f:
        expect(f.read() == original, "the option file changed")
    expect(os.stat(option_path(session)).st_mtime_ns == stamp, "the option file was rewritten")
    values, _ = session.registry()
    expect(values == startup, "the registry changed after the sheet")


class ScriptOpens:
    """Counts opens of the game's script files with inotify, as the system sees them."""
    IN_OPEN, IN_ISDIR = 0x20, 0x40000000

    def __init__(self, folders):
        self.libc = ctypes.CDLL("libc.so.6", use_errno=True)
        self.fd = self.libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        expect(self.fd >= 0, "inotify_init1 failed")
        for folder in folders:
            expect(self.libc.inotify_add_watch(self.fd, folder.encode(), self.IN_OPEN) >= 0,
                   "cannot watch " + folder)

    def take(self):
        """The script files opened since the last call, {name: count}."""
        opened = {}
        while True:
            try:
                data = os.read(self.fd, 65536)
            except BlockingIOError:
                return opened
            offset = 0
            while offset < len(data):
                _, mask, _, length = struct.unpack_from("iIII", data, offset)
                name = data[offset + 16:offset + 16 + length].split(b"\0")[0].decode("latin-1")
                offset += 16 + length
                if not mask & self.IN_ISDIR and name.lower().endswith((".lua", ".lub")):
                    opened[name] = opened.get(name, 0) + 1

    def settle(self):
        """Opens until none came for a second (or the deadline)."""
        total, quiet_since, end = {}, time.time(), time.time() + DEADLINE
        while time.time() - quiet_since < 1.0 and time.time() < end:
            more = self.take()
            for name, count in more.items():
                total[name] = total.get(name, 0) + count
            if more:
                quiet_since = time.time()
            time.sleep(0.05)
        return total

    def close(self):
        os.close(self.fd)


def script_reads(session, game):
    """Each step reads each game script once: start-up, the first Option tab, DEFAULT."""
    options, commands = game.default_settings()
    os.makedirs(os.path.join(session.game, "savedata"))
    with open(option_path(session), "wb") as f:
        f.write(b"GameWindowX = 12\r\n" + game.option_file(options, commands))
    opens = ScriptOpens([os.path.join(session.game, "System", "LuaFiles514"),
                         os.path.join(session.game, "savedata")])
    try:
        session.start_tool()
        steps = [("until the sheet is visible", opens.settle(), 4)]
        open_tab(session, "Option")
        steps.append(("first Option tab", opens.settle(), 1))
        session.click(find(session.probe(SHEET), ID_DEFAULT, "Button")["rect"])
        steps.append(("DEFAULT", opens.settle(), 1))
        session.click(find(session.probe(SHEET), ID_CANCEL, "Button")["rect"])
        finish(session)
    finally:
        opens.close()
    for step, opened, limit in steps:
        print("script files opened, %s: %d %s" % (step, sum(opened.values()), sorted(opened.items())))
        expect(sum(opened.values()) <= limit, "%s opened %r, more than %d" % (step, opened, limit))
    expect(steps[2][1], "DEFAULT read no script: the count missed it")


def tree(folder):
    """{path: (mode, link count, link target or bytes)} of everything under folder."""
    entries = {}
    for parent, folders, files in os.walk(folder):
        for name in folders + files:
            path = os.path.join(parent, name)
            st = os.lstat(path)
            if os.path.islink(path):
                content = os.readlink(path)
            elif os.path.isfile(path):
                with open(path, "rb") as f:
                    content = f.read()
            else:
                content = None
            entries[os.path.relpath(path, folder)] = (st.st_mode, st.st_nlink, content)
    return entries


def save_report(session, step):
    """The one box after the sheet that says what was not saved: its text,
    once it shows; then it is closed with OK."""
    def report():
        box = session.probe(SHEET)
        texts = box and [c["text"] for c in box["controls"] if c["class"] == "Static" and c["text"]]
        return texts if texts and texts[0].startswith("The settings were") else None
    texts = wait_for("the box saying what was not saved", report)
    session.screenshot(step)
    expect(len(texts) == 1, "the box shows %r" % texts)
    session.click(find(session.probe(SHEET), ID_OK, "Button")["rect"])
    return texts[0]


def save_with_ok(session, step, cwd=None, refused=None):
    """Starts the tool, OK, OK in the question; returns the question's texts.
    With `refused`, the option file's save does not land, and the box after
    the sheet must name the file with that reason."""
    session.start_tool(cwd)
    session.click(find(session.probe(SHEET), ID_OK, "Button")["rect"])
    box = session.wait_window(QUESTION)
    session.screenshot(step)
    session.click(find(box, ID_OK, "Button")["rect"])
    if refused:
        told = save_report(session, step + "-told")
        expect(told.startswith("The settings were saved in the registry, but not in savedata\\OptionInfo.lua.")
               and told.endswith("savedata\\OptionInfo.lua: " + refused), "the box says %r" % told)
    finish(session)
    return [c["text"] for c in box["controls"] if c["class"] == "Static"]


def outside_links(session, game):
    """Unix links in the game folder, which Wine follows as Windows follows
    links and junctions: what leads to "game2" beside it (a file only its owner
    may read, a script, a folder with a leftover temporary file that recovery
    would put in place) is neither read nor written, created, renamed or
    removed through. A link that stays inside, in a game folder entered
    through a link, keeps working."""
    options, commands = game.default_settings()
    outside = session.game + "2"
    secret = os.path.join(outside, "secret.lua")
    os.makedirs(os.path.join(outside, "savedata"))
    with open(secret, "wb") as f:
        f.write(b"Secret = 42\r\n")
    os.chmod(secret, 0o600)
    with open(os.path.join(outside, "MsgString.lua"), "wb") as f:
        f.write(b'SetupMSG["ISOK"] = "Read from outside"\r\n')
    with open(os.path.join(outside, "savedata", "OptionInfo.lua.4000000-0.tmp"), "wb") as f:
        f.write(game.option_file(options, commands))
    before = tree(outside)

    savedata = os.path.join(session.game, "savedata")
    messages = os.path.join(session.game, "System", "LuaFiles514", "MsgString.lua")
    os.makedirs(savedata)
    os.symlink(secret, option_path(session))
    os.remove(messages)
    os.symlink(os.path.join(outside, "MsgString.lua"), messages)
    texts = save_with_ok(session, "option-file-out", refused="it leads outside the game folder")
    expect("Read from outside" not in texts, "the question came from the script outside: %r" % texts)
    expect(os.listdir(savedata) == ["OptionInfo.lua"] and os.readlink(option_path(session)) == secret,
           "the link was replaced or a file written beside it: %r" % os.listdir(savedata))
    expect(tree(outside) == before, "the folder outside changed after a save through a link to its file")

    os.remove(option_path(session))
    os.rmdir(savedata)
    os.symlink(os.path.join(outside, "savedata"), savedata)
    save_with_ok(session, "savedata-out", refused="it leads outside the game folder")
    expect(tree(outside) == before, "something was created, renamed or removed in the folder savedata leads to")

    os.remove(savedata)
    os.remove(messages)
    shutil.copy(os.path.join(session.args.game, "System", "LuaFiles514", "MsgString.lua"), messages)
    kept = "Custom = { skin = 3 }"
    os.makedirs(os.path.join(session.game, "profile"))
    with open(os.path.join(session.game, "profile", "OptionInfo.lua"), "wb") as f:
        f.write(kept.encode() + b"\r\n")
    os.makedirs(savedata)
    os.symlink(os.path.join("..", "profile", "OptionInfo.lua"), option_path(session))
    via = os.path.join(session.work, "via")
    os.symlink(session.game, via)
    session.start_tool(via)
    confirm(session, game, "inside")
    check_file(session, game.option_file(options, commands, kept=[kept]))
    expect(tree(outside) == before, "the folder outside changed")


def read_only_file(session, game):
    """A confirmed save over a read-only option file does not land: once the
    sheet has closed, one box says the registry was saved and the file not,
    with the file's path and the system's text, and the file keeps its bytes."""
    old = b"Kept = 1\r\n"
    os.makedirs(os.path.join(session.game, "savedata"))
    with open(option_path(session), "wb") as f:
        f.write(old)
    os.chmod(option_path(session), 0o444)
    session.start_tool()
    session.click(find(session.probe(SHEET), ID_OK, "Button")["rect"])
    answer_question(session, ID_OK, game, "read-only")
    told = save_report(session, "not-saved")
    expect(told.startswith("The settings were saved in the registry, but not in savedata\\OptionInfo.lua."),
           "the headline of %r" % told)
    reason = told.partition("\nsavedata\\OptionInfo.lua: ")[2]
    step, _, words = reason.partition(": ")
    expect(step == "could not replace it" and words and not words.startswith("error "),
           "no step or no system text in %r" % told)
    finish(session)
    with open(option_path(session), "rb") as f:
        expect(f.read() == old, "the read-only file changed")


def no_common_controls(session, game):
    """Without the common controls there is no sheet: one box says so, the
    tool exits with a code that is not success, and start-up wrote nothing."""
    # comctl32 disabled for the tool alone: Wine's own wineboot and desktop,
    # which the tool's start brings up, need it.
    with open(os.path.join(session.prefix, "user.reg"), "a", encoding="latin-1") as f:
        f.write('\n[Software\\\\Wine\\\\AppDefaults\\\\%s\\\\DllOverrides]\n"comctl32"=""\n'
                % os.path.basename(session.args.exe))
    session.launch_tool()
    texts = start_failure(session, "no-controls")
    expect(len(texts) == 1 and "comctl32.dll" in texts[0], "the box shows %r" % texts)
    expect(not os.path.exists(os.path.join(session.game, "savedata")), "start-up wrote savedata")


def start_failure(session, step):
    """The box of a start that cannot go on: its texts once it shows. Then OK;
    the tool must exit with an error code, having written no registry key."""
    def box():
        window = session.probe(SHEET)
        # The system's box, or the tool's own where that box cannot show.
        texts = window and [c["text"] for c in window["controls"]
                            if c["class"] in ("Static", "KestrunePlainText") and c["text"]]
        return (window, texts) if texts else None
    window, texts = wait_for("the box saying the tool cannot start", box)
    session.find_desktop()
    session.screenshot(step)
    session.click(find(window, ID_OK)["rect"])
    rc = session.wait_tool_exit()
    expect(rc != 0, "the tool exited with 0 after failing to start: %r" % texts)
    values, keys = session.registry()
    expect(not keys[SETTINGS_KEY] and not keys[SETUP_KEY] and not values, "start-up wrote the registry: %r" % values)
    return texts


# DLLs a hijack of the tool would plant beside it: ddraw, which it uses, and
# those the system's ddraw and comctl32 load by name. version.dll is left
# out: Wine's own user32 and advapi32 load it before the tool's first line
# runs (on Windows it is a KnownDLL, as are theirs).
PLANTED = ["ddraw", "uxtheme", "msimg32", "dwmapi", "d3dim700", "setupapi", "wined3d", "opengl32"]


def planted_dlls(session, game):
    """DLLs in the game folder, preferred by Wine as Windows prefers the
    executable's folder: none runs, and the sheet lists the system's devices."""
    exe = os.path.join(session.game, os.path.basename(session.args.exe))
    shutil.copy(session.args.exe, exe)
    for name in PLANTED:
        shutil.copy(session.args.planted, os.path.join(session.game, name + ".dll"))
    env = dict(session.env, WINEDLLOVERRIDES=session.env["WINEDLLOVERRIDES"] + ";" + ",".join(PLANTED) + "=n,b")
    sheet = session.start_tool(exe=exe, env=env)
    session.screenshot("system")
    combo = find(sheet, ID_DEVICE, "ComboBox")
    expect(combo and combo["items"], "the device list is empty")
    session.click(find(sheet, ID_CANCEL, "Button")["rect"])
    finish(session)
    ran = sorted(f for f in os.listdir(session.game) if f.endswith(".ran"))
    expect(not ran, "planted DLLs ran in the tool: %s" % ", ".join(ran))


# --- the keyboard alone -------------------------------------------------------
# What each System page control edits: (table, key) in the option file, or
# the registry's SOUNDMODE for No Sound.
SYSTEM_FIELDS = {1029: ("options", "ISFULLSCREENMODE"), 1036: ("options", "MouseExclusive"),
                 1034: ("commands", "/bgm"), 1035: ("commands", "/sound"), 1037: ("registry", "SOUNDMODE"),
                 1030: ("options", "SPRITEMODE"), 1031: ("options", "TEXTUREMODE"),
                 1032: ("options", "Bgm_Volume"), 1033: ("options", "Effect_Volume")}
# The keys each slider gets, one at a time; each moves the thumb from the
# example game's defaults (sprite and texture 2, BGM 100, effect 90).
SLIDER_KEYS = {1030: ["Home"], 1031: ["Left"], 1032: ["End"], 1033: ["Next", "Right", "Right"]}


def focused(session):
    """The control with the keyboard focus: (page title, id, class)."""
    focus = session.probe(SHEET).get("focus")
    return (focus["page"], focus["id"], focus["class"]) if focus else None


def press(session, key, before):
    """Presses a key and waits until the focus leaves `before`."""
    session.xdotool("key", key)
    return wait_for("the focus to move on from %r after %s" % (before, key),
                    lambda: (lambda now: now if now and now != before else None)(focused(session)))


def change_by_keys(session, control_id, cls):
    """Changes the focused control with the keys a player would use; returns
    what it shows afterwards."""
    before = find(session.probe(SHEET), control_id, cls)
    if cls == "Button":
        session.xdotool("key", "space")
        return session.wait_control(SHEET, control_id, checked(1 - before["check"]),
                                    "box %d to change by Space" % control_id)["check"]
    if cls == "ComboBox":
        if len(before["items"]) < 2:
            return before["sel"]
        session.xdotool("key", "Down")
        after = session.wait_control(SHEET, control_id, lambda c: c["sel"] != before["sel"],
                                     "list %d to change by Down" % control_id)
        return after["sel"]
    expect(cls == "msctls_trackbar32", "unexpected control %s %d in the tab order" % (cls, control_id))
    pos = before["pos"]
    for key in SLIDER_KEYS[control_id]:
        session.xdotool("key", key)
        pos = session.wait_control(SHEET, control_id, lambda c, old=pos: c["pos"] != old,
                                   "slider %d to move by %s" % (control_id, key))["pos"]
    return pos


def tab_through_page(session, title):
    """Tabs round the sheet once from wherever the focus is, changing every
    control of page `title` it reaches; {id: (class, what it shows)}."""
    changed = {}
    now = wait_for("the keyboard focus", lambda: focused(session))
    for _ in range(80):
        page, control_id, cls = now
        if page == title:
            if control_id in changed:
                return changed
            changed[control_id] = (cls, change_by_keys(session, control_id, cls))
        now = press(session, "Tab", now)
    raise Failure("Tab never came back round to the %s page: %r" % (title, changed))


def keyboard_only(session, game):
    """No mouse at all: Tab and Ctrl+Tab to every control of both pages, arrow
    keys, Space, Home and End to change each, Enter for OK and Enter in the
    question. The option file and the registry hold every change."""
    sheet = session.start_tool()
    startup, _ = session.registry()
    options, commands = game.default_settings()
    system = tab_through_page(session, "System")
    session.screenshot("system")
    controls = {c["id"] for c in sheet["controls"] if c["visible"] and c["id"] not in (ID_OK, ID_CANCEL, ID_DEFAULT)
                and c["class"] in ("Button", "ComboBox", "msctls_trackbar32")}
    expect(controls == set(system), "Tab reached %r of the controls %r" % (sorted(system), sorted(controls)))

    shown = session.probe(SHEET)
    for control_id, (cls, value) in system.items():
        table, key = SYSTEM_FIELDS.get(control_id, (None, None))
        if table == "options":
            options[key] = value
        elif table == "commands":
            commands[key] = value
    sound_mode = 0 if system[ID_NOSOUND][1] else 1
    modes = find(shown, ID_MODE, "ComboBox")
    width, height, bits = (int(n) for n in modes["items"][modes["sel"]].split(" x "))
    options.update(WIDTH=width, HEIGHT=height, BITPERPIXEL=bits, MODECNT=modes["sel"],
                   DEVICECNT=find(shown, ID_DEVICE, "ComboBox")["sel"])
    expect(modes["sel"] != 0, "Down did not change the screen size")

    session.xdotool("key", "ctrl+Tab")
    wait_for('the "Option" tab', lambda: visible_page(session.probe(SHEET)) == "Option")
    option = tab_through_page(session, "Option")
    session.screenshot("option")
    boxes = {c["id"]: c["text"] for c in session.probe(SHEET)["controls"]
             if c["visible"] and c["class"] == "Button" and c["id"] not in (ID_OK, ID_CANCEL, ID_DEFAULT)}
    expect(set(boxes) == set(option), "Tab reached %r of the boxes %r" % (sorted(option), sorted(boxes)))
    for control_id, (_, value) in option.items():
        commands["/" + boxes[control_id]] = value
    expect(len(option) == 21, "the Option page has %d boxes" % len(option))

    session.xdotool("key", "Return")
    box = session.wait_window(QUESTION)
    session.screenshot("question")
    expect(game.question in [c["text"] for c in box["controls"] if c["class"] == "Static"], "not the question")
    session.xdotool("key", "Return")
    finish(session)

    check_file(session, game.option_file(options, commands))
    values, _ = session.registry()
    device = find(shown, ID_DEVICE, "ComboBox")
    want = expected_registry(selected_device(shown), startup["GUIDDEVICE"][1], startup["GUIDDRIVER"][1], sound_mode)
    if device["sel"] != 0:
        # Another device than the first start's: its GUID is its own.
        expect(values["GUIDDEVICE"][1] not in (bytes(16), startup["GUIDDEVICE"][1]),
               "GUIDDEVICE did not follow the device picked with Down")
        want["GUIDDEVICE"] = values["GUIDDEVICE"]
    check_registry(values, want)


def windows_folder(session):
    """The prefix's Windows folder as Unix sees it, and the system folder a
    program of the tool's width starts in from a shortcut without "Start in"."""
    windows = os.path.join(session.prefix, "drive_c", "windows")
    return windows, os.path.join(windows, "syswow64" if pe_width(session.args.exe) == 32 else "system32")


def names_under(folder):
    return {os.path.relpath(os.path.join(parent, name), folder)
            for parent, folders, files in os.walk(folder) for name in folders + files}


def start_in_system_folder(session, game):
    """Started from a shortcut with an empty "Start in": the current folder is
    the system folder, the executable lies in the game folder. The settings
    land in the game folder, and nothing appears under the Windows folder."""
    exe = os.path.join(session.game, os.path.basename(session.args.exe))
    shutil.copy(session.args.exe, exe)
    windows, system = windows_folder(session)
    before = names_under(windows)
    sheet = session.start_tool(cwd=system, exe=exe)
    expect(selected_device(sheet), "no device selected")
    confirm(session, game)
    options, commands = game.default_settings()
    check_file(session, game.option_file(options, commands))
    appeared = sorted(names_under(windows) - before)
    expect(not appeared, "the run left %r under the Windows folder" % appeared)


def not_a_game_folder(session, game):
    """Neither the current folder nor the executable's holds the game's
    scripts: a box says the tool must be run from the game folder and where
    it looked; the tool exits with an error and has written nothing."""
    own = os.path.join(session.work, "elsewhere")
    current = os.path.join(session.work, "empty")
    os.makedirs(own)
    os.makedirs(current)
    exe = os.path.join(own, os.path.basename(session.args.exe))
    shutil.copy(session.args.exe, exe)
    session.launch_tool(cwd=current, exe=exe)
    texts = start_failure(session, "told")
    expect(len(texts) == 1 and "must be run from the game folder" in texts[0] and "elsewhere" in texts[0]
           and "empty" in texts[0], "the box shows %r" % texts)
    expect(os.listdir(current) == [] and os.listdir(own) == [os.path.basename(exe)],
           "it wrote files: %r %r" % (os.listdir(current), os.listdir(own)))


# --- Windows' virtual store ---------------------------------------------------
def under_program_files(session):
    """Moves the game folder under the prefix's program files folder of the
    tool's width; the folder's name there, the registry view a game of that
    width writes, and where its VirtualStore copy of the option file goes."""
    width = pe_width(session.args.exe)
    programs = "Program Files (x86)" if width == 32 else "Program Files"
    session.game = os.path.join(session.prefix, "drive_c", programs, "Kestrune")
    shutil.copytree(os.path.join(session.work, "game"), session.game)
    users = os.path.join(session.prefix, "drive_c", "users")
    user = next(name for name in sorted(os.listdir(users)) if name.lower() != "public")
    copy = os.path.join(users, user, "AppData", "Local", "VirtualStore", programs, "Kestrune", "savedata",
                        "OptionInfo.lua")
    os.makedirs(os.path.dirname(copy))
    return programs, "SOFTWARE\\\\WOW6432Node" if width == 32 else "SOFTWARE", copy


def virtual_store(session, game):
    """The game folder under the prefix's program files folder, where Windows
    sends a legacy game's writes to the player's VirtualStore and its
    registry writes to the player's VirtualStore key, and reads those first.
    With such copies planted, the sheet shows their values; after OK the real
    file holds the copy's kept lines with the tool's, the copies are gone but
    for the game's other value, and savedata lets the Users group modify it."""
    programs, view, copy = under_program_files(session)
    options, commands = game.default_settings()
    options["Bgm_Volume"], commands["/notrade"] = 33, 1 - commands["/notrade"]
    kept = "GameWindowX = 12"
    with open(copy, "wb") as f:
        f.write(game.option_file(options, commands, kept=[kept]))
    with open(os.path.join(session.prefix, "user.reg"), "a", encoding="latin-1") as f:
        f.write('\n[Software\\\\Classes\\\\VirtualStore\\\\MACHINE\\\\%s\\\\Morvane Soft\\\\Kestrune]\n'
                '"SOUNDMODE"=dword:00000000\n"GAMEVALUE"=dword:00000007\n' % view)

    sheet = session.start_tool(cwd=session.game)
    session.screenshot("system")
    expect(find(sheet, ID_BGM, "msctls_trackbar32")["pos"] == 33, "the BGM slider does not show the copy's 33")
    expect(find(sheet, ID_NOSOUND, "Button")["check"] == 1, "No Sound does not show the virtual SOUNDMODE 0")
    confirm(session, game)

    check_file(session, game.option_file(options, commands, kept=[kept]))
    expect(not os.path.exists(copy), "the virtual copy is still there")
    values, virtual = session.registry()[0], session.registry("virtual")[0]
    expect(values["SOUNDMODE"][1] == bytes(4), "the shown SOUNDMODE 0 was not saved")
    expect(set(virtual) == {"GAMEVALUE"}, "the virtual key holds %r, not only the game's own value" % sorted(virtual))
    access = session.wine(session.args.regdump, "acl", "C:\\%s\\Kestrune\\savedata" % programs,
                          loader=HELPER_WINE).stdout.decode().split()
    if access[2:] == ["kept", "no"]:
        # Debian's Wine keeps no access list on a file: it has no xattr support.
        print("savedata's access list not checked: this Wine keeps none that is set on a folder")
    else:
        expect(access[:2] == ["users-modify", "yes"], "savedata's access list: %r" % access)


def drive_root(session, game):
    """The executable at the root of a drive of its own, started from another
    folder of that drive: the root is the game folder, so the sheet shows the
    script's values and the save lands there, not in the folder it was
    started from."""
    root = os.path.join(session.work, "hdrive")
    shutil.copytree(session.game, root)
    os.makedirs(os.path.join(root, "Other"))
    shutil.copy(session.args.exe, os.path.join(root, "KestruneSetup.exe"))
    os.symlink(root, os.path.join(session.prefix, "dosdevices", "h:"))
    session.game = root
    sheet = session.start_tool(command=session.start_in("H:\\Other", "H:\\KestruneSetup.exe"))
    bgm = game.defaults["OptionInfoList"]["Bgm_Volume"]
    expect(find(sheet, ID_BGM, "msctls_trackbar32")["pos"] == bgm, "the BGM slider does not show the script's %d" % bgm)
    confirm(session, game)
    options, commands = game.default_settings()
    check_file(session, game.option_file(options, commands))
    expect(os.listdir(os.path.join(root, "Other")) == [], "the save went to the start folder")


def filetime(unix_seconds):
    return "%x" % ((unix_seconds + 11644473600) * 10000000)


def stale_copy(session, game):
    """The game under the program files folder, started by its 8.3 name, with
    a virtual copy and key the game wrote before it was last run as
    administrator: the sheet shows the newer real file and key, the save
    keeps the real file's own line, and the stale copies are gone."""
    programs, view, copy = under_program_files(session)
    shutil.copy(session.args.exe, os.path.join(session.game, "KestruneSetup.exe"))
    options, commands = game.default_settings()
    with open(copy, "wb") as f:
        f.write(game.option_file(dict(options, Bgm_Volume=33), commands, kept=["GameWindowX = 12"]))
    options["Bgm_Volume"] = 44
    kept = "RealWindowX = 3"
    os.makedirs(os.path.dirname(option_path(session)))
    with open(option_path(session), "wb") as f:
        f.write(game.option_file(options, commands, kept=[kept]))
    now = int(time.time())
    os.utime(copy, (now - 3600, now - 3600))
    with open(os.path.join(session.prefix, "user.reg"), "a", encoding="latin-1") as f:
        f.write('\n[Software\\\\Classes\\\\VirtualStore\\\\MACHINE\\\\%s\\\\Morvane Soft\\\\Kestrune] %d\n'
                '#time=%s\n"SOUNDMODE"=dword:00000000\n' % (view, now - 3600, filetime(now - 3600)))
    with open(os.path.join(session.prefix, "system.reg"), "a", encoding="latin-1") as f:
        f.write('\n[%s\\\\Morvane Soft\\\\Kestrune] %d\n#time=%s\n"SOUNDMODE"=dword:00000001\n'
                % (view.replace("SOFTWARE", "Software"), now, filetime(now)))

    sheet = session.start_tool(command=session.start_in("C:\\%s\\Kestrune" % programs, "C:\\%s\\Kestrune\\"
                                                        "KestruneSetup.exe" % programs))
    session.tool_log.seek(0)
    started_in = session.tool_log.read().decode(errors="replace")
    expect("~" in started_in, "not started by an 8.3 name: %r" % started_in)
    expect(find(sheet, ID_BGM, "msctls_trackbar32")["pos"] == 44, "the BGM slider does not show the real file's 44")
    expect(find(sheet, ID_NOSOUND, "Button")["check"] == 0, "No Sound shows the stale virtual SOUNDMODE 0")
    confirm(session, game)
    check_file(session, game.option_file(options, commands, kept=[kept]))
    expect(not os.path.exists(copy), "the stale virtual copy is still there")
    expect("SOUNDMODE" not in session.registry("virtual")[0], "the stale virtual SOUNDMODE is still there")


def check_program(session, game):
    """The conformance program run under Wine as a publisher runs it, from a
    folder that holds nothing else, once clean and once over what a killed
    run left: it exits 0 with every check passed or not tried, says that
    Wine does not virtualize, and leaves the folder, the settings key and its
    own key and game folder as they were, or gone."""
    check = os.path.join(os.path.dirname(session.args.exe), "KestruneSetupCheck.exe")
    folder = os.path.join(session.work, "check")
    os.makedirs(folder)
    shutil.copy(check, folder)
    before = session.registry()
    programs = os.path.join(session.prefix, "drive_c", "Program Files (x86)")
    for run in ("clean", "after a killed run"):
        if run != "clean":
            os.makedirs(os.path.join(programs, "KestruneSetupCheck", "savedata"))
            session.wine("reg", "add", "HKLM\\Software\\Wow6432Node\\KestruneSetupCheck\\Morvane Soft\\Kestrune",
                         "/v", "SOUNDMODE", "/t", "REG_DWORD", "/d", "0", "/f", loader=HELPER_WINE)
            expect(session.registry()[1].get("Software\\KestruneSetupCheck"), "the leftover key was not made")
        done = session.wine(os.path.join(folder, "KestruneSetupCheck.exe"), check=False)
        with open(os.path.join(folder, "KestruneSetupCheck.txt"), encoding="latin-1") as f:
            report = f.read()
        print("%s run:\n%s" % (run, report))
        expect(done.returncode == 0, "the check exited with %d" % done.returncode)
        verdicts = [line for line in report.splitlines() if not line.startswith(" ") and ": " in line]
        expect(verdicts and all(v.endswith(": as assumed") or ": not tried here: " in v for v in verdicts),
               "not every check passed or was not tried: %r" % verdicts)
        expect(any(v.startswith("virtualization: not tried here: ") for v in verdicts),
               "the report does not say that Wine does not virtualize")
        expect(report.splitlines()[-1] == "%d passed, 0 failed" % sum(v.endswith(": as assumed") for v in verdicts),
               "the last line is %r" % report.splitlines()[-1])
        expect(sorted(os.listdir(folder)) == ["KestruneSetupCheck.exe", "KestruneSetupCheck.txt"],
               "the folder holds %r" % os.listdir(folder))
        expect(not os.path.exists(os.path.join(programs, "KestruneSetupCheck")), "its game folder is left")
        after = session.registry()
        expect(after[0] == before[0], "the settings key changed")
        expect(not after[1].get("Software\\KestruneSetupCheck"), "its key is left")


SCENARIOS = {f.__name__: f for f in (first_start, player_ok, question_cancel, sheet_cancel, script_reads,
                                     outside_links, planted_dlls, read_only_file, no_common_controls,
                                     keyboard_only, start_in_system_folder, not_a_game_folder, virtual_store,
                                     drive_root, stale_copy, check_program)}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    for option in ("exe", "regdump", "winprobe", "planted", "base-prefix", "game", "work", "artifacts"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()
    missing = [tool for tool in ("Xvfb", "xdotool", "import", WINE, "wineserver") if not shutil.which(tool)]
    if missing:
        print("FAILED %s: not installed: %s" % (args.scenario, " ".join(missing)), file=sys.stderr)
        return 1

    try:
        session = Session(args, args.scenario)
    except Failure as failure:
        print("FAILED %s: %s" % (args.scenario, failure), file=sys.stderr)
        return 1
    try:
        SCENARIOS[args.scenario](session, Game(args.game))
    except (Failure, subprocess.TimeoutExpired) as failure:
        try:
            session.screenshot("failure")
        except (Failure, subprocess.TimeoutExpired):
            pass
        print("FAILED %s: %s" % (args.scenario, failure), file=sys.stderr)
        print("work folder kept: " + session.work, file=sys.stderr)
        return 1
    finally:
        session.close()
    shutil.rmtree(session.work, ignore_errors=True)
    print("passed " + args.scenario)
    return 0


if __name__ == "__main__":
    sys.exit(main())
