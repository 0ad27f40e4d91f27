#pragma once

#include <QRectF>
#include <QtGlobal>

class QPainter;

namespace kinetta::statusicon
{

// The tray icon's pictures, each filling a square of side device-independent
// pixels at the painter's origin.

void paintIdle(QPainter& painter, qreal side);
void paintCountdown(QPainter& painter, qreal side, qint64 value);
void paintRecording(QPainter& painter, qreal side, qint64 seconds);

// Whether the whole elapsed time fits under the stop symbol with digits a
// person can read at this side.
[[nodiscard]] bool showsElapsedTime(qreal side, qint64 seconds);

} // namespace kinetta::statusicon
