#include "app/shell/StatusIcon.h"

#include "app/shell/StatusIconPainting.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <gtest/gtest.h>

using namespace kinetta;

namespace
{

const int traySizes[] = {16, 22, 24, 32, 48};

std::vector<StatusAppearance> everyAppearance()
{
    return {StatusAppearance::idle(),           StatusAppearance::countingDown(3),
            StatusAppearance::countingDown(10), StatusAppearance::recording(5),
            StatusAppearance::recording(83),    StatusAppearance::recording(600),
            StatusAppearance::countdownEnded()};
}

template <typename Test> int countPixels(const QImage& image, Test test)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            count += test(QColor::fromRgba(argb.pixel(x, y))) ? 1 : 0;
    return count;
}

bool isRed(const QColor& c)
{
    return c.alpha() > 200 && c.red() > 200 && c.green() < 110 && c.blue() < 110;
}

// The icon laid on a panel of that colour.
QImage onPanel(const QImage& icon, const QColor& panel)
{
    QImage result(icon.size(), QImage::Format_ARGB32);
    result.fill(panel);
    QPainter painter(&result);
    painter.drawImage(QRect(QPoint(0, 0), icon.size()), icon);
    return result;
}

} // namespace

TEST(StatusIcon, EveryStateIsDrawnAtEveryTraySizeAndRatio)
{
    for (const StatusAppearance& appearance : everyAppearance())
        for (const int size : traySizes)
            for (const qreal ratio : {1.0, 2.0}) {
                SCOPED_TRACE(appearance.toolTip().toStdString() + " at " + std::to_string(size));
                const QImage image = statusIconImage(appearance, size, ratio);
                EXPECT_EQ(image.size(), QSize(size, size) * ratio);
                EXPECT_EQ(image.devicePixelRatio(), ratio);
                const int inked = countPixels(image, [](QColor c) { return c.alpha() > 128; });
                EXPECT_GT(inked, image.width() * image.height() / 3);
            }
}

// Without template images the panel may be dark or light: each picture must
// stand out from both.
TEST(StatusIcon, EveryPictureStandsOutOnDarkAndLightPanels)
{
    for (const StatusAppearance& appearance : everyAppearance())
        for (const QColor& panel : {QColor(40, 40, 44), QColor(236, 236, 238)}) {
            SCOPED_TRACE(appearance.toolTip().toStdString() + " on " + panel.name().toStdString());
            const QImage laid = onPanel(statusIconImage(appearance, 22), panel);
            const qreal panelLightness = panel.lightnessF();
            const int distinct = countPixels(laid, [panelLightness](QColor c) {
                return std::abs(c.lightnessF() - panelLightness) > 0.25;
            });
            EXPECT_GT(distinct, 22 * 22 / 4);
        }
}

TEST(StatusIcon, RecordingIsRedAndTheOtherStatesAreNot)
{
    for (const qint64 seconds : {0, 5, 83, 600}) {
        const QImage image = statusIconImage(StatusAppearance::recording(seconds), 22);
        const int inked = countPixels(image, [](QColor c) { return c.alpha() > 128; });
        // The stop disc stays red whatever the ring and badge cover.
        EXPECT_GT(countPixels(image, isRed), inked / 5) << seconds;
    }
    for (const StatusAppearance& other :
         {StatusAppearance::idle(), StatusAppearance::countingDown(3),
          StatusAppearance::countdownEnded()})
        EXPECT_EQ(countPixels(statusIconImage(other, 22), isRed), 0);
    EXPECT_EQ(statusIconImage(StatusAppearance::idle(), 22),
              statusIconImage(StatusAppearance::countdownEnded(), 22));
}

TEST(StatusIcon, CountdownNumbersLookDifferent)
{
    for (const int size : {16, 22, 48}) {
        std::vector<QImage> numbers;
        for (qint64 value = 1; value <= 10; ++value)
            numbers.push_back(statusIconImage(StatusAppearance::countingDown(value), size));
        for (size_t a = 0; a < numbers.size(); ++a)
            for (size_t b = a + 1; b < numbers.size(); ++b)
                EXPECT_NE(numbers[a], numbers[b]) << a + 1 << " and " << b + 1 << " at " << size;
    }
}

TEST(StatusIcon, ElapsedTimeShowsInFullOnlyWhereItIsLegible)
{
    for (const qint64 seconds : {5, 83, 600, 3599}) {
        EXPECT_TRUE(statusicon::showsElapsedTime(48, seconds)) << seconds;
        EXPECT_TRUE(statusicon::showsElapsedTime(32, seconds)) << seconds;
        for (const int size : {16, 22, 24})
            EXPECT_FALSE(statusicon::showsElapsedTime(size, seconds)) << seconds << " at " << size;
    }
    // Past 99 minutes the text grows wider than even a large icon holds.
    EXPECT_FALSE(statusicon::showsElapsedTime(48, 6000));
    // Where it shows, the picture changes with each second.
    EXPECT_NE(statusIconImage(StatusAppearance::recording(600), 48),
              statusIconImage(StatusAppearance::recording(660), 48));
}

TEST(StatusIcon, SmallIconsShowProgressInTheMinuteAndTheMinutesPassed)
{
    const auto at = [](qint64 seconds) {
        return statusIconImage(StatusAppearance::recording(seconds), 22);
    };
    EXPECT_LT(countPixels(at(15), isRed), countPixels(at(45), isRed));
    const auto badge = [](QColor c) {
        return c.alpha() > 200 && c.red() < 60 && c.green() < 60 && c.blue() < 60;
    };
    EXPECT_EQ(countPixels(at(59), badge), 0);
    EXPECT_GT(countPixels(at(60), badge), 10);
    EXPECT_NE(at(65), at(125));
}

TEST(StatusIcon, IconDrawsEachRequestedSizeAndRatioAfresh)
{
    const StatusAppearance appearance = StatusAppearance::recording(83);
    const QIcon icon = statusIcon(appearance);
    EXPECT_TRUE(icon.availableSizes().contains(QSize(22, 22)));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(48, 48)));
    for (const int size : traySizes)
        for (const qreal ratio : {1.0, 2.0}) {
            const QPixmap pixmap = icon.pixmap(QSize(size, size), ratio);
            EXPECT_EQ(pixmap.size(), QSize(size, size) * ratio);
            EXPECT_EQ(pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                      statusIconImage(appearance, size, ratio))
                << size << " at " << ratio;
        }
}
