// The permissions service's questions and what each answer does, with the
// relaunch, the browser and the quit replaced by recorders; and the real
// message box, offscreen.
#include "app/PermissionsService.h"

#include "FakeKeyObserver.h"
#include "ProcessUntil.h"
#include "WidgetApplication.h"
#include "app/ConfirmationBox.h"
#include "app/HotKeyArming.h"
#include "app/IssueReport.h"
#include "model/MemoryPreferencesStore.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <gtest/gtest.h>
#include <mutex>

namespace kinetta::test
{
namespace
{

// Records every outside effect; questions are answered as the test says.
struct Effects {
    std::vector<Confirmation> questions;
    bool answer = false;
    std::mutex startMutex;
    std::vector<std::pair<QString, QStringList>> starts;
    QThread* startedOn = nullptr;
    std::vector<QUrl> opened;
    int quits = 0;
    // How many starts there were when the relaunch freed the instance.
    std::vector<std::size_t> startsWhenReleased;

    PermissionsActions actions()
    {
        return {[this](const Confirmation& question, std::function<void(bool)> answered) {
                    questions.push_back(question);
                    answered(answer);
                },
                [this](const QString& program, const QStringList& arguments) {
                    const std::lock_guard lock(startMutex);
                    starts.emplace_back(program, arguments);
                    startedOn = QThread::currentThread();
                    return false; // a failed start still quits
                },
                [this](const QUrl& url) { opened.push_back(url); },
                [this] { ++quits; },
                [this] {
                    const std::lock_guard lock(startMutex);
                    startsWhenReleased.push_back(starts.size());
                },
                {}};
    }
};

class PermissionsServiceTest : public ::testing::Test
{
protected:
    PermissionsServiceTest() { widgetApplication(); }

    FakeKeyObserver observer;
    MemoryPreferencesStore store;
    HotKeyArming arming{observer, store};
    Effects effects;
    PermissionsService service{arming, effects.actions(), QStringLiteral("0.1.0")};
};

TEST_F(PermissionsServiceTest, CancelledQuestionsChangeNothing)
{
    service.resetScreenPermission();
    service.resetHotKeyFromMenu();
    ASSERT_EQ(effects.questions.size(), 2u);
    EXPECT_EQ(effects.questions[0].acceptButton, QStringLiteral("Reset & Relaunch"));
    EXPECT_EQ(effects.questions[1].acceptButton, QStringLiteral("Reset Hotkey"));
    QCoreApplication::processEvents();
    EXPECT_EQ(observer.reinstalls, 0);
    EXPECT_TRUE(effects.starts.empty());
    EXPECT_TRUE(effects.startsWhenReleased.empty());
    EXPECT_EQ(effects.quits, 0);
    EXPECT_TRUE(effects.opened.empty());
}

TEST_F(PermissionsServiceTest,
       ScreenResetRelaunchesWithThePathAndArgumentsOffTheMainThreadThenQuits)
{
    effects.answer = true;
    service.resetScreenPermission();
    EXPECT_EQ(effects.quits, 0) << "quits only once the start was tried";
    ASSERT_TRUE(processUntil([&] { return effects.quits == 1; }));
    const std::lock_guard lock(effects.startMutex);
    ASSERT_EQ(effects.starts.size(), 1u);
    EXPECT_EQ(effects.starts[0].first, QCoreApplication::applicationFilePath());
    EXPECT_EQ(effects.starts[0].second,
              (QStringList{QStringLiteral("--first"), QStringLiteral("two words")}));
    EXPECT_NE(effects.startedOn, QCoreApplication::instance()->thread());
    EXPECT_EQ(effects.startsWhenReleased, std::vector<std::size_t>{0})
        << "the instance is freed once, before the new process starts";
    EXPECT_TRUE(effects.opened.empty()) << "no settings to open on this desktop";
    EXPECT_EQ(observer.reinstalls, 0);
}

TEST_F(PermissionsServiceTest, ThroughThePortalTheResetForgetsTheScreenChoiceBeforeRelaunching)
{
    std::vector<std::size_t> forgottenAfterStarts;
    PermissionsActions actions = effects.actions();
    actions.forgetScreenConsent = [&] {
        const std::lock_guard lock(effects.startMutex);
        forgottenAfterStarts.push_back(effects.starts.size());
    };
    PermissionsService portal{arming, std::move(actions), QStringLiteral("0.1.0")};

    portal.resetScreenPermission();
    ASSERT_EQ(effects.questions.size(), 1u);
    EXPECT_EQ(effects.questions[0].text, screenResetConfirmation(true).text);
    EXPECT_TRUE(forgottenAfterStarts.empty()) << "a cancelled question forgets nothing";

    effects.answer = true;
    portal.resetScreenPermission();
    ASSERT_TRUE(processUntil([&] { return effects.quits == 1; }));
    EXPECT_EQ(forgottenAfterStarts, std::vector<std::size_t>{0})
        << "forgotten once, before the new process starts";
}

TEST_F(PermissionsServiceTest, HotKeyResetInstallsTheObserverAfreshAndSaysWhetherItWorks)
{
    std::vector<bool> resets;
    QObject::connect(&service, &PermissionsService::hotKeyReset,
                     [&](bool trusted) { resets.push_back(trusted); });
    effects.answer = true;
    service.resetHotKeyFromMenu();
    EXPECT_EQ(observer.reinstalls, 1);
    EXPECT_FALSE(arming.armedWhileTrusted());

    // The control panel's repair asks nothing.
    observer.installable = true;
    EXPECT_TRUE(service.resetHotKeyPermission());
    EXPECT_EQ(effects.questions.size(), 1u);
    EXPECT_EQ(observer.reinstalls, 2);
    EXPECT_TRUE(arming.armedWhileTrusted());
    EXPECT_EQ(resets, (std::vector<bool>{false, true}));
    EXPECT_TRUE(effects.opened.empty());
    EXPECT_EQ(effects.quits, 0);
}

TEST_F(PermissionsServiceTest, ReportOpensTheIssuePageWithThisSystem)
{
    service.openReportUrl();
    EXPECT_TRUE(effects.opened.empty()) << "the os is read off the main thread first";
    ASSERT_TRUE(processUntil([&] { return !effects.opened.empty(); }));
    EXPECT_EQ(effects.opened[0], issueReportUrl(QStringLiteral("0.1.0"), readOsDescription()));
}

TEST(ConfirmationTexts, SpeakOfThisDesktopNotAnotherOne)
{
    for (const Confirmation& question :
         {screenResetConfirmation(), screenResetConfirmation(true), hotKeyResetConfirmation()}) {
        EXPECT_FALSE(question.text.contains(QStringLiteral("System Settings")));
        EXPECT_FALSE(question.text.contains(QStringLiteral("Privacy")));
        EXPECT_FALSE(question.text.contains(QChar(0x2318))) << "no Command sign";
        EXPECT_EQ(question.cancelButton, QStringLiteral("Cancel"));
    }
    EXPECT_TRUE(hotKeyResetConfirmation().text.contains(QStringLiteral("Ctrl+Shift+G")));
    EXPECT_EQ(screenResetConfirmation().tone, Confirmation::Tone::warning);
    EXPECT_EQ(screenResetConfirmation().title, QStringLiteral("Reset Screen Recording Permission"));
    // Through the portal the prompt's remembered choice is what goes, not an X connection.
    const Confirmation portal = screenResetConfirmation(true);
    EXPECT_EQ(portal.title, screenResetConfirmation().title);
    EXPECT_TRUE(portal.text.contains(QStringLiteral("screen-sharing prompt")));
    EXPECT_FALSE(portal.text.contains(QStringLiteral("X server")));
}

// The open box named as the confirmation, once it is shown.
QMessageBox* openBox()
{
    QMessageBox* found = nullptr;
    processUntil([&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String(kConfirmationBoxName) && widget->isVisible())
                found = qobject_cast<QMessageBox*>(widget);
        }
        return found != nullptr;
    });
    return found;
}

QPushButton* buttonWithText(QMessageBox& box, const QString& text)
{
    for (QAbstractButton* button : box.buttons()) {
        if (button->text() == text)
            return qobject_cast<QPushButton*>(button);
    }
    return nullptr;
}

TEST(ConfirmationBox, ShowsTheQuestionAndAnswersByTheButtonPressed)
{
    widgetApplication();
    for (const bool accept : {true, false}) {
        const Confirmation question = screenResetConfirmation();
        std::vector<bool> answers;
        askInMessageBox(question, [&](bool accepted) { answers.push_back(accepted); });
        QMessageBox* box = openBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), question.title);
        EXPECT_EQ(box->informativeText(), question.text);
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        ASSERT_EQ(box->buttons().size(), 2);
        QPushButton* acceptButton = buttonWithText(*box, QStringLiteral("Reset & Relaunch"));
        QPushButton* cancelButton = buttonWithText(*box, QStringLiteral("Cancel"));
        ASSERT_NE(acceptButton, nullptr);
        ASSERT_NE(cancelButton, nullptr);
        EXPECT_EQ(box->defaultButton(), acceptButton);
        EXPECT_TRUE(answers.empty()) << "the box does not block";

        QPointer<QMessageBox> watched(box);
        (accept ? acceptButton : cancelButton)->click();
        ASSERT_TRUE(processUntil([&] { return watched.isNull(); })) << "the box deletes itself";
        EXPECT_EQ(answers, std::vector<bool>{accept});
    }
}

// The real actions put the question in the box; Escape answers no.
TEST(ConfirmationBox, DesktopActionsAskThroughItAndEscapeAnswersNo)
{
    widgetApplication();
    std::vector<bool> answers;
    desktopPermissionsActions().confirm(hotKeyResetConfirmation(),
                                        [&](bool accepted) { answers.push_back(accepted); });
    QMessageBox* box = openBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_NE(buttonWithText(*box, QStringLiteral("Reset Hotkey")), nullptr);
    box->reject();
    ASSERT_TRUE(processUntil([&] { return !answers.empty(); }));
    EXPECT_EQ(answers, std::vector<bool>{false});
}

} // namespace
} // namespace kinetta::test
