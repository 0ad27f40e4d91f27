#pragma once

#include <QString>

class QObject;

namespace kinetta
{

// Speaks a text through the screen reader. Views and the shell hold this
// interface, so tests can record what would be said.
class Announcer
{
public:
    // Outcomes and confirmations: spoken at once, interrupting.
    static constexpr int outcomePriority = 2000;
    // Running commentary: spoken when the reader is idle.
    static constexpr int commentaryPriority = 1500;

    virtual ~Announcer() = default;

    // source: the object the text is about (an overlay announcing its own
    // selection); null for the application.
    virtual void announceFrom(QObject* source, const QString& text, int priority) = 0;

    void announce(const QString& text, int priority) { announceFrom(nullptr, text, priority); }
};

// AT-SPI politeness: 2 (assertive) from the outcome priority up, else 1 (polite).
[[nodiscard]] int atSpiPoliteness(int priority);

} // namespace kinetta
