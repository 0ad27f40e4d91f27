#include "ui/panel/Theme.h"

#include <gtest/gtest.h>

using namespace kinetta;

namespace
{

void expectRgb(const QColor& colour, int red, int green, int blue)
{
    EXPECT_EQ(colour.red(), red);
    EXPECT_EQ(colour.green(), green);
    EXPECT_EQ(colour.blue(), blue);
    EXPECT_EQ(colour.alpha(), 255);
    EXPECT_EQ(colour.spec(), QColor::Rgb);
}

} // namespace

TEST(ThemeColor, ParsesSixHexDigitsInEitherCase)
{
    expectRgb(Theme::color(u"7C3AED"), 124, 58, 237);
    expectRgb(Theme::color(u"7c3aed"), 124, 58, 237);
    expectRgb(Theme::color(u"+7C3AED"), 124, 58, 237);
    EXPECT_NEAR(Theme::color(u"7C3AED").redF(), 124.0 / 255.0, 1e-6);
}

TEST(ThemeColor, AnythingButPlainHexIsBlack)
{
    for (const char16_t* text : {u"#7C3AED", u"", u"0x7C3AED", u" 7C3AED", u"7C3AED ", u"+", u"-1",
                                 u"7C3AEG", u"10000000000000000"})
        expectRgb(Theme::color(text), 0, 0, 0);
    EXPECT_FALSE(Theme::parseHex(u"10000000000000000"));
    EXPECT_EQ(Theme::parseHex(u"FFFFFFFFFFFFFFFF"), ~quint64{0});
}

TEST(ThemeColor, HighDigitsAreIgnoredAndShortTextsAreSmallNumbers)
{
    EXPECT_EQ(Theme::color(u"FF7C3AED"), Theme::color(u"7C3AED"));
    expectRgb(Theme::color(u"FFFFFFFFFF7C3AED"), 124, 58, 237);
    expectRgb(Theme::color(u"ABC"), 0, 10, 188);
    expectRgb(Theme::color(u"1"), 0, 0, 1);
}

TEST(ThemeColor, NamedColoursMatchTheirHexValues)
{
    expectRgb(Theme::panelBG(), 16, 8, 32);
    EXPECT_EQ(Theme::panelBG(), Theme::color(u"100820"));
    expectRgb(Theme::panelSurface(), 28, 16, 48);
    expectRgb(Theme::panelBorder(), 46, 29, 80);
    expectRgb(Theme::ktPurple(), 124, 58, 237);
    expectRgb(Theme::ktPink(), 236, 72, 153);
    EXPECT_EQ(Theme::ktPink(), Theme::color(u"EC4899"));
    // Built once and shared.
    EXPECT_EQ(&Theme::ktPurple(), &Theme::ktPurple());
}

TEST(ThemeGradient, RunsPurpleToPinkCornerToCorner)
{
    const QLinearGradient shaped = Theme::kinettaGradient();
    EXPECT_EQ(shaped.coordinateMode(), QGradient::ObjectMode);
    EXPECT_EQ(shaped.start(), QPointF(0, 0));
    EXPECT_EQ(shaped.finalStop(), QPointF(1, 1));
    const QGradientStops stops = shaped.stops();
    ASSERT_EQ(stops.size(), 2);
    EXPECT_EQ(stops[0], QGradientStop(0.0, Theme::ktPurple()));
    EXPECT_EQ(stops[1], QGradientStop(1.0, Theme::ktPink()));

    const QLinearGradient placed = Theme::kinettaGradient(QRectF(10, 20, 100, 50));
    EXPECT_EQ(placed.start(), QPointF(10, 20));
    EXPECT_EQ(placed.finalStop(), QPointF(110, 70));
    EXPECT_EQ(placed.stops(), stops);
}
