#!/usr/bin/python3
# Prints how many connections the process argv[1] holds on the accessibility bus of the
# session (0 when the bus is not running).
import sys

import dbus

try:
    launcher = dbus.SessionBus().get_object("org.a11y.Bus", "/org/a11y/bus")
    address = launcher.GetAddress(dbus_interface="org.a11y.Bus")
except dbus.exceptions.DBusException:
    print(0)
    sys.exit(0)
bus = dbus.bus.BusConnection(address)
daemon = bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
count = 0
for name in daemon.ListNames(dbus_interface="org.freedesktop.DBus"):
    if not name.startswith(":"):
        continue
    try:
        if daemon.GetConnectionUnixProcessID(name, dbus_interface="org.freedesktop.DBus") == int(sys.argv[1]):
            count += 1
    except dbus.exceptions.DBusException:
        pass
print(count)
