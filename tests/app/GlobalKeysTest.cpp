// The global keys without a display: the matching table over raw key events,
// and the hotkey and Escape driving a flow through a fake observer.
#include "app/GlobalKeys.h"

#include "FlowFixture.h"

#include <QStringList>
#include <map>

namespace kinetta::test
{
namespace
{

// Key codes and symbols of a US keyboard as the X server lists them.
constexpr std::uint32_t g = 42, escape = 9, controlLeft = 37, controlRight = 105, shiftLeft = 50,
                        altLeft = 64, superLeft = 133, capsLock = 66, numLock = 77, v = 55;

KeyboardMap usMap()
{
    KeyboardMap map;
    map.keysyms = {{g, {0x67, 0x47}},           {v, {0x76, 0x56}},        {escape, {0xff1b}},
                   {controlLeft, {0xffe3}},     {controlRight, {0xffe4}}, {shiftLeft, {0xffe1}},
                   {altLeft, {0xffe9, 0xffe7}}, {superLeft, {0xffeb}},    {capsLock, {0xffe5}},
                   {numLock, {0xff7f}}};
    return map;
}

// Russian first, then US: the G key gives Cyrillic pe in the first layout.
KeyboardMap cyrillicFirstMap()
{
    KeyboardMap map = usMap();
    map.keysyms[g] = {0x6d0, 0x6f0, 0x67, 0x47};
    return map;
}

// G moved to another key code, and that code's old letter away.
KeyboardMap movedGMap()
{
    KeyboardMap map = usMap();
    map.keysyms[v] = {0x67, 0x47};
    map.keysyms[g] = {0x76, 0x56};
    return map;
}

const std::map<QString, std::uint32_t> keyNames = {{"g", g},
                                                   {"v", v},
                                                   {"esc", escape},
                                                   {"ctrl", controlLeft},
                                                   {"rctrl", controlRight},
                                                   {"shift", shiftLeft},
                                                   {"alt", altLeft},
                                                   {"super", superLeft},
                                                   {"caps", capsLock},
                                                   {"num", numLock}};

// "+ctrl +shift +g -g" : presses and releases by name; "*g" a repeated press.
std::vector<KeyEvent> events(const QString& script)
{
    std::vector<KeyEvent> result;
    for (const QString& step : script.split(' ', Qt::SkipEmptyParts))
        result.push_back(KeyEvent{keyNames.at(step.mid(1)), step[0] != '-', step[0] == '*'});
    return result;
}

struct MatchCase {
    const char* name;
    KeyboardMap map;
    const char* script;
    int hotkeys;
};

TEST(GlobalKeyMatcherTest, MatchesExactlyControlShiftG)
{
    const auto press = "+ctrl +shift +g -g -shift -ctrl";
    const std::vector<MatchCase> cases = {
        {"control shift g", usMap(), press, 1},
        {"right control", usMap(), "+rctrl +shift +g -g -shift -rctrl", 1},
        {"caps lock on", usMap(), "+caps -caps +ctrl +shift +g -g -shift -ctrl", 0},
        {"caps lock on and off again", usMap(),
         "+caps -caps +caps -caps +ctrl +shift +g -g -shift -ctrl", 1},
        {"num lock on", usMap(), "+num -num +ctrl +shift +g -g -shift -ctrl", 1},
        {"alt held", usMap(), "+alt +ctrl +shift +g -g -shift -ctrl -alt", 0},
        {"super held", usMap(), "+super +ctrl +shift +g -g -shift -ctrl -super", 0},
        {"shift g", usMap(), "+shift +g -g -shift", 0},
        {"control g", usMap(), "+ctrl +g -g -ctrl", 0},
        {"modifiers released before g", usMap(), "+ctrl +shift +g -shift -ctrl -g", 1},
        {"modifiers released then g again", usMap(), "+ctrl +shift -shift -ctrl +g -g", 0},
        {"held g repeats once", usMap(), "+ctrl +shift +g *g *g -g -shift -ctrl", 1},
        {"twice", usMap(), "+ctrl +shift +g -g +g -g -shift -ctrl", 2},
        {"another key", usMap(), "+ctrl +shift +v -v -shift -ctrl", 0},
        {"g on another key code", movedGMap(), "+ctrl +shift +v -v -shift -ctrl", 1},
        {"old g key code after the move", movedGMap(), press, 0},
        {"cyrillic layout active", cyrillicFirstMap(), press, 1},
    };
    for (const MatchCase& entry : cases) {
        GlobalKeyMatcher matcher;
        matcher.setKeyboardMap(entry.map);
        int hotkeys = 0;
        for (const KeyEvent& event : events(entry.script))
            hotkeys += matcher.handle(event) == GlobalKeyMatcher::Match::hotkey ? 1 : 0;
        EXPECT_EQ(hotkeys, entry.hotkeys) << entry.name;
    }
}

TEST(GlobalKeyMatcherTest, CapsLockStateComesFromTheMapAndEscapeIgnoresModifiers)
{
    GlobalKeyMatcher matcher;
    KeyboardMap locked = usMap();
    locked.capsLockOn = true;
    matcher.setKeyboardMap(locked);
    for (const KeyEvent& event : events("+ctrl +shift +g -g"))
        EXPECT_EQ(matcher.handle(event), GlobalKeyMatcher::Match::none);
    // A later mapping (another layout) leaves the lock as the presses left it.
    matcher.setKeyboardMap(cyrillicFirstMap());
    for (const KeyEvent& event : events("+g -g"))
        EXPECT_EQ(matcher.handle(event), GlobalKeyMatcher::Match::none);
    EXPECT_EQ(matcher.handle({escape, true}), GlobalKeyMatcher::Match::escape);
    EXPECT_EQ(matcher.handle({escape, false}), GlobalKeyMatcher::Match::none);
    EXPECT_EQ(matcher.handle({escape, true, true}), GlobalKeyMatcher::Match::none);
}

// Hands the test the handlers the service gave, or fails to start.
class FakeKeyObserver final : public KeyObserver
{
public:
    explicit FakeKeyObserver(KeyObserver::Handlers* given, bool available)
        : m_given(given), m_available(available)
    {
    }
    [[nodiscard]] Status<QString> start(Handlers handlers) override
    {
        if (!m_available)
            return Failure{QStringLiteral("no XInput here")};
        handlers.keyboardMap(usMap());
        *m_given = std::move(handlers);
        return {};
    }
    [[nodiscard]] bool isRunning() const override { return m_available; }

private:
    KeyObserver::Handlers* m_given;
    bool m_available;
};

class GlobalKeysTest : public FlowTest
{
protected:
    void type(const QString& script)
    {
        for (const KeyEvent& event : events(script))
            handlers.key(event);
    }
    void hotkey() { type("+ctrl +shift +g -g -shift -ctrl"); }

    KeyObserver::Handlers handlers;
    bool observerAvailable = true;
    bool ownWindowFocused = false;
    GlobalKeys keys{
        flow, port,
        [this] { return std::make_unique<FakeKeyObserver>(&handlers, observerAvailable); },
        [this] { return ownWindowFocused; }};
};

// Further presses while the stop waits for the recorder neither start nor lose frames.
TEST_F(GlobalKeysTest, StartsAfterClosingThePanelStopsOnceAndStartsAgainOnlyWhenIdle)
{
    ASSERT_TRUE(keys.install());
    port.calls.clear();
    hotkey();
    ASSERT_EQ(recorder.pendingStarts.size(), 1u);
    EXPECT_EQ(port.calls.indexOf("closeControlPanel"), 0);
    recorder.completeStart();
    hotkey();
    EXPECT_EQ(flow.phase(), RecordingFlow::Phase::stopping);
    hotkey();
    hotkey();
    EXPECT_EQ(recorder.stopCalls, 1);
    EXPECT_EQ(recorder.requests.size(), 1u);
    recorder.completeStop(makeFrames(3));
    EXPECT_EQ(session.capturedFrames().size(), 3u);
    EXPECT_EQ(flow.phase(), RecordingFlow::Phase::idle);
    hotkey();
    EXPECT_EQ(recorder.requests.size(), 2u);
}

TEST_F(GlobalKeysTest, CountdownIgnoresTheHotkeyAndEscapeCancelsItOnlyWhileMonitored)
{
    session.setUseCountdown(true);
    session.setCountdownSeconds(3);
    ASSERT_TRUE(keys.install());
    hotkey();
    ASSERT_EQ(flow.phase(), RecordingFlow::Phase::countingDown);
    hotkey();
    EXPECT_EQ(flow.phase(), RecordingFlow::Phase::countingDown);
    // The flow asks its port for the monitor; the tray's port forwards here.
    EXPECT_TRUE(port.escapeMonitorInstalled);
    type("+esc -esc");
    EXPECT_FALSE(session.cancelCountdown());
    keys.installEscapeMonitor();
    type("+esc -esc");
    EXPECT_TRUE(session.cancelCountdown());
    scheduler.advance(1s);
    EXPECT_EQ(flow.phase(), RecordingFlow::Phase::idle);
    EXPECT_TRUE(recorder.requests.empty());
}

TEST_F(GlobalKeysTest, KeysAreLeftAloneWhileOwnWindowHasFocus)
{
    ASSERT_TRUE(keys.install());
    keys.installEscapeMonitor();
    ownWindowFocused = true;
    hotkey();
    type("+esc -esc");
    EXPECT_TRUE(recorder.requests.empty());
    EXPECT_FALSE(session.cancelCountdown());
    // The modifiers seen meanwhile still count once the focus is elsewhere.
    type("+ctrl +shift");
    ownWindowFocused = false;
    type("+g -g -shift -ctrl");
    EXPECT_EQ(recorder.pendingStarts.size(), 1u);
}

TEST_F(GlobalKeysTest, UntrustedWithoutObserverUntilReinstallSucceeds)
{
    observerAvailable = false;
    EXPECT_FALSE(keys.install());
    EXPECT_FALSE(keys.isTrusted());
    EXPECT_EQ(keys.untrustedReason(), "no XInput here");
    observerAvailable = true;
    GlobalKeyService& service = keys;
    EXPECT_TRUE(service.reinstall());
    EXPECT_TRUE(service.isTrusted());
    EXPECT_TRUE(keys.untrustedReason().isEmpty());
    hotkey();
    EXPECT_EQ(recorder.pendingStarts.size(), 1u);
}

} // namespace
} // namespace kinetta::test
