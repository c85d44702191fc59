#!/usr/bin/python3
# Stand-ins for the input method services on the bus at DBUS_SESSION_BUS_ADDRESS: fcitx5's
# controller (org.fcitx.Fcitx5 /controller State) and IBus (org.freedesktop.IBus, property
# GlobalEngine as an IBusEngineDesc). Each line read from standard input sets the state:
# "fcitx N" (N = State()'s answer), "fcitx-" (fcitx5 leaves the bus), "ibus NAME" (the global
# engine); "ready" is printed once both names are owned and after every change.
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
state = {"fcitx": 1, "ibus": "xkb:us::eng"}


class Controller(dbus.service.Object):
    @dbus.service.method("org.fcitx.Fcitx.Controller1", out_signature="i")
    def State(self):
        return state["fcitx"]


class IBus(dbus.service.Object):
    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if name != "GlobalEngine":
            raise dbus.exceptions.DBusException("no such property")
        return dbus.Struct(("IBusEngineDesc", dbus.Dictionary({}, signature="sv"), state["ibus"], "long name"),
                           signature="sa{sv}ss")


fcitx_name = dbus.service.BusName("org.fcitx.Fcitx5", bus)
controller = Controller(bus, "/controller")
ibus_name = dbus.service.BusName("org.freedesktop.IBus", bus)
ibus = IBus(bus, "/org/freedesktop/IBus")


def on_line(source, condition):
    line = sys.stdin.readline()
    if not line:
        loop.quit()
        return False
    word, _, value = line.strip().partition(" ")
    if word == "fcitx":
        state["fcitx"] = int(value)
    elif word == "fcitx-":
        bus.release_name("org.fcitx.Fcitx5")
    elif word == "ibus":
        state["ibus"] = value
    print("ready", flush=True)
    return True


loop = GLib.MainLoop()
GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_line)
print("ready", flush=True)
loop.run()
