#!/usr/bin/python3
"""A desktop portal of our own for tests, on the session bus it is started on.

Usage: fake_portal.py INTERFACE_MODULE...   (for example: screencast)

Each module next to this file adds one portal interface: it defines
`Interface`, a mixin class whose dbus.service methods and signals join the
portal object, and may define `properties` (a dict of interface name to a
dict of property values) and `configure(portal)` for state of its own. The
core here gives them what every portal needs: Request and Session objects,
answers chosen by the test, a record of every call, and a control interface
(org.kinetta.test.FakePortal) through which the test steers it.
"""
import importlib
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

BUS_NAME = "org.freedesktop.portal.Desktop"
OBJECT_PATH = "/org/freedesktop/portal/desktop"
CONTROL = "org.kinetta.test.FakePortal"
PROPERTIES = "org.freedesktop.DBus.Properties"
# An answer code that leaves the request without a Response, like a dialog
# nobody answers.
NEVER = 255


def sender_part(sender):
    return sender[1:].replace(".", "_")


class Request(dbus.service.Object):
    def __init__(self, bus, path):
        super().__init__(bus, path)
        self.closed = False

    @dbus.service.method("org.freedesktop.portal.Request", in_signature="", out_signature="")
    def Close(self):
        self.closed = True
        self.remove_from_connection()

    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, code, results):
        pass


class Session(dbus.service.Object):
    def __init__(self, bus, path, portal):
        super().__init__(bus, path)
        self.path = path
        self.portal = portal
        self.state = {}

    @dbus.service.method("org.freedesktop.portal.Session", in_signature="", out_signature="")
    def Close(self):
        self.portal.sessions.pop(self.path, None)
        self.remove_from_connection()

    @dbus.service.signal("org.freedesktop.portal.Session", signature="a{sv}")
    def Closed(self, details):
        pass


class PortalCore:
    """What the interface mixins build on; mixed into the portal object."""

    def setup_core(self, bus):
        self.bus = bus
        self.sessions = {}
        self.answers = {}       # method name -> response code for its next calls
        self.calls = []         # (interface, method, options) in call order
        self.property_values = {}

    # ---- for interface modules
    def record(self, interface, method, options):
        self.calls.append((interface, method, dict(options)))

    def answer(self, sender, options, method, results_of):
        """Makes the Request object for a call and sends its Response once the
        call has returned. results_of() gives the results of a granted call."""
        token = str(options.get("handle_token", "t%d" % len(self.calls)))
        path = "%s/request/%s/%s" % (OBJECT_PATH, sender_part(sender), token)
        request = Request(self.bus, path)
        code = int(self.answers.get(method, 0))
        if code == NEVER:
            return dbus.ObjectPath(path)

        def respond():
            if not request.closed:
                request.Response(dbus.UInt32(code),
                                 dbus.Dictionary(results_of() if code == 0 else {}, signature="sv"))
                request.remove_from_connection()
            return False

        GLib.idle_add(respond)
        return dbus.ObjectPath(path)

    def new_session(self, sender, options):
        token = str(options.get("session_handle_token", "s%d" % len(self.sessions)))
        path = "%s/session/%s/%s" % (OBJECT_PATH, sender_part(sender), token)
        session = Session(self.bus, path, self)
        self.sessions[path] = session
        return session

    # ---- control interface for the test
    @dbus.service.method(CONTROL, in_signature="su", out_signature="")
    def SetAnswer(self, method, code):
        """The response code of the next calls of method (0 granted, 1 cancelled,
        2 ended; NEVER for no answer at all)."""
        self.answers[str(method)] = int(code)

    @dbus.service.method(CONTROL, in_signature="s", out_signature="a{sv}")
    def LastOptions(self, method):
        for _, called, options in reversed(self.calls):
            if called == method:
                return dbus.Dictionary(options, signature="sv")
        return dbus.Dictionary({}, signature="sv")

    @dbus.service.method(CONTROL, in_signature="s", out_signature="u")
    def CallCount(self, method):
        return dbus.UInt32(sum(1 for _, called, _ in self.calls if called == method))

    @dbus.service.method(CONTROL, in_signature="ssv", out_signature="")
    def SetProperty(self, interface, name, value):
        self.property_values.setdefault(str(interface), {})[str(name)] = value

    @dbus.service.method(CONTROL, in_signature="", out_signature="")
    def CloseSessions(self):
        """The portal ends every session, as when the user stops sharing."""
        for session in list(self.sessions.values()):
            session.Closed(dbus.Dictionary({}, signature="sv"))
            session.Close()

    # ---- org.freedesktop.DBus.Properties
    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        values = self.property_values.get(str(interface), {})
        if str(name) not in values:
            raise dbus.exceptions.DBusException(
                "No such property %s.%s" % (interface, name),
                name="org.freedesktop.DBus.Error.InvalidArgs")
        return values[str(name)]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return dbus.Dictionary(self.property_values.get(str(interface), {}), signature="sv")


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    modules = [importlib.import_module(name) for name in sys.argv[1:]]
    bases = tuple(module.Interface for module in modules) + (PortalCore, dbus.service.Object)
    portal_class = type("FakePortal", bases, {})
    bus = dbus.SessionBus()
    portal = portal_class(bus, OBJECT_PATH)
    portal.setup_core(bus)
    for module in modules:
        for interface, values in getattr(module, "properties", {}).items():
            portal.property_values.setdefault(interface, {}).update(values)
        if hasattr(module, "configure"):
            module.configure(portal)
    # Asked for last, so that a test waiting for the name finds everything in place.
    name = dbus.service.BusName(BUS_NAME, bus, do_not_queue=True)
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, 15, loop.quit)
    loop.run()
    del name


if __name__ == "__main__":
    main()
