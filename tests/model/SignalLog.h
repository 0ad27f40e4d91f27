#pragma once

#include <QObject>
#include <tuple>
#include <type_traits>
#include <vector>

// Records every emission of one signal with its arguments, in order.
template <typename Sender, typename... Args> class SignalLog final
{
public:
    SignalLog(Sender* sender, void (Sender::*signal)(Args...))
    {
        QObject::connect(sender, signal, [this](Args... args) {
            m_values.emplace_back(std::decay_t<Args>(args)...);
        });
    }
    [[nodiscard]] int count() const { return static_cast<int>(m_values.size()); }
    [[nodiscard]] const std::tuple<std::decay_t<Args>...>& at(int index) const
    {
        return m_values.at(static_cast<std::size_t>(index));
    }

private:
    std::vector<std::tuple<std::decay_t<Args>...>> m_values;
};
