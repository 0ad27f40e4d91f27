#include "ui/panel/Theme.h"

#include <gtest/gtest.h>

using namespace kinetta;

namespace
{

void expectRgb(const QColor& colour, QRgb rgb)
{
    EXPECT_EQ(colour.spec(), QColor::Rgb);
    EXPECT_EQ(colour.rgba(), 0xff000000u | rgb) << std::hex << colour.rgba();
}

} // namespace

TEST(ThemeColor, PlainHexGivesItsLowSixDigitsAndAnythingElseBlack)
{
    // Short texts are small numbers, not shorthand.
    const std::pair<const char16_t*, QRgb> cases[] = {
        {u"7C3AED", 0x7C3AED},   {u"7c3aed", 0x7C3AED},           {u"+7C3AED", 0x7C3AED},
        {u"FF7C3AED", 0x7C3AED}, {u"FFFFFFFFFF7C3AED", 0x7C3AED}, {u"ABC", 0x000ABC},
        {u"1", 0x000001}};
    for (const auto& [text, rgb] : cases) {
        SCOPED_TRACE(QString::fromUtf16(text).toStdString());
        expectRgb(Theme::color(text), rgb);
    }
    for (const char16_t* text : {u"#7C3AED", u"", u"0x7C3AED", u" 7C3AED", u"7C3AED ", u"+", u"-1",
                                 u"7C3AEG", u"10000000000000000"}) {
        SCOPED_TRACE(QString::fromUtf16(text).toStdString());
        expectRgb(Theme::color(text), 0);
    }
    EXPECT_NEAR(Theme::color(u"7C3AED").redF(), 124.0 / 255.0, 1e-6);
    EXPECT_EQ(Theme::parseHex(u"FFFFFFFFFFFFFFFF"), ~quint64{0});
    EXPECT_FALSE(Theme::parseHex(u"10000000000000000"));
}

TEST(ThemeColor, NamedColoursMatchTheirHexValues)
{
    expectRgb(Theme::panelBG(), 0x100820);
    expectRgb(Theme::panelSurface(), 0x1C1030);
    expectRgb(Theme::panelBorder(), 0x2E1D50);
    expectRgb(Theme::ktPurple(), 0x7C3AED);
    expectRgb(Theme::ktPink(), 0xEC4899);
}
