#include "capture/portal/ScreenCastSession.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <fcntl.h>
#include <unistd.h>

namespace kinetta::portal
{
namespace
{

constexpr unsigned kCursorHidden = 1;
constexpr unsigned kCursorEmbedded = 2;
// Remembered until the user revokes it, so that later recordings ask nobody.
constexpr unsigned kPersistUntilRevoked = 2;

ScreenCastFailure failureOf(const PortalFailure& failure)
{
    if (failure.kind == PortalFailure::Kind::unavailable)
        return {ScreenCastFailure::Kind::unavailable,
                QStringLiteral("Recording on Wayland needs the desktop portal's screen cast "
                               "(the portal service and its backend for this desktop), which is "
                               "not running: ") +
                    failure.message};
    return {ScreenCastFailure::Kind::failed,
            QStringLiteral("The desktop portal could not share the screen: ") + failure.message};
}

// A response other than success, as a failure of the step.
std::optional<ScreenCastFailure> refusalOf(const PortalResponse& response, const QString& step)
{
    switch (response.outcome) {
    case PortalResponse::Outcome::success:
        return std::nullopt;
    case PortalResponse::Outcome::cancelled:
        return ScreenCastFailure{ScreenCastFailure::Kind::refused,
                                 QStringLiteral("Screen sharing was declined.")};
    case PortalResponse::Outcome::ended:
        break;
    }
    return ScreenCastFailure{
        ScreenCastFailure::Kind::failed,
        QStringLiteral("The desktop portal ended the screen cast at %1.").arg(step)};
}

std::optional<QPoint> pointOf(const QVariant& value)
{
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return std::nullopt;
    const auto argument = qvariant_cast<QDBusArgument>(value);
    int x = 0;
    int y = 0;
    argument.beginStructure();
    argument >> x >> y;
    argument.endStructure();
    return QPoint(x, y);
}

// Start's "streams": a(ua{sv}).
std::vector<ScreenCastStream> streamsOf(const QVariant& value)
{
    std::vector<ScreenCastStream> streams;
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return streams;
    const auto argument = qvariant_cast<QDBusArgument>(value);
    argument.beginArray();
    while (!argument.atEnd()) {
        ScreenCastStream stream;
        QVariantMap properties;
        argument.beginStructure();
        argument >> stream.node >> properties;
        argument.endStructure();
        if (const auto size = pointOf(properties.value(QStringLiteral("size"))))
            stream.size = QSize(size->x(), size->y());
        stream.position = pointOf(properties.value(QStringLiteral("position")));
        stream.sourceType =
            properties.value(QStringLiteral("source_type"), unsigned{monitorSource}).toUInt();
        streams.push_back(stream);
    }
    argument.endArray();
    return streams;
}

} // namespace

namespace
{

Result<unsigned, PortalFailure> screenCastMask(const PortalRequests& requests, const QString& name)
{
    const auto value = requests.property(kScreenCastInterface, name);
    if (!value.ok())
        return Failure{value.message()};
    return value->toUInt();
}

} // namespace

Result<unsigned, PortalFailure> availableSourceTypes(const PortalRequests& requests)
{
    return screenCastMask(requests, QStringLiteral("AvailableSourceTypes"));
}

Result<unsigned, PortalFailure> availableCursorModes(const PortalRequests& requests)
{
    return screenCastMask(requests, QStringLiteral("AvailableCursorModes"));
}

QRect monitorGeometry(const ScreenCastStream& stream)
{
    return {stream.position.value_or(QPoint(0, 0)), stream.size};
}

Result<std::unique_ptr<ScreenCastSession>, ScreenCastFailure>
ScreenCastSession::open(PortalRequests& requests, const ScreenCastChoice& choice)
{
    const auto sourceTypes = availableSourceTypes(requests);
    if (!sourceTypes.ok())
        return Failure{failureOf(sourceTypes.message())};
    const unsigned types = choice.sourceTypes & *sourceTypes;
    if (types == 0)
        return Failure{ScreenCastFailure{
            ScreenCastFailure::Kind::unavailable,
            choice.sourceTypes == windowSource
                ? QStringLiteral("The desktop portal offers no single windows to record.")
                : QStringLiteral("The desktop portal offers no screen to record.")}};
    // Older portals have no cursor modes at all: they show the cursor as they like.
    const auto cursorModes = availableCursorModes(requests);
    const unsigned wanted = choice.showsCursor ? kCursorEmbedded : kCursorHidden;

    const auto created =
        requests.request(kScreenCastInterface, QStringLiteral("CreateSession"), {},
                         {{QStringLiteral("session_handle_token"), requests.newToken()}});
    if (!created.ok())
        return Failure{failureOf(created.message())};
    if (auto refused = refusalOf(*created, QStringLiteral("CreateSession")))
        return Failure{*refused};
    const QString handle = created->results.value(QStringLiteral("session_handle")).toString();
    if (handle.isEmpty())
        return Failure{ScreenCastFailure{ScreenCastFailure::Kind::failed,
                                         QStringLiteral("The desktop portal made no session.")}};
    std::unique_ptr<ScreenCastSession> session(new ScreenCastSession(requests, handle));
    session->m_showsCursor = choice.showsCursor;

    QVariantMap options{{QStringLiteral("types"), types}, {QStringLiteral("multiple"), false}};
    if (choice.persists)
        options.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
    if (cursorModes.ok() && (*cursorModes & wanted))
        options.insert(QStringLiteral("cursor_mode"), wanted);
    else if (cursorModes.ok() && (*cursorModes & kCursorEmbedded))
        options.insert(QStringLiteral("cursor_mode"), kCursorEmbedded);
    if (choice.restoreToken && !choice.restoreToken->isEmpty())
        options.insert(QStringLiteral("restore_token"), *choice.restoreToken);
    const auto selected = requests.request(kScreenCastInterface, QStringLiteral("SelectSources"),
                                           {QVariant::fromValue(QDBusObjectPath(handle))}, options);
    if (!selected.ok())
        return Failure{failureOf(selected.message())};
    if (auto refused = refusalOf(*selected, QStringLiteral("SelectSources")))
        return Failure{*refused};

    const auto started =
        requests.request(kScreenCastInterface, QStringLiteral("Start"),
                         {QVariant::fromValue(QDBusObjectPath(handle)), QString()}, {});
    if (!started.ok())
        return Failure{failureOf(started.message())};
    if (auto refused = refusalOf(*started, QStringLiteral("Start")))
        return Failure{*refused};
    session->m_streams = streamsOf(started->results.value(QStringLiteral("streams")));
    if (session->m_streams.empty())
        return Failure{ScreenCastFailure{ScreenCastFailure::Kind::failed,
                                         QStringLiteral("The desktop portal shared no screen.")}};
    const QString token = started->results.value(QStringLiteral("restore_token")).toString();
    if (!token.isEmpty())
        session->m_restoreToken = token;
    return session;
}

ScreenCastSession::~ScreenCastSession()
{
    close();
}

Result<FileDescriptor, QString> ScreenCastSession::openPipeWireRemote()
{
    const auto reply =
        m_requests.call(kScreenCastInterface, QStringLiteral("OpenPipeWireRemote"),
                        {QVariant::fromValue(QDBusObjectPath(m_handle)), QVariantMap()});
    if (!reply.ok())
        return Failure{QStringLiteral("The desktop portal gave no connection to PipeWire: ") +
                       reply.message().message};
    const QVariantList arguments = reply->arguments();
    const auto descriptor = arguments.isEmpty()
                                ? QDBusUnixFileDescriptor()
                                : qvariant_cast<QDBusUnixFileDescriptor>(arguments.constFirst());
    // Qt closes its own copy; PipeWire takes ownership of what it is given.
    const int fd =
        descriptor.isValid() ? fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 3) : -1;
    if (fd < 0)
        return Failure{QStringLiteral("The desktop portal gave no connection to PipeWire.")};
    return FileDescriptor(fd);
}

void ScreenCastSession::watchClosed(std::function<void()> closed)
{
    m_closedWatch = std::make_unique<PortalSignalSubscription>(
        m_requests, m_handle, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Closed"), [closed = std::move(closed)](const QDBusMessage&) { closed(); });
}

void ScreenCastSession::stopWatching()
{
    m_closedWatch.reset();
}

void ScreenCastSession::close()
{
    stopWatching();
    if (m_closed)
        return;
    m_closed = true;
    const QDBusMessage message = QDBusMessage::createMethodCall(
        m_requests.service(), m_handle, QStringLiteral("org.freedesktop.portal.Session"),
        QStringLiteral("Close"));
    m_requests.bus().call(message, QDBus::NoBlock);
}

} // namespace kinetta::portal
