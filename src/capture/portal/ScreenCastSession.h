#pragma once

#include "capture/portal/PortalRequests.h"
#include "gif/Result.h"
#include "model/FileDescriptor.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kinetta::portal
{

inline const QString kScreenCastInterface = QStringLiteral("org.freedesktop.portal.ScreenCast");

// The portal's source type bits.
enum ScreenCastSourceType : unsigned { monitorSource = 1, windowSource = 2, virtualSource = 4 };

// Which source types the portal offers (a mask of ScreenCastSourceType).
[[nodiscard]] Result<unsigned, PortalFailure> availableSourceTypes(const PortalRequests& requests);
// Which cursor modes it offers: 1 hidden, 2 embedded, 4 metadata.
[[nodiscard]] Result<unsigned, PortalFailure> availableCursorModes(const PortalRequests& requests);

// One stream the portal started.
struct ScreenCastStream {
    std::uint32_t node = 0;
    // In the compositor's logical pixels; empty when the portal did not say.
    QSize size;
    std::optional<QPoint> position;
    unsigned sourceType = monitorSource;
};

// Where a monitor stream lies on the desktop: its position (the origin when
// the portal gives none) and its size.
[[nodiscard]] QRect monitorGeometry(const ScreenCastStream& stream);

// What to ask the portal for.
struct ScreenCastChoice {
    // A mask of ScreenCastSourceType; types the portal lacks are left out.
    unsigned sourceTypes = monitorSource;
    bool showsCursor = true;
    // Given back by an earlier session so that the user is not asked again.
    std::optional<QString> restoreToken;
    // Whether the portal is asked to remember the choice (and to give a
    // restore token for it).
    bool persists = true;
};

// Why a session could not be had.
struct ScreenCastFailure {
    enum class Kind { refused, unavailable, failed };
    Kind kind = Kind::failed;
    QString message;
};

// A started screen-cast session: CreateSession, SelectSources (persisting the
// permission, cursor embedded or hidden) and Start done. Closing it (or
// destroying it) ends its streams.
class ScreenCastSession final
{
public:
    [[nodiscard]] static Result<std::unique_ptr<ScreenCastSession>, ScreenCastFailure>
    open(PortalRequests& requests, const ScreenCastChoice& choice);
    ~ScreenCastSession();
    ScreenCastSession(const ScreenCastSession&) = delete;
    ScreenCastSession& operator=(const ScreenCastSession&) = delete;

    [[nodiscard]] const std::vector<ScreenCastStream>& streams() const { return m_streams; }
    // To send next time; nothing when the portal gave none.
    [[nodiscard]] const std::optional<QString>& restoreToken() const { return m_restoreToken; }
    [[nodiscard]] const QString& handle() const { return m_handle; }
    // Whether the cursor was asked to be part of the picture.
    [[nodiscard]] bool showsCursor() const { return m_showsCursor; }
    // A connection to the PipeWire daemon that carries the streams: ours to own.
    [[nodiscard]] Result<FileDescriptor, QString> openPipeWireRemote();
    // Calls closed, on the portal's signal thread, when the portal ends the
    // session (the user stopped sharing from the desktop), until
    // stopWatching() or close().
    void watchClosed(std::function<void()> closed);
    void stopWatching();
    void close();

private:
    ScreenCastSession(PortalRequests& requests, QString handle)
        : m_requests(requests), m_handle(std::move(handle))
    {
    }

    PortalRequests& m_requests;
    QString m_handle;
    std::vector<ScreenCastStream> m_streams;
    std::optional<QString> m_restoreToken;
    bool m_showsCursor = true;
    bool m_closed = false;
    std::unique_ptr<PortalSignalSubscription> m_closedWatch;
};

} // namespace kinetta::portal
