#!/usr/bin/python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""A stand-in for the desktop's notification service on a private session bus.

Usage: notification_service.py RECORD CONTROL_DIR

Owns org.freedesktop.Notifications, answers Notify with a fresh id and
appends one JSON line per call to RECORD (id, app name, summary, body,
actions). A file CONTROL_DIR/invoke holding "ID KEY" makes it emit
ActionInvoked(ID, KEY), as a user choosing that button would; the file is
removed once the signal is out. CONTROL_DIR/ready appears once the name is
owned.
"""

import json
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

BUS_NAME = "org.freedesktop.Notifications"
PATH = "/org/freedesktop/Notifications"


class Service(dbus.service.Object):
    def __init__(self, bus, record):
        super().__init__(bus, PATH)
        self.record = record
        self.next_id = 1

    @dbus.service.method(BUS_NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app_name, replaces_id, app_icon, summary, body, actions, hints, timeout):
        notice_id = self.next_id
        self.next_id += 1
        with open(self.record, "a", encoding="utf-8") as out:
            out.write(json.dumps({"id": notice_id, "app": str(app_name), "summary": str(summary),
                                  "body": str(body), "actions": [str(a) for a in actions]}) + "\n")
        return dbus.UInt32(notice_id)

    @dbus.service.method(BUS_NAME, in_signature="", out_signature="as")
    def GetCapabilities(self):
        return ["actions", "body"]

    @dbus.service.method(BUS_NAME, in_signature="", out_signature="ssss")
    def GetServerInformation(self):
        return ("stand-in", "torvane tests", "1", "1.2")

    @dbus.service.method(BUS_NAME, in_signature="u", out_signature="")
    def CloseNotification(self, notice_id):
        self.NotificationClosed(notice_id, 3)

    @dbus.service.signal(BUS_NAME, signature="us")
    def ActionInvoked(self, notice_id, key):
        pass

    @dbus.service.signal(BUS_NAME, signature="uu")
    def NotificationClosed(self, notice_id, reason):
        pass


def main():
    record, control = sys.argv[1], sys.argv[2]
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    name = dbus.service.BusName(BUS_NAME, bus, do_not_queue=True)
    service = Service(bus, record)
    invoke = os.path.join(control, "invoke")

    def look():
        try:
            with open(invoke, encoding="utf-8") as request:
                notice_id, key = request.read().split()
        except (FileNotFoundError, ValueError):
            return True
        service.ActionInvoked(dbus.UInt32(int(notice_id)), key)
        os.remove(invoke)
        return True

    GLib.timeout_add(50, look)
    open(os.path.join(control, "ready"), "w").close()
    GLib.MainLoop().run()
    del name


if __name__ == "__main__":
    main()
