# SPDX-License-Identifier: GPL-2.0-or-later
"""The desktop program on the private LAN: a scratch home, its settings,
its memory, and a listener on the game port that hears what it sends.

Only for use inside lan.enter(): the listener and the program's search
broadcast on the LAN's bridge.
"""

import json
import os
import socket
import struct
import tempfile
import time

GAME_PORT = 27910
STATUS_QUERY = b"\xff\xff\xff\xffstatus\n"
_SO_TIMESTAMPNS = getattr(socket, "SO_TIMESTAMPNS", 35)


def settings_file(**main_values):
    """A settings file as a first run leaves it, with main_values set. A
    file must hold every value the program reads without a default."""
    main = "\\Software\\Torvane"
    values = {main: {"Broadcast": 1, "BCInterval": 30, "Port": 27910, "Retries": 5, **main_values},
              main + "\\Windows": {"MainTop": 0, "MainLeft": 0, "UsersTop": 140, "UsersLeft": 140,
                                    "UsersWidth": 463, "UsersHeight": 351}}
    for k in range(1, 5):
        values[f"{main}\\Wan{k}"] = {"Address": "", "Port": "27910", "Enabled": 0}
    for event in ("NewHost", "NewPlayer", "NotFull", "NewMap"):
        values[f"{main}\\{event}"] = {"Popup": 0, "Launch": 0, "Play": 0, "Sound": ""}
    return values


class Scratch:
    """A home of its own for one run: configuration, runtime folder and log
    file, so nothing of the machine's own user is read or written."""

    def __init__(self, **settings):
        self.dir = tempfile.mkdtemp(prefix="torvane-perf-")
        self.config = os.path.join(self.dir, "config")
        self.runtime = os.path.join(self.dir, "runtime")
        self.log = os.path.join(self.dir, "torvane.log")
        os.makedirs(os.path.join(self.config, "torvane"))
        os.makedirs(self.runtime, mode=0o700)
        with open(os.path.join(self.config, "torvane", "settings.json"), "w") as f:
            json.dump(settings_file(LogFile=self.log, **settings), f)

    def environment(self):
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("DBUS_", "DISPLAY", "WAYLAND_", "XDG_", "QT_"))}
        env.update(QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=self.config, XDG_RUNTIME_DIR=self.runtime,
                   HOME=self.dir, LC_ALL="C.UTF-8", LANG="C.UTF-8")
        return env

    def log_bytes(self):
        try:
            with open(self.log, "rb") as f:
                return f.read()
        except FileNotFoundError:
            return b""


def memory_kb(pid):
    """VmRSS and VmHWM (the peak) of a process, in kB, and VmRSS's parts:
    RssAnon (the heap and other private memory) and RssFile (pages of the
    program and its libraries read in from their files)."""
    figures = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "VmHWM", "RssAnon", "RssFile"):
                figures[key] = int(value.split()[0])
    return figures


def cpu_seconds(pid):
    """User plus system time of a process so far."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def listener(port=GAME_PORT):
    """A UDP socket on port that stamps each datagram with the kernel's
    arrival time (wall clock, as time.time())."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.setsockopt(socket.SOL_SOCKET, _SO_TIMESTAMPNS, 1)
    sock.bind(("0.0.0.0", port))
    return sock


def receive(sock, timeout):
    """One datagram: (bytes, (address, port), kernel arrival time), or None
    when nothing came within timeout seconds."""
    sock.settimeout(timeout)
    try:
        data, ancillary, _, source = sock.recvmsg(65536, socket.CMSG_SPACE(16))
    except socket.timeout:
        return None
    stamp = time.time()
    for level, kind, payload in ancillary:
        if level == socket.SOL_SOCKET and kind == _SO_TIMESTAMPNS:
            seconds, nanoseconds = struct.unpack("qq", payload[:16])
            stamp = seconds + nanoseconds / 1e9
    return data, source, stamp


def wait_for_query(sock, sender, timeout):
    """The first status query from sender: (its source port, arrival time)."""
    deadline = time.monotonic() + timeout
    while (left := deadline - time.monotonic()) > 0:
        got = receive(sock, left)
        if got and got[1][0] == sender and got[0].startswith(STATUS_QUERY):
            return got[1][1], got[2]
    raise RuntimeError(f"no status query from {sender} within {timeout} s")
