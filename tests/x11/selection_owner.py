#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Prints the window that owns an X selection (in hex), or fails when none
does: selection_owner.py _NET_SYSTEM_TRAY_S0 tells whether a notification
area runs on $DISPLAY. The X tools at hand cannot ask this, so it goes
through libX11 directly."""
import ctypes
import sys

xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XGetSelectionOwner.restype = ctypes.c_ulong
xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

display = xlib.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
owner = xlib.XGetSelectionOwner(display, xlib.XInternAtom(display, sys.argv[1].encode(), 0))
xlib.XCloseDisplay(display)
if not owner:
    sys.exit(1)
print(hex(owner))
