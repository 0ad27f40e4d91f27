// The preview's keys: Space and the arrows act unless the user types in a
// text field; other keys and other windows are left alone.
#include "ui/preview/PreviewKeys.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

TEST(PreviewKeysTest, MapsSpaceAndArrowsWithoutModifiersOutsideTextFields)
{
    EXPECT_EQ(previewKeyAction(Qt::Key_Space, {}, false), PreviewKeyAction::togglePlayback);
    EXPECT_EQ(previewKeyAction(Qt::Key_Left, {}, false), PreviewKeyAction::stepBackward);
    EXPECT_EQ(previewKeyAction(Qt::Key_Right, Qt::KeypadModifier, false),
              PreviewKeyAction::stepForward);
    EXPECT_FALSE(previewKeyAction(Qt::Key_Space, {}, true));
    EXPECT_FALSE(previewKeyAction(Qt::Key_Left, Qt::ControlModifier, false));
    EXPECT_FALSE(previewKeyAction(Qt::Key_Up, {}, false));
    EXPECT_FALSE(previewKeyAction(Qt::Key_C, {}, false));
}

TEST(PreviewKeysTest, MonitorSwallowsPreviewKeysUnlessATextFieldHasFocus)
{
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("Play"), &window);
    auto* field = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(button);
    layout->addWidget(field);
    int buttonClicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++buttonClicks; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    std::vector<PreviewKeyAction> actions;
    auto monitor = std::make_unique<PreviewKeyMonitor>(
        &window, [&](PreviewKeyAction action) { actions.push_back(action); });

    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_Right);
    QTest::keyClick(button, Qt::Key_Left);
    EXPECT_EQ(actions, (std::vector<PreviewKeyAction>{PreviewKeyAction::togglePlayback,
                                                      PreviewKeyAction::stepForward,
                                                      PreviewKeyAction::stepBackward}));
    // Swallowed: Space did not press the focused button too.
    EXPECT_EQ(buttonClicks, 0);

    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("a b"));
    QTest::keyClick(field, Qt::Key_Left);
    EXPECT_EQ(actions.size(), 3u);
    EXPECT_EQ(field->text(), "a b");
    EXPECT_EQ(field->cursorPosition(), 2);

    // Another window's keys are its own; a removed monitor sees nothing.
    QPushButton other(QStringLiteral("Elsewhere"));
    other.show();
    QTest::keyClick(&other, Qt::Key_Space);
    EXPECT_EQ(actions.size(), 3u);
    monitor.reset();
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Right);
    EXPECT_EQ(actions.size(), 3u);
}

} // namespace
} // namespace kinetta
