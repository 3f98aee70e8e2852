#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Stand-in Quake II servers for the screenshots: every status query that
reaches one of the given UDP ports is answered with that port's reply."""
import selectors
import sys

import socket

SERVERS = {
    27920: ("Friday Night Frags", "q2dm1", 8, [("Ranger", 12, 48), ("Phobos", 7, 61), ("Grunt", 3, 95)]),
    27930: ("The Edge", "q2dm8", 4, [("Major", 20, 33), ("Sarge", 15, 52), ("Stroggo", 9, 70), ("Visor", 2, 120)]),
    27940: ("Lunch CTF", "q2ctf1", 16, []),
}


def reply(name, map_name, max_clients, players):
    text = "\\gamename\\baseq2\\hostname\\%s\\maxclients\\%d\\mapname\\%s\\fraglimit\\20\\timelimit\\15\n" % (
        name, max_clients, map_name)
    text += "".join('%d %d "%s"\n' % (frags, ping, player) for player, frags, ping in players)
    return b"\xff\xff\xff\xffprint\n" + text.encode("latin-1")


def main():
    selector = selectors.DefaultSelector()
    for port, server in SERVERS.items():
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sock.bind(("0.0.0.0", port))
        selector.register(sock, selectors.EVENT_READ, reply(*server))
    print("ready", flush=True)
    while True:
        for key, _ in selector.select():
            data, sender = key.fileobj.recvfrom(2048)
            if data.startswith(b"\xff\xff\xff\xffstatus"):
                key.fileobj.sendto(key.data, sender)


if __name__ == "__main__":
    sys.exit(main())
