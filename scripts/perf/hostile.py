# SPDX-License-Identifier: GPL-2.0-or-later
"""Hostile datagrams for the flood: status replies valid and cut short,
replies with junk after the prefix, random bytes, and the four peer tags
with random fields. Every text that could reach the log is remembered, so
that each line of the log can be traced back to a datagram that was sent.
"""

import random
import re

REPLY_PREFIX = b"\xff\xff\xff\xffprint\n\\"
STATUS_REQUEST = b"TVNSTAT"
INFO = b"TVNINFO"
CHAT = b"TVNMESS"
CHALLENGE = b"TVNSUGG"
MAX_PAYLOAD = 1023

# Texts that would pass for lines of the log if a line feed could split one.
_LOOKALIKES = [b"\n21:04:13 : Torvane started", b"\r\n00:00:00 : Ranger entered Friday",
               b"\n12:00:00 : New server \"x\" found on 10.99.0.1", b"\nTorvane closed", b"\r", b"\n"]


# The longest host or map name and player name the program keeps.
MAX_VALUE = 63
MAX_PLAYER_NAME = 15


def single_line(text):
    """What the log makes of a text: each control byte (C0, DEL, C1) is
    written as \\xHH."""
    return b"".join(b"\\x%02X" % c if c < 0x20 or 0x7F <= c <= 0x9F else bytes([c]) for c in text)


class Generator:
    def __init__(self, seed):
        self.random = random.Random(seed)
        self.host_names = set()
        self.map_names = set()
        self.player_names = set()
        self.shouts = set()      # the exact log texts a shout may write
        self._players = [self._player_name() for _ in range(3000)]
        self._maps = [self._text(1, 12, b"\\\n\0") for _ in range(200)] + [b"q2dm1", b"base1", b"fact3"]
        self.map_names.update(single_line(m[:MAX_VALUE]) for m in self._maps)

    def _bytes(self, low, high):
        return self.random.randbytes(self.random.randint(low, high))

    def _text(self, low, high, forbidden=b""):
        """Mostly printable text, sometimes with control and high bytes,
        sometimes with a look-alike of a log line in it."""
        r = self.random
        out = bytearray()
        for _ in range(r.randint(low, high)):
            c = r.randint(32, 126) if r.random() < 0.85 else r.randint(0, 255)
            if c not in forbidden:
                out.append(c)
        if r.random() < 0.1:
            out += bytes(b for b in r.choice(_LOOKALIKES) if b not in forbidden)
        return bytes(out)

    def _player_name(self):
        name = self._text(0, 20, b'"\0')
        self.player_names.add(single_line(name[:MAX_PLAYER_NAME]))
        return name

    def host_name(self):
        name = self._text(1, 40, b"\\\n\0")
        self.host_names.add(single_line(name[:MAX_VALUE]))
        return name

    def _number(self):
        r = self.random
        return str(r.choice([r.randint(-5, 100), r.randint(-2**31, 2**31 - 1), r.randint(0, 10**12)])).encode()

    def status_reply(self, host_name=None):
        """A reply the parser accepts, mostly: now and then a field that
        turns it away or a limit that is no number."""
        r = self.random
        name = host_name if host_name is not None else self.host_name()
        fields = [(b"hostname", name), (b"mapname", r.choice(self._maps)),
                  (b"maxclients", str(r.choice([0, 1] + list(range(2, 33)) * 4)).encode()),
                  (b"fraglimit", str(r.randint(0, 100)).encode()),
                  (b"timelimit", str(r.randint(0, 60)).encode()),
                  (b"gamename", b"baseq2"), (b"version", self._text(0, 30, b"\\\n\0"))]
        if r.random() < 0.05:
            fields[r.randint(2, 4)] = (fields[r.randint(2, 4)][0], self._text(0, 5, b"\\\n\0"))
        r.shuffle(fields)
        info = b"\\".join(key + b"\\" + value for key, value in fields)
        players = b"".join(b"%s %s \"%s\"\n" % (self._number(), self._number(), r.choice(self._players))
                           for _ in range(r.choice([0, 0, 1, 2, 4, 8, 16, 16, 32])))
        return REPLY_PREFIX + info + b"\n" + players

    def truncated_reply(self):
        reply = self.status_reply()
        return reply[:self.random.randint(0, len(reply) - 1)]

    def junk_reply(self):
        return REPLY_PREFIX + self._bytes(0, 1400)

    def random_bytes(self):
        r = self.random
        size = r.choice([0, 1, 3, 4, 7, 11]) if r.random() < 0.2 else int(2 ** r.uniform(0, 10.5))
        if r.random() < 0.005:
            size = r.randint(8000, 65507)
        head = r.choice([b"", b"\xff\xff\xff\xff", b"TVN", b"\xff\xff\xff\xffprint"])
        return head + self._bytes(size, size)

    def status_request(self):
        return STATUS_REQUEST + (self._bytes(0, 50) if self.random.random() < 0.3 else b"")

    def info(self):
        r = self.random
        out = INFO + (self._text(0, 10) if r.random() < 0.2 else b"")
        for _ in range(r.randint(0, 14)):
            letter = bytes([r.choice(b"KABCDEFGHIJLMN" * 3 + bytes(range(256)))])
            value = self._number() if r.random() < 0.3 else self._text(0, r.choice([8, 40, 300]), b"\t")
            out += b"\t" + letter + value
        if r.random() < 0.1:
            out += b"\t"
        return out[:r.choice([len(out), len(out), 1500])]

    def chat(self):
        r = self.random
        name = self._text(0, 20, b"\t")
        kind = bytes([r.choice(b"SSSMMX\t\0")]) if r.random() < 0.97 else b""
        text = self._text(0, r.choice([10, 80, 1100]))
        datagram = CHAT + (name + b"\t" + kind + text if r.random() < 0.95 else name + text)
        self._remember_shout(datagram)
        return datagram

    def _remember_shout(self, datagram):
        # The receiver reads at most MAX_PAYLOAD bytes, up to the first zero.
        payload = datagram[len(CHAT):][:MAX_PAYLOAD].split(b"\0")[0]
        tab = payload.find(b"\t")
        if tab < 0 or payload[tab + 1:tab + 2] != b"S":
            return
        name, text = payload[:tab], payload[tab + 2:]
        self.shouts.add(single_line(name) + b" shouted \"" + single_line(text) + b"\"")

    def challenge(self):
        r = self.random
        address = (b"10.99.0.%d" % r.randint(0, 255)) if r.random() < 0.6 else self._text(0, 20, b"\t")
        port = b"%d" % r.randint(0, 70000) if r.random() < 0.7 else self._text(0, 8, b"\t")
        fields = [self._text(0, 20, b"\t"), self._text(0, 40, b"\t"), address, port, self._text(0, 30)]
        return CHALLENGE + b"\t".join(fields[:r.choice([1, 3, 4, 5, 5, 5, 5])])


# Shares of the flood; a status request is left out near the probes, so
# that an answer seen there can only be the probe's.
KINDS = [("status_reply", 30), ("truncated_reply", 10), ("junk_reply", 5), ("random_bytes", 15),
         ("info", 12), ("chat", 10), ("challenge", 10), ("status_request", 8)]


_TIME = re.compile(rb"^\d\d:\d\d:\d\d : ")
_LEFT_TAIL = re.compile(rb" with -?\d+ frags and -?\d+ ping$")
# Whole lines of the program's own. The game scan looks at every process of
# the machine, so a game run by anyone there is detected as ours.
_OWN_LINES = {b"Torvane started", b"Torvane closed", b"Quake launch detected"}


def _splits(text, separator):
    """Every (head, tail) split of text at one occurrence of separator."""
    start = text.find(separator)
    while start >= 0:
        yield text[:start], text[start + len(separator):]
        start = text.find(separator, start + 1)


class LogCheck:
    """Tells whether a line of the log is one of the system's own message
    forms, with every piece taken from the network traced back to a text
    the flood sent (or the probes' own texts)."""

    def __init__(self, generator, sources):
        self.g = generator
        self.sources = {s.encode() for s in sources}

    def _host(self, name):
        return name in self.g.host_names

    def _player(self, name):
        return name in self.g.player_names

    def form(self, text):
        """Which of the program's message forms the text of a line is, or
        None when it is none of them."""
        g = self.g
        if text in _OWN_LINES:
            return "own"
        if text in g.shouts:
            return "shouted"
        if text.startswith(b"New server \"") and any(
                self._host(h) and a in self.sources
                for h, a in _splits(text[len(b"New server \""):], b"\" found on ")):
            return "new server"
        if text.startswith(b"Map changed on host ") and any(
                self._host(h) and m in g.map_names
                for h, m in _splits(text[len(b"Map changed on host "):], b" to ")):
            return "map changed"
        if text.endswith(b" closed") and self._host(text[:-len(b" closed")]):
            return "closed"
        if any(self._player(p) and self._host(h) for p, h in _splits(text, b" entered ")):
            return "entered"
        tail = _LEFT_TAIL.search(text)
        if tail and any(self._player(p) and self._host(h) for p, h in _splits(text[:tail.start()], b" left ")):
            return "left"
        return None

    def classify(self, log):
        """(count of lines by form, the lines that are none of the forms)."""
        if any(c < 0x20 and c != 0x0A or 0x7F <= c <= 0x9F for c in log):
            return {}, [b"(a control byte in the log file)"]
        lines = log.split(b"\n")
        if lines and lines[-1] == b"":
            lines.pop()
        else:
            return {}, [b"(the log file does not end with a line feed)"]
        counts, strangers = {}, []
        for line in lines:
            stamp = _TIME.match(line)
            form = self.form(line[stamp.end():]) if stamp else None
            if form is None:
                strangers.append(line)
            else:
                counts[form] = counts.get(form, 0) + 1
        return counts, strangers
