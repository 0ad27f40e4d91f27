#pragma once

#include <QImage>

class QPainter;
class QRectF;
class QScreen;
class QWidget;

namespace kinetta
{

// What lies under a full-screen overlay. With a compositing manager the
// overlay's window is translucent and the desktop shows through. Without
// one, X11 shows translucency as black, so the overlay paints a still of the
// screen taken before it opened, or, where none could be taken, an opaque
// dark fill: never a black square.
class OverlayBackdrop final
{
public:
    // Translucent: the window manager composites.
    static OverlayBackdrop translucent();
    // The picture of the screen to paint under the overlay's own layers; a
    // null image gives the opaque fill.
    static OverlayBackdrop still(QImage screen);
    // Translucent when composited, else a still of screen taken now.
    static OverlayBackdrop forScreen(QScreen* screen, bool composited);

    [[nodiscard]] bool isTranslucent() const { return m_translucent; }
    [[nodiscard]] const QImage& screenStill() const { return m_still; }

    // Makes window's background translucent or opaque to match.
    void applyTo(QWidget& window) const;
    // Paints the backdrop over rect (nothing when translucent).
    void paint(QPainter& painter, const QRectF& rect) const;

private:
    OverlayBackdrop(bool translucent, QImage still);

    bool m_translucent;
    QImage m_still;
};

} // namespace kinetta
