#!/usr/bin/env python3
"""The program as a user meets it: a virtual X display with a window manager, the mouse and the keyboard.

Usage: desktop.py PROGRAM [--no-wm | --wm=NAME] [--shots] [--idle-seconds=N] [--screen=WxH]

--no-wm: no window manager (the windows place themselves; a shorter round); --wm: the window manager (openbox;
icewm forces sizes on windows as it is told, where openbox keeps to what a window allows); --shots: a screenshot
before each step, kept with the logs; --idle-seconds: how long the idle program is watched (5; 0: not
watched, for a build whose sanitizers would be counted as the program's work); --screen: the display's size
(1280x1024), e.g. 1366x768 or 1920x1080 to look at the windows as on those screens.

Starts PROGRAM under Xvfb (and the window manager unless --no-wm), drives it with xdotool and watches it only from
outside:
window names and geometry, the window manager's state, the files it writes, pixels of its windows and the
clipboard. Every wait polls with a time limit; a failure says what was expected and leaves a screenshot.
"""
import hashlib
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

SCREEN_W, SCREEN_H = 1280, 1024
SCROLL_BAR = 16
WAIT = 20.0  # seconds any one step may take (the sanitizer build is slow to draw)


class Failure(Exception):
    pass


class Desktop:
    def __init__(self, work):
        self.work = work
        self.procs = []
        self.env = dict(os.environ)
        self.shots = False

    # ---- processes -------------------------------------------------------------------------------
    def start_display(self, wm):
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24",
                                 "-nolisten", "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                                stderr=open(os.path.join(self.work, "xvfb.log"), "w"))
        self.procs.append(xvfb)
        os.close(write)
        number = b""
        deadline = time.monotonic() + WAIT
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or xvfb.poll() is not None or not select.select([read], [], [], left)[0]:
                raise Failure("Xvfb did not start (xvfb.log)")
            chunk = os.read(read, 16)
            if not chunk:
                raise Failure("Xvfb did not tell its display")
            number += chunk
        os.close(read)
        self.env["DISPLAY"] = ":" + number.decode().strip()
        if wm:
            self.procs.append(subprocess.Popen([wm] + (["--sm-disable"] if wm == "openbox" else []), env=self.env,
                                               stdout=subprocess.DEVNULL,
                                               stderr=open(os.path.join(self.work, wm + ".log"), "w")))
            self.poll("the window manager", lambda: "window id #" in self.run("xprop", "-root",
                                                                                 "_NET_SUPPORTING_WM_CHECK"))

    def start_program(self, program):
        env = dict(self.env)
        env["QT_QPA_PLATFORM"] = "xcb"
        env["XDG_RUNTIME_DIR"] = self.work
        env["HOME"] = self.work
        # The sanitizers stop the program at the first fault; Qt's and fontconfig's caches count as leaks.
        env["ASAN_OPTIONS"] = "detect_leaks=0:abort_on_error=1"
        self.program = subprocess.Popen([program], cwd=self.work, env=env, stdout=subprocess.DEVNULL,
                                        stderr=open(os.path.join(self.work, "program.log"), "w"))
        self.procs.append(self.program)

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()

    def run(self, *args, check=False):
        try:
            r = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=WAIT)
        except subprocess.TimeoutExpired:
            raise Failure(f"{' '.join(args)} did not answer within {WAIT:.0f} s")
        if check and r.returncode != 0:
            raise Failure(f"{' '.join(args)}: {r.stderr.strip()}")
        return r.stdout

    def alive(self):
        if self.program.poll() is not None:
            raise Failure(f"the program ended with status {self.program.returncode} (program.log)")

    # ---- waiting ---------------------------------------------------------------------------------
    def poll(self, what, test, timeout=WAIT):
        deadline = time.monotonic() + timeout
        while True:
            value = test()
            if value:
                return value
            if hasattr(self, "program"):
                self.alive()
            if time.monotonic() > deadline:
                raise Failure(f"timed out after {timeout:.0f} s waiting for {what}")
            time.sleep(0.05)

    # ---- windows ---------------------------------------------------------------------------------
    def windows(self, name=None):
        """Visible windows of the program: (id, name); menus have no name."""
        out = self.run("xdotool", "search", "--onlyvisible", "--class", "quillmark")
        found = []
        for w in out.split():
            title = self.run("xdotool", "getwindowname", w).rstrip("\n")
            if name is None or re.search(name, title):
                found.append((w, title))
        return found

    def window(self, name, timeout=WAIT):
        return self.poll(f"a window named /{name}/", lambda: next(iter(self.windows(name)), None), timeout)[0]

    def gone(self, wid):
        self.poll(f"window {wid} to close", lambda: all(w != wid for w, _ in self.windows()))

    def menus(self):
        """Open popup menus: visible windows that the window manager does not frame."""
        return [w for w, _ in self.windows() if "Override Redirect State: yes" in self.run("xwininfo", "-id", w)]

    def menu(self):
        return self.poll("a popup menu", lambda: next(iter(self.menus()), None))

    def no_menu(self):
        if self.menus():
            raise Failure("a popup menu is open where none should be")

    def geometry(self, wid):
        """Screen position and size of a window's client area."""
        info = self.run("xwininfo", "-id", wid, check=True)
        num = lambda key: int(re.search(key + r":\s+(-?\d+)", info).group(1))
        return num("Absolute upper-left X"), num("Absolute upper-left Y"), num("Width"), num("Height")

    def active(self, wid):
        self.poll(f"window {wid} to have the keyboard", lambda: self.run("xdotool", "getactivewindow").strip() == wid)

    def above(self, upper, lower, wm):
        """Whether window `upper` lies above window `lower`: in the window manager's stacking list (bottom first),
        or without one in the root window's children (top first)."""
        if wm:
            ids = re.findall(r"0x[0-9a-f]+", self.run("xprop", "-root", "_NET_CLIENT_LIST_STACKING"))
            order = [int(i, 16) for i in ids]
            return order.index(int(upper)) > order.index(int(lower))
        order = [int(i, 16) for i in re.findall(r"^\s+(0x[0-9a-f]+)", self.run("xwininfo", "-root", "-children"),
                                                   re.M)]
        return order.index(int(upper)) < order.index(int(lower))

    def work_area(self):
        """The screen less the window manager's panels: x, y, width, height."""
        found = re.findall(r"\d+", self.run("xprop", "-root", "_NET_WORKAREA").split("=", 1)[-1])
        return tuple(int(v) for v in found[:4]) if len(found) >= 4 else (0, 0, SCREEN_W, SCREEN_H)

    # ---- input -----------------------------------------------------------------------------------
    def click(self, wid, x, y):
        left, top, _, _ = self.geometry(wid)
        self.run("xdotool", "mousemove", "--sync", str(left + x), str(top + y), check=True)
        self.run("xdotool", "click", "1", check=True)

    def move(self, wid, x, y):
        left, top, _, _ = self.geometry(wid)
        self.run("xdotool", "mousemove", "--sync", str(left + x), str(top + y), check=True)

    def keys(self, *keys):
        for k in keys:
            self.run("xdotool", "key", k, check=True)

    def type(self, text):
        self.run("xdotool", "type", "--delay", "10", text, check=True)

    # ---- observation -----------------------------------------------------------------------------
    def pixels(self, wid, x, y, w, h):
        """A digest of what the screen shows in a rectangle of a window's client area."""
        left, top, _, _ = self.geometry(wid)
        raw = subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{left + x}+{top + y}", "rgb:-"],
                             env=self.env, capture_output=True, timeout=WAIT).stdout
        return hashlib.sha1(raw).hexdigest()

    def dark_box(self, wid, x, y, w, h):
        """Left, top, right, bottom (relative to the rectangle) of the dark pixels in a rectangle of a window's
        client area, or None."""
        left, top, _, _ = self.geometry(wid)
        raw = subprocess.run(["import", "-window", "root", "-crop", f"{w}x{h}+{left + x}+{top + y}", "-depth", "8",
                              "rgb:-"], env=self.env, capture_output=True, timeout=WAIT).stdout
        xs, ys = [], []
        for i in range(0, min(len(raw), w * h * 3) - 2, 3):
            if raw[i] < 80 and raw[i + 1] < 80 and raw[i + 2] < 80:
                xs.append(i // 3 % w)
                ys.append(i // 3 // w)
        return (min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else None

    def settled(self, wid, rect):
        """The digest of a rectangle once two looks 0.2 s apart agree (what is drawn there has settled)."""
        last = [None]

        def same():
            now = self.pixels(wid, *rect)
            agreed, last[0] = now == last[0], now
            if not agreed:
                time.sleep(0.2)
            return now if agreed else None
        return self.poll("the window to settle", same)

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env, capture_output=True, timeout=WAIT)

    def clipboard(self):
        return self.run("xclip", "-o", "-selection", "clipboard")

    def cpu_seconds(self):
        with open(f"/proc/{self.program.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def idle_share(d, seconds):
    d.alive()
    t0, c0 = time.monotonic(), d.cpu_seconds()
    time.sleep(seconds)
    return (d.cpu_seconds() - c0) / (time.monotonic() - t0)


def scenario(d, wm):
    shots = []

    def step(text):
        if d.shots:
            shots.append(os.path.join(d.work, f"step{len(shots) + 1:02d}.png"))
            d.screenshot(shots[-1])
        print(f"e2e: {text}", flush=True)
    main = d.window("^Quillmark$")

    # Main window, page 0 (client coordinates from its form): the window 116-117 E, 39-40 N at 1:50,000.
    step("lists the sheets of 116-117 E, 39-40 N at 1:50,000")
    for (x, y), value in (((80, 51), "116"), ((80, 77), "39"), ((80, 131), "117"), ((80, 157), "40")):
        d.click(main, x, y)
        d.keys("ctrl+a")
        d.type(value)
        d.keys("Tab")
    d.click(main, 240, 327)  # the scale combo drops its list; closed again, the arrows step from 1:1万 to 1:5万
    d.keys("Escape", "Up", "Up")
    list_area = (324, 68, 270, 278)
    empty = d.pixels(main, *list_area)
    d.click(main, 174, 398)  # 生成图幅号
    d.poll("the list to fill", lambda: d.pixels(main, *list_area) != empty)

    if wm:  # without a window manager only the preview's own placing is looked at
        # A menu closed without a choice hands the mouse back: the next click goes where it is aimed.
        step("closes the export menu without a choice")
        d.click(main, 358, 398)  # 导出
        d.menu()
        d.keys("Escape")
        d.poll("the menu to close", lambda: not d.menus())
        before = d.pixels(main, *list_area)
        d.click(main, 324 + 80, 68 + 10)  # the first item's text
        d.poll("the first item to be selected", lambda: d.pixels(main, *list_area) != before)
        d.no_menu()

        step("exports MIF in geographic coordinates")
        target = os.path.join(d.work, "sheets.mif")
        known = {w for w, _ in d.windows()}
        d.click(main, 358, 398)
        d.menu()
        d.keys("Down", "Right", "Return")  # 导出MIF文件 > 地理坐标
        dialog = d.poll("the save dialog", lambda: next((w for w, _ in d.windows() if w not in known), None))
        d.active(dialog)
        d.type(target)
        d.keys("Return")
        progress = d.window(re.escape(target))
        d.poll("the MIF and MID files", lambda: os.path.exists(target[:-4] + ".mid"))
        with open(target, encoding="ascii", errors="replace") as f:
            regions = sum(1 for line in f if line.startswith("Region"))
        if regions != 24:
            raise Failure(f"the MIF holds {regions} regions, 24 expected")

        step("clicks 完成")
        d.click(progress, 172 + 37, 60 + 13)
        d.gone(progress)
        d.no_menu()

        step("selects another list item")
        before = d.pixels(main, *list_area)
        d.click(main, 324 + 80, 68 + 30)  # the second item's text
        d.poll("the item to be selected", lambda: d.pixels(main, *list_area) != before)
        d.no_menu()

    step("opens the list's popup with the Menu key and Shift+F10")
    before = d.pixels(main, *list_area)
    d.click(main, 324 + 80, 68 + 50)  # the third item: selected, and the list has the keyboard
    d.poll("the item to be selected", lambda: d.pixels(main, *list_area) != before)
    d.keys("Menu")
    d.menu()
    d.keys("Escape")
    d.poll("the menu to close", lambda: not d.menus())
    unchecked = d.pixels(main, *list_area)
    d.keys("shift+F10")
    d.menu()
    d.keys("Down", "Return")  # 全    选
    d.poll("every item to be checked", lambda: d.pixels(main, *list_area) != unchecked)
    d.no_menu()

    step("reports a workbook it cannot write above the progress form, and closes both from the keyboard")
    target = os.path.join(d.work, "missing", "sheets.xlsx")
    known = {w for w, _ in d.windows()}
    d.click(main, 358, 398)  # 导出
    d.menu()
    d.keys("Down", "Down", "Right", "Return")  # 导出Excel文件 > 导出XLS文件（米）
    dialog = d.poll("the save dialog", lambda: next((w for w, _ in d.windows() if w not in known), None))
    if wm:
        d.active(dialog)
    d.type(target)
    d.keys("Return")
    box = d.window("^错误$")
    x, y, w, h = d.geometry(box)
    if x < 0 or y < 0 or x + w > SCREEN_W or y + h > SCREEN_H:
        raise Failure(f"the error box lies partly off the screen at {x},{y} {w}x{h}")
    # The export may fail before its progress form opens; one that opened stays under the box.
    progress = next((w for w, _ in d.windows(re.escape(target))), None)
    if progress and not d.above(box, progress, wm):
        raise Failure("the error box lies under the progress form")

    def has_keyboard(wid):
        if wm:
            d.active(wid)
        else:
            d.poll(f"window {wid} to have the keyboard", lambda: d.run("xdotool", "getwindowfocus").strip() == wid)
    has_keyboard(box)
    d.keys("Return")  # 确定
    d.gone(box)
    if progress:
        has_keyboard(progress)
        d.keys("Return")  # 完成, which has the focus
        d.gone(progress)
    if os.path.exists(os.path.dirname(target)):
        raise Failure("the failed export made the missing folder")

    if wm:
        step("keeps its size when the window manager forces another")
        x0, _, w0, h0 = d.geometry(main)
        d.run("wmctrl", "-i", "-r", hex(int(main)), "-e", "0,100,100,900,700", check=True)
        d.poll("the window to move", lambda: d.geometry(main)[0] != x0)
        time.sleep(0.5)  # a size given back comes after the move
        d.poll(f"the window to keep {w0}x{h0}", lambda: d.geometry(main)[2:] == (w0, h0))

    step("opens the preview in geographic coordinates")
    d.click(main, 446, 398)  # 预览
    d.menu()
    d.keys("Down", "Return")  # 地理坐标
    preview = d.window("^预览$")
    wants = (0, 0, SCREEN_W, SCREEN_H)

    def maximised():
        x, y, w, h = d.geometry(preview)
        if wm:
            # Framed by the window manager: the frame fills the work area, the state says maximised.
            state = d.run("xprop", "-id", preview, "_NET_WM_STATE")
            ax, ay, aw, ah = d.work_area()
            return w == aw and "_NET_WM_STATE_MAXIMIZED_VERT" in state and y + h == ay + ah
        return (x, y, w, h) == wants
    d.poll("the preview to be maximised", maximised)
    _, _, width, height = d.geometry(preview)

    step("fits the sheets' extent to the map area")
    # The viewer lies between the toolbar (44 px) and the status bar (19 px), less its frame and scroll bars. A
    # list gives one sheet a column, so the view holds the 1 x 1 degree block with two sheet sizes (15' x 10')
    # around it, 2 x 1 2/3 degrees: once the maximised window has settled the block spans half the map's width or
    # 3/5 of its height, in the middle.
    frame, inset = 2, 4  # the viewer's frame; the strip left out of the look, clear of frame and scroll bars
    aw, ah = width - SCROLL_BAR - 2 * frame, height - 44 - 19 - SCROLL_BAR - 2 * frame
    area = (frame + inset, 44 + frame + inset, aw - 2 * inset, ah - 2 * inset)
    seen = [None]

    def fitted():
        box = seen[0] = d.dark_box(preview, *area)
        return box and (abs((box[2] - box[0]) / aw - 1 / 2) < 0.02 or abs((box[3] - box[1]) / ah - 3 / 5) < 0.02) \
            and abs(box[0] - (area[2] - box[2])) <= 4 and abs(box[1] - (area[3] - box[3])) <= 4
    try:
        d.poll("the sheets to be fitted with their margin", fitted)
    except Failure:
        raise Failure(f"the sheets lie at {seen[0]} in the {aw}x{ah} map area, not fitted with their margin")

    step("shows a glyph of its own on each tool button")
    # The glyph rectangles of the nine buttons (left and width from the form), and an empty piece of the bar.
    buttons = ((2, 56), (66, 50), (116, 50), (166, 50), (216, 50), (266, 56), (322, 50), (372, 56), (436, 50))
    glyphs = [d.settled(preview, (left + w // 2 - 10, 4, 20, 20)) for left, w in buttons]
    bare = d.pixels(preview, 600, 4, 20, 20)
    if len(set(glyphs)) != len(glyphs) or bare in glyphs:
        raise Failure("the tool buttons do not each show a glyph of their own")

    step("shows the pointer's map coordinates")
    # The X and Y panes of the status bar show one thing at one point and another at another, and the first
    # again back there: they follow the pointer (not a late first paint).
    status = (26, height - 19, 240, 19)
    a, b = (width // 2 - 100, height // 2 - 100), (width // 2 + 100, height // 2 + 80)
    d.move(preview, *a)
    at_a = d.settled(preview, status)
    d.move(preview, *b)
    d.poll("the coordinates to change", lambda: d.pixels(preview, *status) != at_a)
    d.move(preview, *a)
    d.poll("the first coordinates again", lambda: d.pixels(preview, *status) == at_a)

    if wm:
        step("identifies a sheet by a click")
        # The view is centred on the 1 x 1 degree block, whose centre is the corner of four sheets (the viewer
        # lies between the toolbar, 44 px, and the status bar, 19 px, less its scroll bars): a little to the
        # south-east of it lies J50E004011.
        centre_x, centre_y = (width - SCROLL_BAR) // 2, 44 + (height - 44 - 19 - SCROLL_BAR) // 2
        d.click(preview, centre_x + 30, centre_y + 20)
        info = d.window("^图幅信息$")
        d.active(info)
        d.click(info, 4 + 2 + 56 + 60, 4 + 14 + 10 + 11)  # the sheet number
        d.keys("ctrl+a", "ctrl+c")
        number = d.poll("the sheet number on the clipboard", lambda: d.clipboard().strip())
        if number != "J50E004011":
            raise Failure(f"the information dialog shows {number!r}, J50E004011 expected")
        d.click(info, 164 + 37, 264 + 13)  # 返回
        d.gone(info)

    if wm and d.idle_seconds > 0:
        step("idles")
        d.settled(preview, (0, 0, width, height))  # the repaint after the dialog is work, not idling
        share = idle_share(d, d.idle_seconds)
        print(f"e2e: idle with the preview open: {share * 100:.2f} % of a core over {d.idle_seconds:g} s",
              flush=True)
        if share >= 0.01:
            raise Failure(f"the idle program uses {share * 100:.2f} % of a core, under 1 % expected")

    step("returns and quits")
    d.click(preview, 436 + 25, 2 + 20)  # 返回
    d.gone(preview)
    d.click(main, 534, 398)  # 退出
    try:
        status = d.program.wait(WAIT)
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end after 退出")
    if status != 0:
        raise Failure(f"the program ended with status {status}")


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    if len(args) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    wm = None if "--no-wm" in sys.argv else next((a.split("=", 1)[1] for a in sys.argv if a.startswith("--wm=")),
                                                  "openbox")
    program = os.path.abspath(args[0])
    for tool in ["Xvfb", "xdotool", "xwininfo", "xprop", "xclip", "import"] + ([wm, "wmctrl"] if wm else []):
        if not shutil.which(tool):
            print(f"e2e: FAILED: {tool} is missing (scripts/setup installs it)", file=sys.stderr)
            return 1
    work = tempfile.mkdtemp(prefix="qm-e2e-")
    d = Desktop(work)
    d.shots = "--shots" in sys.argv
    screen = next((a.split("=", 1)[1] for a in sys.argv if a.startswith("--screen=")), None)
    if screen:
        global SCREEN_W, SCREEN_H
        SCREEN_W, SCREEN_H = (int(v) for v in screen.split("x"))
    d.idle_seconds = next((float(a.split("=", 1)[1]) for a in sys.argv if a.startswith("--idle-seconds=")), 5.0)
    started = time.monotonic()
    try:
        d.start_display(wm)
        d.start_program(program)
        scenario(d, wm)
    except Failure as e:
        shot = os.path.join(work, "failure.png")
        d.screenshot(shot)
        print(f"e2e: FAILED: {e}\ne2e: screenshot {shot}; logs in {work}", file=sys.stderr)
        return 1
    finally:
        d.stop()
    print(f"e2e: passed in {time.monotonic() - started:.0f} s", flush=True)
    if d.shots:
        print(f"e2e: screenshots in {work}")
    else:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
