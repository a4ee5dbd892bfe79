"""A stand-in StatusNotifierWatcher for the tray tests: owns org.kde.StatusNotifierWatcher
on the session bus at /StatusNotifierWatcher, says a host is registered, and writes one
line per event to the record file:

  ready                        the name is owned and the object answers
  item <argument> <sender>     a RegisterStatusNotifierItem call
  host <argument>              a RegisterStatusNotifierHost call
  host-registered              (with --host-after) the host counts as registered from now

Run it with Debian's interpreter (/usr/bin/python3), which has python3-dbus and
python3-gi: usage: notifier_watcher.py RECORD_FILE [--host-after SECONDS]. With
--host-after, no host is registered at first, as when a panel starts after its watcher;
after SECONDS one is, and StatusNotifierHostRegistered is sent. It runs until SIGTERM.
"""

import signal
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

SERVICE = "org.kde.StatusNotifierWatcher"
PATH = "/StatusNotifierWatcher"
INTERFACE = "org.kde.StatusNotifierWatcher"
PROPERTIES = "org.freedesktop.DBus.Properties"
INTROSPECTABLE = "org.freedesktop.DBus.Introspectable"

# Qt reads the properties through an interface built from this description, so the
# properties must be in it (python-dbus leaves them out of its own).
INTROSPECTION = f"""<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
<node>
  <interface name="{INTERFACE}">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
  <interface name="{PROPERTIES}">
    <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
    <method name="GetAll"><arg type="s" direction="in"/><arg type="a{{sv}}" direction="out"/></method>
  </interface>
  <interface name="{INTROSPECTABLE}">
    <method name="Introspect"><arg type="s" direction="out"/></method>
  </interface>
</node>
"""


class Watcher(dbus.service.Object):
    def __init__(self, bus, record, host_registered):
        super().__init__(bus, PATH)
        self.record = record
        self.items = []
        self.host_registered = host_registered

    def write(self, line):
        self.record.write(line + "\n")
        self.record.flush()

    @dbus.service.method(INTERFACE, in_signature="s", out_signature="", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        self.write(f"item {service} {sender}")
        if service not in self.items:
            self.items.append(str(service))
        self.StatusNotifierItemRegistered(service)

    @dbus.service.method(INTERFACE, in_signature="s", out_signature="")
    def RegisterStatusNotifierHost(self, service):
        self.write(f"host {service}")
        self.register_host()

    def register_host(self):
        self.host_registered = True
        self.StatusNotifierHostRegistered()
        return False  # as a GLib timeout: once

    @dbus.service.signal(INTERFACE, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.signal(INTERFACE, signature="s")
    def StatusNotifierItemUnregistered(self, service):
        pass

    @dbus.service.signal(INTERFACE, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    def properties(self):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(self.host_registered),
            "ProtocolVersion": dbus.Int32(0),
        }

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        values = self.properties()
        if interface != INTERFACE or name not in values:
            raise dbus.exceptions.DBusException(f"no property {interface}.{name}",
                                                name="org.freedesktop.DBus.Error.UnknownProperty")
        return values[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties() if interface == INTERFACE else {}

    @dbus.service.method(INTROSPECTABLE, in_signature="", out_signature="s")
    def Introspect(self):
        return INTROSPECTION


def main():
    if len(sys.argv) not in (2, 4) or (len(sys.argv) == 4 and sys.argv[2] != "--host-after"):
        sys.exit("usage: notifier_watcher.py RECORD_FILE [--host-after SECONDS]")
    host_after = float(sys.argv[3]) if len(sys.argv) == 4 else None
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    with open(sys.argv[1], "a", encoding="utf-8") as record:
        bus = dbus.SessionBus()
        watcher = Watcher(bus, record, host_registered=host_after is None)
        name = dbus.service.BusName(SERVICE, bus, do_not_queue=True)
        watcher.write("ready")
        if host_after is not None:
            def host_arrives():
                watcher.write("host-registered")
                return watcher.register_host()
            GLib.timeout_add(int(host_after * 1000), host_arrives)
        loop.run()
        del name


if __name__ == "__main__":
    main()
