#!/usr/bin/env python3
"""Soak test of the real kavrel: a seeded random sequence of what a user does,
under Xvfb, against the simulated keyboard with faults switched on and off.

    soak.py --bin BIN_DIR --tools TOOLS_DIR [--seconds N] [--seed S]
    soak.py --bin BIN_DIR --tools TOOLS_DIR --kills N [--seed S]

BIN_DIR holds kavrel and kavrel-cli (built with ASan+UBSan for the soak run of
tools/dev), TOOLS_DIR kavrel-bare-window. Actions: clicks anywhere in every
window of the program (left and right button, drags), key presses, the main
window's own buttons (profiles, macro page, Restore, OK, Cancel, Apply, Exit,
minimise), a second instance, starting and ending programs that profiles
switch on, switching the simulated keyboard's faults (write failures, slow
writes, unplugged), and SIGKILL of the program followed by a new start.

Checked all along: the program lives (or ended with status 0 when a click
ended it), it answers (after its windows were covered and uncovered they are
painted again within a second), no sanitizer report, its memory does not keep
growing; after each OK or Apply that saved, kavrel-cli reads the store, and
when no fault was on the keyboard holds exactly what the stored current
profile encodes to; after a kill every store file is whole (pro.dct 463840
bytes, curid.dct 4, every macro 834) and the next start leaves no temporary
files. A failure prints the seed and the last 50 actions; the same seed
replays the same sequence.

With --kills N it only starts the program N times, makes it save (Apply or OK
after choosing another profile) and kills it with SIGKILL at a random moment
of the save: each time pro.dct must be exactly as before, curid.dct the old
or the new profile's id, and the next start must leave no temporary file.
"""

import argparse
import collections
import json
import os
import random
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

PROFILE_SIZE = 11596
STORE_SIZE = 40 * PROFILE_SIZE
MACRO_SIZE = 834
PROGRAM_NAME_OFFSET = 8
SANITIZER_REPORT = re.compile(rb"ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:|WARNING: ThreadSanitizer")
GAMES = ("soakgame2", "soakgame3")  # programs that switch to profiles 2 and 3


class SoakFailure(Exception):
    pass


def run(args, env=None, timeout=30, check=False):
    result = subprocess.run(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    if check and result.returncode != 0:
        raise SoakFailure(f"{' '.join(map(str, args))} failed ({result.returncode}): {result.stderr.decode(errors='replace')}")
    return result


def read_xwd(data):
    """Pixels of an xwd dump (ZPixmap, 24 or 32 bits per pixel) as rows of bytes."""
    header = struct.unpack(">25I", data[:100])
    header_size, width, height = header[0], header[4], header[5]
    bits_per_pixel, bytes_per_line, ncolors = header[11], header[12], header[19]
    start = header_size + ncolors * 12
    if bits_per_pixel not in (24, 32):
        raise SoakFailure(f"xwd: {bits_per_pixel} bits per pixel")
    return width, height, bytes_per_line, data[start:start + bytes_per_line * height]


class Soak:
    def __init__(self, args):
        self.bin = os.path.abspath(args.bin)
        self.tools = os.path.abspath(args.tools)
        self.seconds = args.seconds
        self.seed = args.seed
        self.random = random.Random(self.seed)
        self.actions = collections.deque(maxlen=50)
        self.count = 0
        self.work = tempfile.mkdtemp(prefix="kavrel-soak-")
        self.data = os.path.join(self.work, "data", "Kavrel")
        self.options_file = os.path.join(self.work, "sim.options")
        self.faults = ""
        self.processes = []  # (Popen, what) to end at the end
        self.games = {}
        self.kavrel = None
        self.kavrel_log = None
        self.starts = 0
        self.baseline_rss = None
        self.peak_rss = 0
        self.checked_saves = 0
        self.kills = 0
        self.env = self.environment()

    # ----------------------------------------------------------------- set-up

    def environment(self):
        env = dict(os.environ)
        for name in ("KAVREL_SIM_OPTIONS", "KAVREL_PROGRAM_DIR", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        home = os.path.join(self.work, "home")
        runtime = os.path.join(self.work, "run")
        os.makedirs(home)
        os.makedirs(runtime, mode=0o700)
        suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
        env.update({
            "KAVREL_HIDGATE": "libhidgate-sim.so",
            "KAVREL_SIM_STATE": os.path.join(self.work, "sim.state"),
            "KAVREL_SIM_OPTIONS_FILE": self.options_file,
            "XDG_DATA_HOME": os.path.join(self.work, "data"),
            "XDG_RUNTIME_DIR": runtime,
            "HOME": home,
            "QT_QPA_PLATFORM": "xcb",
            # A small quarantine, so that the memory check sees the program's own growth.
            "ASAN_OPTIONS": "detect_leaks=1:halt_on_error=1:quarantine_size_mb=16",
            "LSAN_OPTIONS": f"suppressions={suppressions}:print_suppressions=0",
            "UBSAN_OPTIONS": "halt_on_error=1:print_stacktrace=1",
        })
        return env

    def start_xvfb(self):
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                                 "-noreset"],
                                pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                                stderr=open(os.path.join(self.work, "xvfb.log"), "wb"))
        os.close(write_end)
        self.processes.append((xvfb, "Xvfb"))
        display = b""
        while not display.endswith(b"\n"):  # the whole line: closing early would fail the server's write
            chunk = os.read(read_end, 64)
            if not chunk:
                break
            display += chunk
        display = display.decode().strip()
        self.display_pipe = read_end  # closed with the process
        if not display:
            raise SoakFailure("Xvfb did not start")
        self.env["DISPLAY"] = ":" + display

    def cli(self, *args, env=None, check=True):
        return run([os.path.join(self.bin, "kavrel-cli"), *args], env=env or self.env, check=check)

    def seed_store(self):
        """Three stored profiles; profiles 2 and 3 switch on while their game runs."""
        self.cli("switch", "1")
        path = os.path.join(self.data, "pro.dct")
        store = bytearray(open(path, "rb").read())
        for slot, game in ((1, GAMES[0]), (2, GAMES[1])):
            name = game.encode("utf-16-le") + b"\0\0"
            offset = slot * PROFILE_SIZE + PROGRAM_NAME_OFFSET
            store[offset:offset + len(name)] = name
        with open(path, "wb") as f:
            f.write(store)
        self.title = re.search(r"<tc_title>(.*?)</tc_title>", open(os.path.join(self.bin, "text.xml"), encoding="utf-8",
                                                                       errors="replace").read()).group(1)
        settings = json.loads(self.cli("config").stdout)["settings"]
        self.points = {name: tuple(settings[name]) for name in ("ptProfile", "ptApplyBtn", "ptMacro", "ptMin", "ptExit")}

    # ------------------------------------------------------------ the program

    def start_kavrel(self):
        self.starts += 1
        self.kavrel_log = os.path.join(self.work, f"kavrel-{self.starts}.log")
        log = open(self.kavrel_log, "wb")
        self.kavrel = subprocess.Popen([os.path.join(self.bin, "kavrel")], env=self.env, stdout=log, stderr=log)
        log.close()
        self.window = None
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            self.check_sanitizer()
            if self.kavrel.poll() is not None:
                raise SoakFailure(f"kavrel ended at start with status {self.kavrel.returncode}")
            windows = self.windows()
            named = [w for w in windows if self.window_name(w) == self.title]
            if named:
                self.window = named[0]
                break
            time.sleep(0.1)
        if not self.window:
            raise SoakFailure("the main window did not appear within 60 s")
        self.baseline_rss = None
        self.since_start = 0
        # A new start removes what saves of a killed run left behind.
        left = self.temp_files()
        if left:
            raise SoakFailure(f"temporary files left after a start: {left}")

    def windows(self):
        result = run(["xdotool", "search", "--onlyvisible", "--pid", str(self.kavrel.pid)], env=self.env)
        return [w for w in result.stdout.decode().split()]

    def window_name(self, window):
        return run(["xdotool", "getwindowname", window], env=self.env).stdout.decode().strip()

    def geometry(self, window):
        out = run(["xdotool", "getwindowgeometry", "--shell", window], env=self.env).stdout.decode()
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        try:
            return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])
        except (KeyError, ValueError):
            return None

    def rss_kb(self):
        try:
            with open(f"/proc/{self.kavrel.pid}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except OSError:
            pass
        return 0

    def check_sanitizer(self):
        with open(self.kavrel_log, "rb") as f:
            text = f.read()
        if SANITIZER_REPORT.search(text):
            raise SoakFailure("sanitizer report:\n" + text.decode(errors="replace")[-6000:])

    def check_alive(self):
        """Alive, or ended by one of our clicks (OK, Exit) with status 0: then started again."""
        self.check_sanitizer()
        status = self.kavrel.poll()
        if status is None:
            return
        if status != 0:
            raise SoakFailure(f"kavrel ended with status {status}")
        self.log_action(f"(kavrel ended normally; started again)")
        self.start_kavrel()

    def check_memory(self):
        rss = self.rss_kb()
        self.peak_rss = max(self.peak_rss, rss)
        self.since_start += 1
        if self.since_start == 30:
            self.baseline_rss = rss
        elif self.baseline_rss and rss > self.baseline_rss + 300 * 1024:
            raise SoakFailure(f"memory grew from {self.baseline_rss} kB to {rss} kB in one run")

    def screen(self):
        data = run(["xwd", "-root", "-silent"], env=self.env).stdout
        return read_xwd(data)

    def check_repaint(self):
        """Cover every window with another program's window, uncover it, and wait for our windows to be painted
        again (no compositor: until kavrel paints, the uncovered area still shows the covering window)."""
        windows = [(w, self.geometry(w)) for w in self.windows()]
        windows = [(w, g) for w, g in windows if g and g[2] > 40 and g[3] > 40]
        if not windows:
            return
        before = self.screen()
        cover = subprocess.Popen([os.path.join(self.tools, "kavrel-bare-window"), "soak cover"], env=self.env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            found = run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^soak cover$"], env=self.env, timeout=30)
            cover_window = found.stdout.decode().split()[0]
            run(["xdotool", "windowsize", "--sync", cover_window, "1280", "800"], env=self.env)
            run(["xdotool", "windowmove", "--sync", cover_window, "0", "0"], env=self.env)
            run(["xdotool", "windowraise", cover_window], env=self.env)
            time.sleep(0.2)
        finally:
            cover.terminate()
            cover.wait()
        started = time.monotonic()
        while True:
            after = self.screen()
            changed = self.changed_fraction(before, after, windows)
            if changed < 0.05:
                return
            if time.monotonic() - started > 1.0:
                # A window may have changed by itself meanwhile: accept when two shots a moment apart agree.
                time.sleep(0.3)
                again = self.screen()
                if self.changed_fraction(after, again, windows) < 0.01 and self.kavrel.poll() is None:
                    if self.repainted_since(before, after, windows):
                        return
                raise SoakFailure(f"windows not painted again within a second ({changed:.0%} differ)")
            time.sleep(0.05)

    @staticmethod
    def changed_fraction(a, b, windows):
        width, height, stride, pixels_a = a
        pixels_b = b[3]
        total = changed = 0
        for _, (x, y, w, h) in windows:
            for row in range(max(0, y), min(height, y + h), 7):
                lo = row * stride + max(0, x) * 4
                hi = row * stride + min(width, x + w) * 4
                seg_a, seg_b = pixels_a[lo:hi], pixels_b[lo:hi]
                for i in range(0, len(seg_a), 28):
                    total += 1
                    changed += seg_a[i:i + 3] != seg_b[i:i + 3]
        return changed / total if total else 0.0

    @staticmethod
    def repainted_since(before, after, windows):
        """True when the windows show more than the covering window's plain background."""
        pixels = after[3]
        colours = set()
        width, height, stride = after[0], after[1], after[2]
        for _, (x, y, w, h) in windows:
            for row in range(max(0, y), min(height, y + h), 11):
                start = row * stride + max(0, x) * 4
                for i in range(start, row * stride + min(width, x + w) * 4, 44):
                    colours.add(pixels[i:i + 3])
        return len(colours) > 8

    # ---------------------------------------------------------------- actions

    def log_action(self, text):
        self.actions.append(f"{self.count:6d} {text}")

    def xdo(self, *args):
        run(["xdotool", *map(str, args)], env=self.env, timeout=30)

    def click_at(self, x, y, button=1):
        self.xdo("mousemove", "--sync", x, y, "click", button)

    def main_origin(self):
        geometry = self.geometry(self.window) if self.window else None
        return geometry[:2] if geometry else (0, 0)

    def act_click_anywhere(self):
        windows = self.windows()
        if not windows:
            self.log_action("click: no window visible")
            return
        window = self.random.choice(windows)
        geometry = self.geometry(window)
        if not geometry:
            return
        x, y, w, h = geometry
        px, py = x + self.random.randrange(max(1, w)), y + self.random.randrange(max(1, h))
        button = self.random.choice((1, 1, 1, 1, 3))
        self.log_action(f"click button {button} at {px},{py} in window {window} ({w}x{h})")
        self.click_at(px, py, button)

    def act_drag(self):
        windows = self.windows()
        if not windows:
            return
        x, y, w, h = self.geometry(self.random.choice(windows)) or (0, 0, 1, 1)
        a = (x + self.random.randrange(max(1, w)), y + self.random.randrange(max(1, h)))
        b = (x + self.random.randrange(max(1, w)), y + self.random.randrange(max(1, h)))
        self.log_action(f"drag {a} -> {b}")
        self.xdo("mousemove", "--sync", *a, "mousedown", 1, "mousemove", "--sync", *b, "mouseup", 1)

    KEYS = ("Return", "Escape", "space", "Tab", "shift+Tab", "BackSpace", "Delete", "Up", "Down", "Left", "Right",
            "Home", "End", "F1", "F10", "a", "b", "q", "z", "1", "9", "ctrl+a", "ctrl+c", "ctrl+v", "ctrl+z",
            "alt+F4", "shift+a", "Control_R", "Alt_L", "Shift_R", "Super_L", "KP_Enter", "KP_5", "Menu", "Insert",
            "Page_Down", "ctrl+shift+Escape", "F12", "minus", "period", "slash")

    def act_keys(self):
        keys = [self.random.choice(self.KEYS) for _ in range(self.random.randint(1, 5))]
        self.log_action("keys " + " ".join(keys))
        self.xdo("key", "--delay", 30, *keys)

    def act_type_name(self):
        text = "".join(self.random.choice("abc XYZ-_.()/1") for _ in range(self.random.randint(1, 12)))
        self.log_action(f"type {text!r}")
        self.xdo("type", "--delay", 20, text)

    def button_point(self, name):
        ox, oy = self.main_origin()
        px, py = self.points["ptProfile"]
        ax, ay = self.points["ptApplyBtn"]
        places = {
            "profile1": (px + 20, py + 10), "profile2": (px + 20, py + 43), "profile3": (px + 20, py + 76),
            "macro": (self.points["ptMacro"][0] + 20, self.points["ptMacro"][1] + 10), "restore": (53, 551),
            "ok": (ax + 20, ay + 10), "cancel": (ax + 83, ay + 10), "apply": (ax + 146, ay + 10),
            "exit": (self.points["ptExit"][0] + 4, self.points["ptExit"][1] + 4),
            "minimise": (self.points["ptMin"][0] + 4, self.points["ptMin"][1] + 4),
        }
        x, y = places[name]
        return ox + x, oy + y

    def act_button(self):
        name = self.random.choice(("profile1", "profile2", "profile3", "macro", "macro", "restore", "ok", "cancel",
                                   "apply", "apply", "apply", "exit", "minimise"))
        self.log_action(f"main window button {name}")
        saved_before = self.store_stamp()
        self.click_at(*self.button_point(name))
        if name in ("apply", "ok"):
            self.check_after_save(saved_before)

    def act_second_instance(self):
        self.log_action("second instance")
        log_path = os.path.join(self.work, f"second-{self.count}.log")
        with open(log_path, "wb") as log:
            second = subprocess.Popen([os.path.join(self.bin, "kavrel")], env=self.env, stdout=log, stderr=log)
        try:
            second.wait(60)
        except subprocess.TimeoutExpired:
            if self.kavrel.poll() is None:
                second.kill()
                second.wait()
                raise SoakFailure("a second instance did not end within 60 s while the first one ran")
            # The first instance had ended (a click on OK or Exit just before): this one is the first now.
            self.log_action("(the first instance had ended: the second one goes on as the program)")
            self.kavrel, self.kavrel_log = second, log_path
            self.since_start = 0
            return
        with open(log_path, "rb") as log:
            text = log.read()
        if SANITIZER_REPORT.search(text):
            raise SoakFailure("sanitizer report in a second instance:\n" + text.decode(errors="replace")[-6000:])

    def act_game(self):
        game = self.random.choice(GAMES)
        if game in self.games:
            self.log_action(f"end program {game}")
            process = self.games.pop(game)
            process.terminate()
            process.wait()
        else:
            self.log_action(f"start program {game}")
            self.games[game] = subprocess.Popen([game, "100000"], executable=shutil.which("sleep"))

    def act_faults(self):
        choice = self.random.choice(("", "", "fail=matrix:1", "fail=led:always", "fail=macro:2:16", "delay=300",
                                     "delay=50,fail=color:1", "unplugged=1", "fail=matrix:always"))
        self.faults = choice
        self.log_action(f"keyboard faults: {choice or 'none'}")
        with open(self.options_file + ".new", "w") as f:
            f.write(choice + "\n")
        os.replace(self.options_file + ".new", self.options_file)

    def act_kill(self):
        """SIGKILL at a random moment, most often just after something that saves."""
        what = self.random.choice(("apply", "ok", "click", "any"))
        delay = self.random.uniform(0, 0.5)
        self.log_action(f"kill after {what} + {delay:.3f} s")
        if what in ("apply", "ok"):
            self.click_at(*self.button_point(what))
        elif what == "click":
            self.act_click_anywhere()
        time.sleep(delay)
        self.kavrel.send_signal(signal.SIGKILL)
        self.kavrel.wait()
        self.kills += 1
        self.check_files_whole()
        self.cli("profiles")
        self.start_kavrel()

    # ----------------------------------------------------------------- checks

    def store_stamp(self):
        stamps = []
        for name in ("pro.dct", "curid.dct"):
            try:
                st = os.stat(os.path.join(self.data, name))
                stamps.append((st.st_ino, st.st_mtime_ns))
            except OSError:
                stamps.append(None)
        return stamps

    def temp_files(self):
        found = []
        for folder, _, files in os.walk(self.data):
            found += [os.path.join(folder, f) for f in files if f.startswith(".kavrel-") and f.endswith(".tmp")]
        return found

    def check_files_whole(self):
        sizes = {"pro.dct": STORE_SIZE, "curid.dct": 4}
        for name, size in sizes.items():
            path = os.path.join(self.data, name)
            if os.path.exists(path) and os.path.getsize(path) != size:
                raise SoakFailure(f"{name} is {os.path.getsize(path)} bytes after a kill (torn)")
        for folder, _, files in os.walk(os.path.join(self.data, "Mac")):
            for f in files:
                if f.endswith(".mck") and os.path.getsize(os.path.join(folder, f)) != MACRO_SIZE:
                    raise SoakFailure(f"macro {f} is {os.path.getsize(os.path.join(folder, f))} bytes after a kill")

    def check_after_save(self, before):
        """After OK or Apply: wait for the save; the store loads; without faults the keyboard holds exactly what the
        stored current profile encodes to."""
        deadline = time.monotonic() + 15
        while self.store_stamp() == before:
            if time.monotonic() > deadline or self.kavrel.poll() is not None:
                return  # nothing saved (a dialog was open, the apply was refused): nothing to compare
            time.sleep(0.05)
        time.sleep(0.3)  # curid.dct follows pro.dct
        listing = self.cli("profiles", "--json", check=False)
        if listing.returncode != 0:
            raise SoakFailure("kavrel-cli cannot read the store after a save: " + listing.stderr.decode(errors="replace"))
        profiles = json.loads(listing.stdout)
        current = [p for p in profiles if p["current"]]
        if len(current) != 1:
            raise SoakFailure(f"after a save the store names {len(current)} current profiles")
        self.checked_saves += 1
        if self.faults:
            return
        expected = self.cli("reports", current[0]["id"], check=False)
        if expected.returncode != 0:
            return  # a key the encoder refuses: the apply said so
        held = {}
        for line in open(self.env["KAVREL_SIM_STATE"]).read().split("\n"):
            parts = line.split()
            if len(parts) == 4 and parts[0] == "report":
                held[int(parts[1])] = parts[3]
        for line in expected.stdout.decode().split("\n"):
            parts = line.split()
            if len(parts) == 4 and parts[0] == "report":
                report = int(parts[1])
                if held.get(report) != parts[3]:
                    raise SoakFailure(f"after a save the keyboard's report {report} is not what the stored current "
                                      f"profile {current[0]['id']} encodes to")

    # ------------------------------------------------------------------- loop

    def step(self):
        self.count += 1
        weights = ((self.act_click_anywhere, 40), (self.act_keys, 14), (self.act_button, 16), (self.act_drag, 4),
                   (self.act_type_name, 4), (self.act_faults, 4), (self.act_game, 3), (self.act_second_instance, 2),
                   (self.act_kill, 2))
        actions, chances = zip(*weights)
        self.random.choices(actions, chances)[0]()
        self.check_alive()
        self.check_memory()
        if self.count % 25 == 0:
            self.check_repaint()
            self.check_alive()

    def finish(self):
        """Ends the program as a user would (Exit), so that leaks are reported, and checks its status."""
        self.act_faults_off()
        if self.kavrel.poll() is None:
            self.log_action("finish: Esc, Exit")
            for _ in range(6):
                self.xdo("key", "Escape")
            self.click_at(*self.button_point("exit"))
            deadline = time.monotonic() + 30
            while self.kavrel.poll() is None and time.monotonic() < deadline:
                time.sleep(0.1)
            if self.kavrel.poll() is None:
                # A modal dialog kept it open: end it the way a session logout does.
                self.kavrel.terminate()
                self.kavrel.wait(30)
        self.check_sanitizer()

    def act_faults_off(self):
        with open(self.options_file, "w") as f:
            f.write("\n")

    def kill_saves(self, rounds):
        """Kills during saves of the window program, rounds times."""
        store = open(os.path.join(self.data, "pro.dct"), "rb").read()
        ids = {struct.unpack_from("<I", store, slot * PROFILE_SIZE + 4)[0] for slot in range(3)}
        hit = 0
        for round in range(rounds):
            self.count = round
            self.start_kavrel()
            profile = self.random.choice(("profile1", "profile2", "profile3"))
            button = self.random.choice(("apply", "apply", "ok"))
            # Half the kills fall anywhere in the second after the click, half just after the keyboard
            # took the profile, when the saves follow.
            after_apply = self.random.random() < 0.5
            delay = self.random.uniform(0, 0.15) if after_apply else self.random.uniform(0, 1.2)
            self.log_action(f"round {round}: {profile}, {button}, kill {delay:.3f} s after "
                            + ("the keyboard took it" if after_apply else "the click"))
            state = self.env["KAVREL_SIM_STATE"]
            written = os.stat(state).st_mtime_ns if os.path.exists(state) else 0
            self.click_at(*self.button_point(profile))
            self.click_at(*self.button_point(button))
            deadline = time.monotonic() + 10
            while after_apply and time.monotonic() < deadline:
                if os.path.exists(state) and os.stat(state).st_mtime_ns != written:
                    break
                time.sleep(0.005)
            time.sleep(delay)
            self.kavrel.send_signal(signal.SIGKILL)
            self.kavrel.wait()
            self.kills += 1
            hit += bool(self.temp_files())
            self.check_sanitizer()
            self.check_files_whole()
            if open(os.path.join(self.data, "pro.dct"), "rb").read() != store:
                raise SoakFailure("pro.dct changed by a save of unchanged profiles")
            current = struct.unpack("<I", open(os.path.join(self.data, "curid.dct"), "rb").read())[0]
            if current not in ids:
                raise SoakFailure(f"curid.dct names {current:#x}, no stored profile")
            self.cli("profiles")
        self.start_kavrel()  # checks that the last kill's temporary files are gone
        self.kavrel.kill()
        self.kavrel.wait()
        return hit

    def run_kills(self, rounds):
        started = time.monotonic()
        try:
            self.start_xvfb()
            self.act_faults_off()
            self.seed_store()
            self.cli("switch", "1")  # the store and the current id exist before the first kill
            hit = self.kill_saves(rounds)
        except (SoakFailure, subprocess.TimeoutExpired, OSError) as failure:
            print(f"KILL TEST FAILED: {failure}", file=sys.stderr)
            print(f"seed {self.seed}; last rounds:", file=sys.stderr)
            for line in self.actions:
                print("  " + line, file=sys.stderr)
            print(f"work folder kept: {self.work}", file=sys.stderr)
            return 1
        finally:
            for process in [p for p, _ in self.processes] + [self.kavrel]:
                if process and process.poll() is None:
                    process.kill()
                    process.wait()
        print(f"kill test passed: seed {self.seed}, {rounds} kills in {time.monotonic() - started:.0f} s, "
              f"{hit} of them left a temporary file")
        shutil.rmtree(self.work, ignore_errors=True)
        return 0

    def run(self):
        started = time.monotonic()
        try:
            self.start_xvfb()
            self.act_faults_off()
            self.seed_store()
            self.start_kavrel()
            while time.monotonic() - started < self.seconds:
                self.step()
            self.finish()
        except (SoakFailure, subprocess.TimeoutExpired, OSError) as failure:
            print(f"SOAK FAILED after {self.count} actions, {time.monotonic() - started:.0f} s: {failure}", file=sys.stderr)
            print(f"seed {self.seed}; replay: tools/dev soak {max(1, round(self.seconds / 60))} {self.seed}", file=sys.stderr)
            print("last actions:", file=sys.stderr)
            for line in self.actions:
                print("  " + line, file=sys.stderr)
            print(f"work folder kept: {self.work}", file=sys.stderr)
            return 1
        finally:
            for process in list(self.games.values()) + [p for p, _ in self.processes] + [self.kavrel]:
                if process and process.poll() is None:
                    process.kill()
                    process.wait()
        print(f"soak passed: seed {self.seed}, {self.count} actions in {time.monotonic() - started:.0f} s, "
              f"{self.starts} starts, {self.kills} kills, {self.checked_saves} saves checked, "
              f"peak memory {self.peak_rss // 1024} MB")
        shutil.rmtree(self.work, ignore_errors=True)
        return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bin", required=True)
    parser.add_argument("--tools", required=True)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--kills", type=int, default=0)
    args = parser.parse_args()
    if args.seed is None:
        args.seed = random.SystemRandom().randrange(1, 2**31)
    for program in ("Xvfb", "xdotool", "xwd"):
        if not shutil.which(program):
            print(f"SKIP: {program} is not installed (tools/dev installs it)")
            return 77
    soak = Soak(args)
    return soak.run_kills(args.kills) if args.kills else soak.run()


if __name__ == "__main__":
    sys.exit(main())
