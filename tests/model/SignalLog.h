#pragma once

#include <QObject>

// Counts the emissions of one signal.
struct SignalLog final {
    template <typename Sender, typename Signal> SignalLog(Sender* sender, Signal signal)
    {
        QObject::connect(sender, signal, [this] { ++count; });
    }
    SignalLog(const SignalLog&) = delete;
    int count = 0;
};
