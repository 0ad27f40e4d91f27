#include "ui/common/Symbols.h"
#include "model/CaptureMode.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace kinetta;

namespace
{

// Every symbol name the views use, gathered from their descriptions: status
// icon, toasts, capture modes, control panel, window picker, preview.
const char* const usedNames[] = {
    "aspectratio", "arrow.clockwise", "arrow.up.left.and.arrow.down.right",
    "arrow.up.right.square", "arrow.uturn.backward.circle", "backward.end.fill",
    "checkmark", "checkmark.circle.fill", "chevron.right", "clock", "crop", "display",
    "doc.on.clipboard", "doc.zipper", "exclamationmark.triangle.fill", "film",
    "forward.end.fill", "gearshape.fill", "key.fill", "macwindow", "macwindow.badge.plus",
    "magnifyingglass", "pause.fill", "photo", "photo.fill", "play.fill", "power",
    "record.circle", "rectangle.on.rectangle", "rectangle.slash", "scissors",
    "square.and.arrow.down", "square.and.arrow.up", "stop.circle.fill", "trash", "xmark",
    "xmark.circle.fill", "xmark.octagon.fill"};

int opaquePixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return count;
}

} // namespace

TEST(Symbols, EveryUsedNameIsMappedAndNothingElse)
{
    QStringList expected;
    for (const char* name : usedNames) {
        expected << QLatin1String(name);
        EXPECT_TRUE(Symbols::contains(expected.back())) << name;
    }
    expected.sort();
    EXPECT_EQ(Symbols::names(), expected);
    for (const CaptureMode mode : kAllCaptureModes)
        EXPECT_TRUE(Symbols::contains(symbolName(mode))) << rawValue(mode).toStdString();
    EXPECT_FALSE(Symbols::contains(u"record"));
    EXPECT_TRUE(Symbols::shape(u"no.such.symbol").isEmpty());
}

TEST(Symbols, EachShapeFillsPartOfItsSquareAndStaysInside)
{
    const QRectF square(0, 0, Symbols::designSize, Symbols::designSize);
    for (const QString& name : Symbols::names()) {
        SCOPED_TRACE(name.toStdString());
        const QRectF bounds = Symbols::shape(name).boundingRect();
        EXPECT_TRUE(square.contains(bounds)) << bounds.x() << "," << bounds.y() << " "
                                             << bounds.width() << "x" << bounds.height();
        // Something drawn, and not a solid block.
        const QImage image = Symbols::image(name, 24, 1, Qt::white);
        const int covered = opaquePixels(image);
        EXPECT_GT(covered, 24 * 24 / 20);
        EXPECT_LT(covered, 24 * 24 * 9 / 10);
    }
}

TEST(Symbols, ImagesFollowSizeRatioAndTint)
{
    const QColor tint(0x7C, 0x3A, 0xED);
    const QImage image = Symbols::image(u"stop.circle.fill", 14, 2, tint);
    EXPECT_EQ(image.size(), QSize(28, 28));
    EXPECT_EQ(image.devicePixelRatio(), 2);
    // The middle of the disc's edge is opaque tint; the cut-out square and the
    // corners are clear.
    EXPECT_EQ(image.pixelColor(14, 2).rgba(), tint.rgba());
    EXPECT_EQ(qAlpha(image.pixel(14, 14)), 0);
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 255) {
                ASSERT_EQ(image.pixelColor(x, y).rgb(), tint.rgb()) << x << "," << y;
            }
        }

    // A wide rectangle gets the symbol centred at its height.
    QImage wide(40, 10, QImage::Format_ARGB32_Premultiplied);
    wide.fill(Qt::transparent);
    QPainter painter(&wide);
    Symbols::paint(painter, QRectF(0, 0, 40, 10), u"pause.fill", Qt::white);
    painter.end();
    EXPECT_EQ(qAlpha(wide.pixel(2, 5)), 0);
    EXPECT_EQ(qAlpha(wide.pixel(37, 5)), 0);
    EXPECT_GT(opaquePixels(wide.copy(15, 0, 10, 10)), 10);
}
