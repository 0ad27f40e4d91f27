#pragma once

#include "cli/InterruptHandlers.h"
#include "model/FileDescriptor.h"

#include <QObject>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace kinetta::cli
{

// Turns SIGINT, SIGTERM and SIGHUP (the terminal closed) into a Qt signal on
// the thread that made it, so that Ctrl-C is handled by the event loop rather
// than in a signal handler.
// One at a time; the previous handlers come back when it is destroyed.
class InterruptNotifier final : public QObject
{
    Q_OBJECT

public:
    explicit InterruptNotifier(QObject* parent = nullptr);
    ~InterruptNotifier() override;

    [[nodiscard]] bool isValid() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void interrupted(int signalNumber);

private:
    void readSignals();

    // The handler writes each signal's number to one end; the event loop reads the other.
    FileDescriptor m_signalEnd;
    FileDescriptor m_readEnd;
    QSocketNotifier* m_notifier = nullptr;
    std::optional<InterruptHandlers> m_handlers;
};

} // namespace kinetta::cli
