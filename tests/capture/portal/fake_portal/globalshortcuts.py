"""org.freedesktop.portal.GlobalShortcuts for the fake portal.

Calls are recorded, and answered, under names of their own
("GlobalShortcuts.CreateSession", "GlobalShortcuts.BindShortcuts"), apart
from the ScreenCast calls of the same name. BindShortcuts binds what it is
given, each trigger described as its preferred one; the test fires a bound
shortcut through org.kinetta.test.FakePortal.ActivateShortcut.
"""
import time

import dbus
import dbus.service

GLOBAL_SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
CONTROL = "org.kinetta.test.FakePortal"

properties = {
    GLOBAL_SHORTCUTS: {
        "version": dbus.UInt32(1, variant_level=1),
    }
}


def _bound(shortcuts):
    return dbus.Array([
        dbus.Struct((dbus.String(shortcut_id), dbus.Dictionary({
            "description": dbus.String(props.get("description", "")),
            "trigger_description": dbus.String(props.get("preferred_trigger", "")),
        }, signature="sv")), signature="sa{sv}")
        for shortcut_id, props in shortcuts], signature="(sa{sv})")


class Interface:
    @dbus.service.method(CONTROL, in_signature="s", out_signature="u")
    def ActivateShortcut(self, shortcut_id):
        """Presses and releases shortcut_id in every session that bound it;
        answers how many sessions had it."""
        fired = 0
        stamp = dbus.UInt64(int(time.monotonic() * 1000))
        for path, session in list(self.sessions.items()):
            if str(shortcut_id) in session.state.get("shortcuts", ()):
                self.Activated(dbus.ObjectPath(path), shortcut_id, stamp,
                               dbus.Dictionary({}, signature="sv"))
                self.Deactivated(dbus.ObjectPath(path), shortcut_id, stamp,
                                 dbus.Dictionary({}, signature="sv"))
                fired += 1
        return dbus.UInt32(fired)

    @dbus.service.method(GLOBAL_SHORTCUTS, in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        self.record(GLOBAL_SHORTCUTS, "GlobalShortcuts.CreateSession", options)
        session = self.new_session(sender, options)
        return self.answer(sender, options, "GlobalShortcuts.CreateSession",
                           lambda: {"session_handle": dbus.String(session.path)})

    @dbus.service.method(GLOBAL_SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def BindShortcuts(self, session_handle, shortcuts, parent_window, options, sender=None):
        recorded = dict(options)
        recorded["shortcuts"] = dbus.Array(
            [dbus.Struct((s_id, props), signature="sa{sv}") for s_id, props in shortcuts],
            signature="(sa{sv})")
        self.record(GLOBAL_SHORTCUTS, "GlobalShortcuts.BindShortcuts", recorded)
        session = self.sessions.get(str(session_handle))
        if session is None:
            raise dbus.exceptions.DBusException("No such session",
                                                name="org.freedesktop.portal.Error.NotFound")
        asked = [(str(s_id), {str(k): v for k, v in props.items()}) for s_id, props in shortcuts]

        def results():
            session.state["shortcuts"] = [s_id for s_id, _ in asked]
            return {"shortcuts": _bound(asked)}

        return self.answer(sender, options, "GlobalShortcuts.BindShortcuts", results)

    @dbus.service.signal(GLOBAL_SHORTCUTS, signature="osta{sv}")
    def Activated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.signal(GLOBAL_SHORTCUTS, signature="osta{sv}")
    def Deactivated(self, session_handle, shortcut_id, timestamp, options):
        pass
