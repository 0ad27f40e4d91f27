#include "capture/KeyObserver.h"

#ifdef KINETTA_HAVE_XINPUT
#include "capture/x11/X11KeyObserver.h"
#endif

#include "model/DesktopSession.h"

#include <QByteArray>

namespace kinetta
{
namespace
{

// Says why no keys can be observed here, every time it is asked to start.
class NullKeyObserver final : public KeyObserver
{
public:
    explicit NullKeyObserver(QString reason) : m_reason(std::move(reason)) {}
    [[nodiscard]] Status<QString> start(Handlers /*handlers*/) override
    {
        return Failure{m_reason};
    }
    [[nodiscard]] bool isRunning() const override { return false; }

private:
    QString m_reason;
};

// Whether to observe keys through X11, or why not.
Status<QString> chooseX11()
{
    const QByteArray forced = qgetenv("KINETTA_KEYS");
    if (forced == "null")
        return Failure{QStringLiteral("Global keys are switched off (KINETTA_KEYS=null).")};
#ifdef KINETTA_HAVE_XINPUT
    if (forced == "x11")
        return {};
    // XWayland's server sees only the keys sent to its own clients.
    if (isWaylandSession())
        return Failure{QStringLiteral("Keys pressed in other programs cannot be seen in a "
                                      "Wayland session.")};
    if (!qgetenv("DISPLAY").isEmpty())
        return {};
    return Failure{QStringLiteral("No X display is set (DISPLAY is empty).")};
#else
    return Failure{QStringLiteral("This build of Kinetta has no X11 key observer (XInput).")};
#endif
}

} // namespace

std::unique_ptr<KeyObserver> createKeyObserver()
{
    const Status<QString> x11 = chooseX11();
#ifdef KINETTA_HAVE_XINPUT
    if (x11.ok())
        return std::make_unique<x11::X11KeyObserver>();
#endif
    return std::make_unique<NullKeyObserver>(x11.message());
}

} // namespace kinetta
