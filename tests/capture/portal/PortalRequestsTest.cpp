#include "capture/portal/PortalRequests.h"

#include "capture/portal/PortalRig.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace kinetta::portal
{
namespace
{

using testing::PortalRig;

const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");

class PortalRequestsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testing::ensureCoreApplication();
        if (const QString missing = PortalRig::missingTools(false); !missing.isEmpty())
            GTEST_SKIP() << "needs " << missing.toStdString();
        m_rig = std::make_unique<PortalRig>(PortalRig::Options{{"screencast"}, false});
        ASSERT_TRUE(m_rig->problem().isEmpty()) << m_rig->problem().toStdString();
    }

    Result<PortalResponse, PortalFailure> createSession(PortalRequests& requests,
                                                        const QString& sessionToken)
    {
        return requests.request(kScreenCast, QStringLiteral("CreateSession"), {},
                                {{QStringLiteral("session_handle_token"), sessionToken}});
    }

    std::unique_ptr<PortalRig> m_rig;
};

TEST_F(PortalRequestsTest, AGrantedRequestHandsOverItsResultsOnTheTokensPaths)
{
    PortalRequests requests(m_rig->bus());
    const QString sessionToken = requests.newToken();
    const auto response = createSession(requests, sessionToken);
    ASSERT_TRUE(response.ok()) << response.message().message.toStdString();
    EXPECT_EQ(response->outcome, PortalResponse::Outcome::success);
    EXPECT_EQ(response->results.value(QStringLiteral("session_handle")).toString(),
              requests.sessionPath(sessionToken));
    // The token we chose went with the call, and the path follows from it.
    const QString handleToken =
        m_rig->lastOptions(QStringLiteral("CreateSession")).value("handle_token").toString();
    EXPECT_FALSE(handleToken.isEmpty());
    EXPECT_TRUE(requests.requestPath(handleToken)
                    .startsWith(QStringLiteral("/org/freedesktop/portal/desktop/request/")));
    EXPECT_FALSE(requests.requestPath(handleToken).contains(QLatin1Char('.')));
    EXPECT_NE(requests.newToken(), requests.newToken());
}

TEST_F(PortalRequestsTest, TheResponseCodeSaysWhetherTheUserRefusedOrTheRequestEndedOtherwise)
{
    PortalRequests requests(m_rig->bus());
    m_rig->setAnswer(QStringLiteral("CreateSession"), 1);
    auto response = createSession(requests, requests.newToken());
    ASSERT_TRUE(response.ok());
    EXPECT_EQ(response->outcome, PortalResponse::Outcome::cancelled);
    EXPECT_TRUE(response->results.isEmpty());

    m_rig->setAnswer(QStringLiteral("CreateSession"), 2);
    response = createSession(requests, requests.newToken());
    ASSERT_TRUE(response.ok());
    EXPECT_EQ(response->outcome, PortalResponse::Outcome::ended);
}

TEST_F(PortalRequestsTest, AnUnansweredRequestEndsAfterTheBoundedWait)
{
    PortalRequests requests(m_rig->bus(), std::chrono::milliseconds(300));
    m_rig->setAnswer(QStringLiteral("CreateSession"), 255);
    const auto response = createSession(requests, requests.newToken());
    ASSERT_FALSE(response.ok());
    EXPECT_EQ(response.message().kind, PortalFailure::Kind::noResponse);
    // The next request is answered as usual: nothing of the first is left waiting.
    m_rig->setAnswer(QStringLiteral("CreateSession"), 0);
    EXPECT_TRUE(createSession(requests, requests.newToken()).ok());
}

TEST_F(PortalRequestsTest, SignalsReachTheirHandlerWhileTheSubscriptionLives)
{
    PortalRequests requests(m_rig->bus());
    const QString sessionToken = requests.newToken();
    ASSERT_TRUE(createSession(requests, sessionToken).ok());
    const QString session = requests.sessionPath(sessionToken);
    const QString interface = QStringLiteral("org.freedesktop.portal.Session");

    std::mutex mutex;
    std::condition_variable changed;
    int kept = 0;
    int dropped = 0;
    PortalSignalSubscription keep(requests, session, interface, QStringLiteral("Closed"),
                                  [&](const QDBusMessage&) {
                                      std::lock_guard lock(mutex);
                                      ++kept;
                                      changed.notify_all();
                                  });
    auto drop = std::make_unique<PortalSignalSubscription>(
        requests, session, interface, QStringLiteral("Closed"), [&](const QDBusMessage&) {
            std::lock_guard lock(mutex);
            ++dropped;
        });
    ASSERT_TRUE(keep.connected());
    drop.reset();

    m_rig->closeSessions();
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return kept > 0; }));
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(dropped, 0);
}

TEST_F(PortalRequestsTest, PropertiesAndAMissingPortalOrInterfaceAreToldApart)
{
    PortalRequests requests(m_rig->bus());
    const auto types = requests.property(kScreenCast, QStringLiteral("AvailableSourceTypes"));
    ASSERT_TRUE(types.ok()) << types.message().message.toStdString();
    EXPECT_EQ(types->toUInt(), 1u) << "monitors only, unless the rig offers windows";
    const auto absent = requests.property(QStringLiteral("org.freedesktop.portal.Nothing"),
                                          QStringLiteral("version"));
    ASSERT_FALSE(absent.ok());
    EXPECT_EQ(absent.message().kind, PortalFailure::Kind::unavailable);

    m_rig->stopPortal();
    const auto gone = createSession(requests, requests.newToken());
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.message().kind, PortalFailure::Kind::unavailable);
}

} // namespace
} // namespace kinetta::portal
