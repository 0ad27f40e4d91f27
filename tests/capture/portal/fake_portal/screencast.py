"""org.freedesktop.portal.ScreenCast for the fake portal.

The streams that Start hands out are set by the test through
org.kinetta.test.FakePortal.SetMonitorStream (and SetWindowStream for sessions
that asked for windows only); OpenPipeWireRemote gives a new connection to the
PipeWire daemon of $XDG_RUNTIME_DIR (pipewire-0). Single windows are offered
only when $FAKE_PORTAL_WINDOW_SOURCES is 1.
"""
import os
import socket

import dbus
import dbus.service

SCREENCAST = "org.freedesktop.portal.ScreenCast"
CONTROL = "org.kinetta.test.FakePortal"

properties = {
    SCREENCAST: {
        "AvailableSourceTypes": dbus.UInt32(
            1 | (2 if os.environ.get("FAKE_PORTAL_WINDOW_SOURCES") == "1" else 0),
            variant_level=1),
        "AvailableCursorModes": dbus.UInt32(1 | 2, variant_level=1),
        "version": dbus.UInt32(4, variant_level=1),
    }
}


def configure(portal):
    portal.streams = []
    portal.window_streams = []
    portal.restore_tokens = 0


def _session(portal, handle):
    session = portal.sessions.get(str(handle))
    if session is None:
        raise dbus.exceptions.DBusException("No such session",
                                            name="org.freedesktop.portal.Error.NotFound")
    return session


class Interface:
    @dbus.service.method(CONTROL, in_signature="uiiii", out_signature="")
    def SetMonitorStream(self, node, width, height, x, y):
        """What Start answers: one monitor stream of this PipeWire node."""
        self.streams = [(dbus.UInt32(node), dbus.Dictionary({
            "size": dbus.Struct((dbus.Int32(width), dbus.Int32(height)), signature="ii"),
            "position": dbus.Struct((dbus.Int32(x), dbus.Int32(y)), signature="ii"),
            "source_type": dbus.UInt32(1),
        }, signature="sv"))]

    @dbus.service.method(CONTROL, in_signature="uii", out_signature="")
    def SetWindowStream(self, node, width, height):
        """What Start answers a session that asked for windows only."""
        self.window_streams = [(dbus.UInt32(node), dbus.Dictionary({
            "size": dbus.Struct((dbus.Int32(width), dbus.Int32(height)), signature="ii"),
            "source_type": dbus.UInt32(2),
        }, signature="sv"))]

    @dbus.service.method(SCREENCAST, in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        self.record(SCREENCAST, "CreateSession", options)
        session = self.new_session(sender, options)
        return self.answer(sender, options, "CreateSession",
                           lambda: {"session_handle": dbus.String(session.path)})

    @dbus.service.method(SCREENCAST, in_signature="oa{sv}", out_signature="o",
                         sender_keyword="sender")
    def SelectSources(self, session_handle, options, sender=None):
        self.record(SCREENCAST, "SelectSources", options)
        session = _session(self, session_handle)
        session.state["persist_mode"] = int(options.get("persist_mode", 0))
        session.state["types"] = int(options.get("types", 1))
        return self.answer(sender, options, "SelectSources", lambda: {})

    @dbus.service.method(SCREENCAST, in_signature="osa{sv}", out_signature="o",
                         sender_keyword="sender")
    def Start(self, session_handle, parent_window, options, sender=None):
        self.record(SCREENCAST, "Start", options)
        session = _session(self, session_handle)

        def results():
            streams = self.window_streams if session.state.get("types") == 2 else self.streams
            granted = {"streams": dbus.Array(streams, signature="(ua{sv})")}
            if session.state.get("persist_mode", 0):
                self.restore_tokens += 1
                granted["restore_token"] = dbus.String("restore-%d" % self.restore_tokens)
                granted["persist_mode"] = dbus.UInt32(session.state["persist_mode"])
            return granted

        return self.answer(sender, options, "Start", results)

    @dbus.service.method(SCREENCAST, in_signature="oa{sv}", out_signature="h")
    def OpenPipeWireRemote(self, session_handle, options):
        self.record(SCREENCAST, "OpenPipeWireRemote", options)
        _session(self, session_handle)
        remote = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        remote.connect(os.path.join(os.environ["XDG_RUNTIME_DIR"], "pipewire-0"))
        fd = dbus.types.UnixFd(remote.fileno())
        remote.close()
        return fd
