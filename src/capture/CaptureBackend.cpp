#include "capture/CaptureBackend.h"

#include "capture/NullCaptureSource.h"
#include "gif/Result.h"
#include "model/DesktopSession.h"

#ifdef KINETTA_HAVE_PIPEWIRE
#include "capture/portal/PortalCaptureSource.h"
#include "model/IniPreferencesStore.h"
#endif
#ifdef KINETTA_HAVE_X11
#include "capture/x11/X11CaptureSource.h"
#include "capture/x11/X11WindowIconReader.h"
#include "capture/x11/X11WindowListSource.h"
#endif

#include <QByteArray>

namespace kinetta
{
namespace
{

// Whether to capture through X11, or why not. Builds without X11 always say why not.
Status<QString> chooseX11()
{
    const QByteArray forced = qgetenv("KINETTA_CAPTURE");
    if (forced == "null")
        return Failure{QStringLiteral("Screen capture is switched off (KINETTA_CAPTURE=null).")};
#ifdef KINETTA_HAVE_PIPEWIRE
    if (forced == "portal")
        return Failure{QStringLiteral("Screen capture goes through the desktop portal "
                                      "(KINETTA_CAPTURE=portal).")};
#else
    if (forced == "portal")
        return Failure{QStringLiteral("This build of Kinetta has no capture through the desktop "
                                      "portal (KINETTA_CAPTURE=portal).")};
#endif
#ifdef KINETTA_HAVE_X11
    if (forced == "x11")
        return {};
#ifdef KINETTA_HAVE_PIPEWIRE
    // XWayland's display shows only X clients: the portal sees the whole screen.
    if (isWaylandSession())
        return Failure{QStringLiteral("This Wayland session records through the desktop portal.")};
#endif
    if (!qgetenv("DISPLAY").isEmpty())
        return {};
    return Failure{isWaylandSession()
                       ? QStringLiteral("Recording needs an X11 session; this Wayland session "
                                        "offers no X display (DISPLAY is empty).")
                       : QStringLiteral("No X display is set (DISPLAY is empty).")};
#else
    return Failure{QStringLiteral("This build of Kinetta has no X11 screen capture.")};
#endif
}

// Whether to capture through the desktop portal: forced, or a Wayland session
// that X11 was not forced for.
bool choosePortal()
{
#ifdef KINETTA_HAVE_PIPEWIRE
    const QByteArray forced = qgetenv("KINETTA_CAPTURE");
    return forced == "portal" || (forced.isEmpty() && isWaylandSession());
#else
    return false;
#endif
}

// A window list that is always unavailable.
class NullWindowListSource final : public WindowListSource
{
public:
    [[nodiscard]] std::optional<std::vector<WindowListEntry>> listWindows() override
    {
        return std::nullopt;
    }
    void setChangeHandler(std::function<void()> /*handler*/) override {}
};

// No icons of the windows' own: the views fall back to the icon theme.
class NullWindowIconReader final : public WindowIconReader
{
public:
    [[nodiscard]] std::vector<std::vector<std::uint32_t>>
    readIcons(const std::vector<std::uint32_t>& windowIDs) override
    {
        return std::vector<std::vector<std::uint32_t>>(windowIDs.size());
    }
};

} // namespace

std::shared_ptr<CaptureSource> createCaptureSource()
{
#ifdef KINETTA_HAVE_PIPEWIRE
    if (choosePortal())
        return std::make_shared<portal::PortalCaptureSource>(
            portal::portalSessionBus(), std::make_shared<IniPreferencesStore>());
#endif
    const Status<QString> x11 = chooseX11();
#ifdef KINETTA_HAVE_X11
    if (x11.ok())
        return std::make_shared<x11::X11CaptureSource>();
#endif
    return std::make_shared<NullCaptureSource>(x11.message());
}

bool desktopChoosesWindows()
{
#ifdef KINETTA_HAVE_PIPEWIRE
    if (choosePortal())
        return portal::offersSingleWindows(portal::PortalRequests(portal::portalSessionBus()));
#endif
    return false;
}

std::optional<QString> windowCaptureUnavailable()
{
#ifdef KINETTA_HAVE_PIPEWIRE
    if (choosePortal() && !desktopChoosesWindows())
        return portal::singleWindowsUnavailable();
#endif
    return std::nullopt;
}

std::function<void()> screenConsentForgetter()
{
#ifdef KINETTA_HAVE_PIPEWIRE
    if (choosePortal())
        return [] {
            IniPreferencesStore settings;
            portal::PortalCaptureSource::forgetConsent(settings);
        };
#endif
    return {};
}

std::shared_ptr<WindowListSource> createWindowListSource()
{
#ifdef KINETTA_HAVE_X11
    if (chooseX11().ok())
        return std::make_shared<x11::X11WindowListSource>();
#endif
    return std::make_shared<NullWindowListSource>();
}

std::shared_ptr<WindowIconReader> createWindowIconReader()
{
#ifdef KINETTA_HAVE_X11
    if (chooseX11().ok())
        return std::make_shared<x11::X11WindowIconReader>();
#endif
    return std::make_shared<NullWindowIconReader>();
}

} // namespace kinetta
