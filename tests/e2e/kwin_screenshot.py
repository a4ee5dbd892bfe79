"""Writes KWin's whole workspace to standard output, through its ScreenShot2 D-Bus interface
(KWin must run with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1): three little-endian 32-bit
numbers (width, height, stride) and then the rows as KWin gives them, B, G, R, A bytes per
pixel. Runs under Debian's /usr/bin/python3 (python3-dbus) on the compositor's session bus."""

import os
import struct
import sys

import dbus

FORMATS_OF_FOUR_BYTES = {4, 5, 6}  # QImage::Format_RGB32, ARGB32, ARGB32_Premultiplied


def main():
    bus = dbus.SessionBus()
    screenshot = dbus.Interface(bus.get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2"),
                                "org.kde.KWin.ScreenShot2")
    read_end, write_end = os.pipe()
    results = screenshot.CaptureWorkspace({"include-cursor": False, "native-resolution": True},
                                          dbus.types.UnixFd(write_end))
    os.close(write_end)
    data = bytearray()
    while chunk := os.read(read_end, 1 << 20):
        data += chunk
    width, height, stride = int(results["width"]), int(results["height"]), int(results["stride"])
    if int(results["format"]) not in FORMATS_OF_FOUR_BYTES or len(data) < stride * height:
        sys.exit(f"unexpected picture: {dict(results)} with {len(data)} bytes")
    sys.stdout.buffer.write(struct.pack("<III", width, height, stride) + bytes(data))


if __name__ == "__main__":
    main()
