#include "ui/icons/WindowIconLookup.h"

#include "app/WidgetApplication.h"

#include <QPixmap>
#include <gtest/gtest.h>

using namespace kinetta;

namespace
{

// Icons by window id, and every read asked of it.
struct FakeIconReader final : WindowIconReader {
    std::vector<std::vector<std::uint32_t>>
    readIcons(const std::vector<std::uint32_t>& windowIDs) override
    {
        reads.push_back(windowIDs);
        std::vector<std::vector<std::uint32_t>> result;
        for (std::uint32_t id : windowIDs)
            result.push_back(icons.contains(id) ? icons.at(id) : std::vector<std::uint32_t>{});
        return result;
    }
    std::map<std::uint32_t, std::vector<std::uint32_t>> icons;
    std::vector<std::vector<std::uint32_t>> reads;
};

// A theme that knows some names, each as a solid colour.
struct FakeTheme {
    std::map<QString, QColor> known;
    QStringList asked;
    ThemeIconFunction function()
    {
        return [this](const QString& name) {
            asked << name;
            if (!known.contains(name))
                return QIcon();
            QPixmap pixmap(64, 64);
            pixmap.fill(known.at(name));
            return QIcon(pixmap);
        };
    }
};

std::vector<std::uint32_t> solidIcon(std::uint32_t side, std::uint32_t argb)
{
    std::vector<std::uint32_t> values{side, side};
    values.resize(2 + side * side, argb);
    return values;
}

WindowInfo window(std::uint32_t id, QString className = {})
{
    WindowInfo info;
    info.windowID = id;
    info.className = std::move(className);
    return info;
}

class WindowIconLookupTest : public ::testing::Test
{
protected:
    void SetUp() override { test::widgetApplication(); }

    std::shared_ptr<FakeIconReader> reader = std::make_shared<FakeIconReader>();
    FakeTheme theme;
    WindowIconLookup lookup{reader, theme.function()};
};

} // namespace

TEST_F(WindowIconLookupTest, TheWindowsOwnIconAtTheSizeForTheRatioComesFirst)
{
    std::vector<std::uint32_t> values = solidIcon(16, 0xff0000ff);
    const auto large = solidIcon(64, 0xff00ff00);
    values.insert(values.end(), large.begin(), large.end());
    reader->icons[5] = values;
    theme.known[QStringLiteral("Term")] = Qt::red;

    const WindowIcon small = lookup.icon(window(5, "Term"), 16, 1.0);
    EXPECT_EQ(small.origin, WindowIconOrigin::Window);
    EXPECT_EQ(small.image.size(), QSize(16, 16));
    EXPECT_EQ(small.image.pixel(3, 3), 0xff0000ffu);
    // 26 points at ratio 1.5 need 39 pixels: the 64 image, marked with its ratio.
    const WindowIcon sharp = lookup.icon(window(5, "Term"), 26, 1.5);
    EXPECT_EQ(sharp.image.size(), QSize(64, 64));
    EXPECT_EQ(sharp.image.pixel(10, 10), 0xff00ff00u);
    EXPECT_EQ(sharp.image.devicePixelRatio(), 1.5);
    EXPECT_TRUE(theme.asked.isEmpty());
    EXPECT_EQ(reader->reads.size(), 1u); // the property is read once for every size
}

TEST_F(WindowIconLookupTest, WithoutAUsableIconTheThemeIsAskedForTheClassThenItsLowerCase)
{
    reader->icons[1] = {4, 4, 1, 2}; // truncated: refused, as if there were none
    theme.known[QStringLiteral("sketchpad")] = QColor(0x12, 0x34, 0x56);
    const WindowIcon themed = lookup.icon(window(1, "Sketchpad"), 20, 2.0);
    EXPECT_EQ(themed.origin, WindowIconOrigin::Theme);
    EXPECT_EQ(theme.asked, (QStringList{"Sketchpad", "sketchpad"}));
    EXPECT_EQ(themed.image.size(), QSize(40, 40));
    EXPECT_EQ(themed.image.pixel(20, 20), qRgb(0x12, 0x34, 0x56));

    // Already lower case: asked once; unknown to the theme: our glyph.
    theme.asked.clear();
    const WindowIcon drawn = lookup.icon(window(2, "xterm"), 26, 1.0);
    EXPECT_EQ(theme.asked, QStringList{"xterm"});
    EXPECT_EQ(drawn.origin, WindowIconOrigin::Drawn);
    EXPECT_EQ(drawn.image.size(), QSize(26, 26));
    EXPECT_EQ(qAlpha(drawn.image.pixel(13, 13)), 255);
    EXPECT_EQ(qAlpha(drawn.image.pixel(0, 0)), 0); // a rounded tile

    // No class: the theme is not asked for an empty name.
    theme.asked.clear();
    EXPECT_EQ(lookup.icon(window(3), 26, 1.0).origin, WindowIconOrigin::Drawn);
    EXPECT_TRUE(theme.asked.isEmpty());
}

TEST_F(WindowIconLookupTest, ManyWindowsAreReadTogetherOnceUntilOneIsForgotten)
{
    reader->icons[7] = solidIcon(8, 0xffffffff);
    const auto first = lookup.icons({window(7), window(8), window(7)}, 20, 1.0);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].origin, WindowIconOrigin::Window);
    EXPECT_EQ(first[1].origin, WindowIconOrigin::Drawn);
    EXPECT_EQ(first[2].image, first[0].image);
    const auto second = lookup.icons({window(8), window(9), window(7)}, 20, 1.0);
    EXPECT_EQ(second[2].image, first[0].image);
    EXPECT_EQ(reader->reads,
              (std::vector<std::vector<std::uint32_t>>{{7, 8}, {9}})); // only the new one

    // The window changed its icon: forgotten, it is read anew.
    reader->icons[7] = solidIcon(32, 0xff000000);
    lookup.forget(7);
    EXPECT_EQ(lookup.icon(window(7), 20, 1.0).image.size(), QSize(32, 32));
    EXPECT_EQ(reader->reads.back(), std::vector<std::uint32_t>{7});
}
