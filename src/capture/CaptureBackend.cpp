#include "capture/CaptureBackend.h"

#include "capture/NullCaptureSource.h"

#ifdef KINETTA_HAVE_X11
#include "capture/x11/X11CaptureSource.h"
#include "capture/x11/X11WindowListSource.h"
#endif

#include <QByteArray>

namespace kinetta
{
namespace
{

enum class Backend { x11, none };

Backend chooseBackend(QString* whyNot)
{
    const QByteArray forced = qgetenv("KINETTA_CAPTURE");
    if (forced == "null") {
        *whyNot = QStringLiteral("Screen capture is switched off (KINETTA_CAPTURE=null).");
        return Backend::none;
    }
#ifdef KINETTA_HAVE_X11
    if (forced == "x11" || !qgetenv("DISPLAY").isEmpty())
        return Backend::x11;
    *whyNot = qgetenv("WAYLAND_DISPLAY").isEmpty()
                  ? QStringLiteral("No X display is set (DISPLAY is empty).")
                  : QStringLiteral("Recording needs an X11 session; this Wayland session offers "
                                   "no X display (DISPLAY is empty).");
#else
    *whyNot = QStringLiteral("This build of Kinetta has no X11 screen capture.");
#endif
    return Backend::none;
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

} // namespace

std::shared_ptr<CaptureSource> createCaptureSource()
{
    QString whyNot;
#ifdef KINETTA_HAVE_X11
    if (chooseBackend(&whyNot) == Backend::x11)
        return std::make_shared<x11::X11CaptureSource>();
#else
    (void)chooseBackend(&whyNot);
#endif
    return std::make_shared<NullCaptureSource>(whyNot);
}

std::shared_ptr<WindowListSource> createWindowListSource()
{
    QString whyNot;
#ifdef KINETTA_HAVE_X11
    if (chooseBackend(&whyNot) == Backend::x11)
        return std::make_shared<x11::X11WindowListSource>();
#else
    (void)chooseBackend(&whyNot);
#endif
    return std::make_shared<NullWindowListSource>();
}

} // namespace kinetta
