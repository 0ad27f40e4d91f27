#pragma once

#include "ui/common/Announcer.h"

#include <QPointer>
#include <memory>

class QWidget;

namespace kinetta
{

// The Linux announcer. Two paths, because screen readers differ: the AT-SPI
// `Announcement` signal, sent on Qt's own accessibility bus connection so that
// the reader can resolve its source; and a shown object with the Notification
// role, which readers that ignore announcements (Orca 43) do speak. Does
// nothing on either path when no accessibility bus is connected.
// Needs a QApplication; use on the main thread.
class AtSpiAnnouncer final : public Announcer
{
public:
    AtSpiAnnouncer();
    ~AtSpiAnnouncer() override;
    AtSpiAnnouncer(const AtSpiAnnouncer&) = delete;
    AtSpiAnnouncer& operator=(const AtSpiAnnouncer&) = delete;

    void announceFrom(QObject* source, const QString& text, int priority) override;

    // The AT-SPI object path of source's accessible object, or of the
    // application when source is null or has none.
    [[nodiscard]] static QString atSpiPath(QObject* source);
    // The Notification-role object of the fallback path (for tests).
    [[nodiscard]] QWidget* notificationObject() const;

private:
    void sendAnnouncementSignal(QObject* source, const QString& text, int priority);
    void showNotification(const QString& text);

    std::unique_ptr<QWidget> m_notification;
};

} // namespace kinetta
