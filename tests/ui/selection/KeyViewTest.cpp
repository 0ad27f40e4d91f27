#include "ui/selection/KeyView.h"

#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace kinetta
{
namespace
{

// Records the keys that reach the window behind the key view.
class KeyRecordingWindow final : public QWidget
{
public:
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.append(event->key()); }
};

TEST(KeyViewTest, EscapeCallsBackAndOtherKeysReachTheWindow)
{
    KeyRecordingWindow window;
    int escapes = 0;
    auto* keyView = new KeyView([&] { ++escapes; }, &window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(keyView->hasFocus());

    QTest::keyClick(keyView, Qt::Key_Escape);
    QTest::keyClick(keyView, Qt::Key_Return);
    QTest::keyClick(keyView, Qt::Key_A);
    EXPECT_EQ(escapes, 1);
    EXPECT_EQ(window.keys, (QList<int>{Qt::Key_Return, Qt::Key_A}));

    // Replaced or cleared callbacks still swallow Escape.
    keyView->setOnEscape({});
    QTest::keyClick(keyView, Qt::Key_Escape);
    EXPECT_EQ(escapes, 1);
    EXPECT_EQ(window.keys.size(), 2);
}

} // namespace
} // namespace kinetta
