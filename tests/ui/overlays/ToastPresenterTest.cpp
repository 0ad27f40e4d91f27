#include "ui/overlays/ToastPresenter.h"

#include "support/VirtualScheduler.h"
#include "ui/overlays/OverlayPainting.h"
#include "ui/overlays/ToastView.h"
#include "ui/panel/Theme.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

using namespace std::chrono_literals;

Toast copiedToast(const QString& size)
{
    return Toast{QStringLiteral("GIF copied to clipboard · ") + size,
                 QStringLiteral("checkmark.circle.fill"), QString(), true, ToastKind::copied};
}

const Toast encodingToast{QStringLiteral("Encoding GIF…"), QStringLiteral("gearshape.fill"),
                          QStringLiteral("7C3AED"), false, ToastKind::encoding};

class ToastPresenterTest : public ::testing::Test
{
protected:
    QRect trayIcon() const
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        return QRect(screen.right() - 40, screen.top() + 2, 22, 22);
    }

    // The message of the toast on screen; empty when none is.
    QString shown() const
    {
        return presenter.current() ? presenter.current()->toast().message : QString();
    }

    VirtualScheduler scheduler;
    ToastPresenter presenter{scheduler, true};
};

TEST_F(ToastPresenterTest, AToastDismissesItselfAfterTwoAndAHalfSeconds)
{
    presenter.show(copiedToast(QStringLiteral("1.2 MB")), trayIcon());
    ASSERT_NE(presenter.current(), nullptr);
    EXPECT_TRUE(presenter.current()->isVisible());
    scheduler.advance(2499ms);
    EXPECT_EQ(shown(), QStringLiteral("GIF copied to clipboard · 1.2 MB"));
    scheduler.advance(1ms);
    EXPECT_EQ(presenter.current(), nullptr);

    // Work in progress stays until it is replaced or hidden.
    presenter.show(encodingToast, trayIcon());
    scheduler.advance(60s);
    EXPECT_EQ(shown(), encodingToast.message);
    presenter.hide();
    EXPECT_EQ(presenter.current(), nullptr);
}

TEST_F(ToastPresenterTest, ALaterToastReplacesTheFirstAndKeepsItsOwnFullTime)
{
    const QString second = QStringLiteral("GIF copied to clipboard · 3.4 MB");
    presenter.show(copiedToast(QStringLiteral("1.2 MB")), trayIcon());
    scheduler.advance(1s);
    presenter.show(copiedToast(QStringLiteral("3.4 MB")), trayIcon());
    EXPECT_EQ(shown(), second);
    // When the first toast's time runs out the second is still there...
    scheduler.advance(1500ms);
    EXPECT_EQ(shown(), second);
    // ...for its own 2.5 seconds.
    scheduler.advance(999ms);
    EXPECT_EQ(shown(), second);
    scheduler.advance(1ms);
    EXPECT_EQ(presenter.current(), nullptr);

    // A finished toast replacing the progress toast dismisses itself as usual.
    presenter.show(encodingToast, trayIcon());
    scheduler.advance(5s);
    presenter.show(copiedToast(QStringLiteral("2 MB")), trayIcon());
    scheduler.advance(2500ms);
    EXPECT_EQ(presenter.current(), nullptr);
}

TEST_F(ToastPresenterTest, ToastOpensNextToTheTrayInsideTheScreen)
{
    presenter.show(copiedToast(QStringLiteral("1.2 MB")), trayIcon());
    ToastView* view = presenter.current();
    ASSERT_NE(view, nullptr);
    QScreen* screen = QGuiApplication::primaryScreen();
    EXPECT_TRUE(screen->availableGeometry().contains(view->geometry()));
    EXPECT_GT(view->geometry().top(), trayIcon().bottom());
    EXPECT_TRUE(view->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(view->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_EQ(view->accessibleName(), QStringLiteral("GIF copied to clipboard · 1.2 MB"));
    // The done toasts take the system green; the progress toast the brand purple.
    EXPECT_EQ(view->symbolColour(), overlaypaint::systemGreen());
    presenter.show(encodingToast, QRect());
    EXPECT_EQ(presenter.current()->symbolColour(), Theme::ktPurple());
}

TEST(ToastViewTest, WithoutCompositorTheToastIsAnOpaqueShapedCapsule)
{
    ToastView view(copiedToast(QStringLiteral("1.2 MB")), false);
    view.makeWindow();
    EXPECT_FALSE(view.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(view.capsuleRect(), view.rect());
    const QRegion mask = view.mask();
    ASSERT_FALSE(mask.isEmpty());
    // The rounded ends are cut away; the middle is kept.
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_TRUE(mask.contains(view.rect().center()));
    const QImage shown = view.grab().toImage();
    EXPECT_EQ(shown.pixelColor(view.width() / 2, 2).alpha(), 255);

    // Composited, the window is larger than the capsule by the shadow's room.
    ToastView floating(copiedToast(QStringLiteral("1.2 MB")), true);
    EXPECT_EQ(floating.size() - floating.capsuleRect().size(),
              QSize(2 * ToastView::shadowRadius, 2 * ToastView::shadowRadius));
    EXPECT_EQ(floating.capsuleRect().size(), view.size());
    // Fitted to the message: a longer one makes a wider toast of the same height.
    ToastView longer(Toast{QStringLiteral("Too big to copy (14.2 MB) — saved to Downloads"),
                           QStringLiteral("checkmark.circle.fill"), QString(), true,
                           ToastKind::savedToDownloads},
                     false);
    EXPECT_GT(longer.width(), view.width());
    EXPECT_EQ(longer.height(), view.height());
}

} // namespace
} // namespace kinetta
