#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Start to first drawn window of Galvetta, beside xboard, on a private Xvfb.

Usage: scripts/window_startup.py [PATH-TO-galvetta] [--runs N]

Starts a private X server, then Galvetta and xboard ("-ncp": no engine) in
turn, N times each (default 5). Each is timed from its start to two moments
the X server reports (libX11 and libXdamage through ctypes, nothing polls):
its main window mapped, and its first frame drawn, the first time after the
map that the window holds more than a background (several colours in a grid
of samples). Prints the medians and the ratio of the first frames; it only
measures, and fails only when a window never comes.
"""
import argparse
import ctypes
import os
import select
import statistics
import subprocess
import sys
import time

XBOARD = "/usr/games/xboard"
MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
DAMAGE_RAW_RECTANGLES = 0
Z_PIXMAP = 2
SAMPLE_STEP = 7  # pixels between samples, both ways
DRAWN_COLOURS = 4  # a cleared background has one


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("pad", ctypes.c_long * 32)]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


def load_x():
    x = ctypes.CDLL("libX11.so.6")
    damage = ctypes.CDLL("libXdamage.so.1")
    vp, ul = ctypes.c_void_p, ctypes.c_ulong
    x.XOpenDisplay.restype = vp
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ul
    x.XDefaultRootWindow.argtypes = [vp]
    x.XSelectInput.argtypes = [vp, ul, ctypes.c_long]
    x.XSync.argtypes = [vp, ctypes.c_int]
    x.XConnectionNumber.argtypes = [vp]
    x.XPending.argtypes = [vp]
    x.XNextEvent.argtypes = [vp, vp]
    x.XGetWindowAttributes.argtypes = [vp, ul, vp]
    x.XGetImage.restype = ctypes.POINTER(XImage)
    x.XGetImage.argtypes = [vp, ul, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint, ul,
                            ctypes.c_int]
    x.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
    x.XCloseDisplay.argtypes = [vp]
    damage.XDamageQueryExtension.argtypes = [vp, ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
    damage.XDamageCreate.restype = ul
    damage.XDamageCreate.argtypes = [vp, ul, ctypes.c_int]
    damage.XDamageDestroy.argtypes = [vp, ul]
    return x, damage


def start_xvfb():
    """A private 1280x1024 server; returns (process, display name)."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                               "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    return server, ":" + number.decode().strip()


def drawn(x, display, window):
    """Whether the window holds more than a cleared background."""
    attributes = XWindowAttributes()
    if not x.XGetWindowAttributes(display, window, ctypes.byref(attributes)):
        return False
    image = x.XGetImage(display, window, 0, 0, attributes.width, attributes.height, 0xFFFFFFFF, Z_PIXMAP)
    if not image:
        return False
    try:
        picture = image.contents
        if picture.bits_per_pixel != 32:
            return True  # not a depth to read: take the first drawing as the frame
        data = ctypes.string_at(picture.data, picture.bytes_per_line * picture.height)
        colours = set()
        for row in range(0, picture.height, SAMPLE_STEP):
            line = data[row * picture.bytes_per_line:(row + 1) * picture.bytes_per_line]
            colours.update(line[i:i + 4] for i in range(0, picture.width * 4, 4 * SAMPLE_STEP))
            if len(colours) >= DRAWN_COLOURS:
                return True
        return False
    finally:
        x.XDestroyImage(image)


def time_to_frame(x, damage, damage_base, display, command, env):
    """(ms to the map, ms to the first drawn frame) of `command`'s first
    ordinary window, or None when it does not come within 30 s."""
    root = x.XDefaultRootWindow(display)
    x.XSelectInput(display, root, SUBSTRUCTURE_NOTIFY_MASK)
    watch = damage.XDamageCreate(display, root, DAMAGE_RAW_RECTANGLES)
    x.XSync(display, 1)  # drop what came before
    fd = x.XConnectionNumber(display)
    event = XEvent()
    start = time.monotonic()
    process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    window, mapped, frame = None, None, None
    try:
        while frame is None and time.monotonic() - start < 30:
            if x.XPending(display) == 0:
                select.select([fd], [], [], 0.5)
                continue
            damaged = False
            while x.XPending(display):
                x.XNextEvent(display, ctypes.byref(event))
                if event.type == MAP_NOTIFY and window is None and not event.xmap.override_redirect:
                    window, mapped = event.xmap.window, (time.monotonic() - start) * 1000
                damaged |= event.type == damage_base
            if window is not None and damaged and drawn(x, display, window):
                frame = (time.monotonic() - start) * 1000
    finally:
        process.terminate()
        process.wait(timeout=10)
        damage.XDamageDestroy(display, watch)
    return None if frame is None else (mapped, frame)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Start to first drawn window, beside xboard.")
    parser.add_argument("galvetta", nargs="?",
                        default=os.path.join(here, "..", "build", "release", "app", "galvetta"))
    parser.add_argument("--runs", type=int, default=5)
    options = parser.parse_args()
    galvetta, runs = options.galvetta, options.runs
    x, damage = load_x()
    server, name = start_xvfb()
    ours, theirs = [], []
    try:
        display = x.XOpenDisplay(name.encode())
        base, error_base = ctypes.c_int(), ctypes.c_int()
        if not display or not damage.XDamageQueryExtension(display, ctypes.byref(base), ctypes.byref(error_base)):
            print("window_startup: no X server with the damage extension")
            return 1
        env = dict(os.environ, DISPLAY=name, QT_QPA_PLATFORM="xcb")
        have_xboard = os.access(XBOARD, os.X_OK)
        for _ in range(runs):
            ours.append(time_to_frame(x, damage, base.value, display, [galvetta], env))
            if have_xboard:
                theirs.append(time_to_frame(x, damage, base.value, display, [XBOARD, "-ncp"], env))
        x.XCloseDisplay(display)
    finally:
        server.terminate()
        server.wait(timeout=10)
    if None in ours or None in theirs:
        print("window_startup: a window never came")
        return 1

    def medians(times):
        return statistics.median(t[0] for t in times), statistics.median(t[1] for t in times)

    mapped, frame = medians(ours)
    print("start to window (mapped, first frame), median of %d runs: galvetta %.1f, %.1f ms"
          % (runs, mapped, frame))
    if theirs:
        other_mapped, other_frame = medians(theirs)
        print("xboard -ncp %.1f, %.1f ms; first frames' ratio %.2f" % (other_mapped, other_frame, frame / other_frame))
    print("galvetta's first frames: " + ", ".join("%.0f" % t[1] for t in ours))
    return 0


if __name__ == "__main__":
    sys.exit(main())
