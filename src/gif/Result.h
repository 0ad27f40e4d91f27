#pragma once

// The engine's one way of saying that something failed: a value, or the
// message that says why there is none. Free of Qt, so the GIF library uses it
// as it stands; Qt code names its message type (Result<T, QString>).

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace kinetta
{

// Why something failed, on its way into a Result of any value type.
template <typename Message>
struct Failure {
    Message message;
};

template <typename Message>
Failure(Message) -> Failure<Message>;

// Failure{...} spelled for a std::string message: failure("the file is empty").
inline Failure<std::string> failure(std::string message)
{
    return {std::move(message)};
}

template <typename T, typename Message = std::string>
class [[nodiscard]] Result final
{
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}

    template <typename Other>
        requires std::is_constructible_v<Message, Other>
    Result(Failure<Other> failed) : m_state(std::in_place_index<1>, std::move(failed.message))
    {
    }

    [[nodiscard]] bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only when ok().
    [[nodiscard]] const T& value() const& { return std::get<0>(m_state); }
    [[nodiscard]] T& value() & { return std::get<0>(m_state); }
    [[nodiscard]] T&& value() && { return std::get<0>(std::move(m_state)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

    // Only when !ok().
    [[nodiscard]] const Message& message() const { return std::get<1>(m_state); }

private:
    std::variant<T, Message> m_state;
};

// Done, or the message that says why not.
template <typename Message>
class [[nodiscard]] Result<void, Message> final
{
public:
    Result() = default;

    template <typename Other>
        requires std::is_constructible_v<Message, Other>
    Result(Failure<Other> failed) : m_failed(true), m_message(std::move(failed.message))
    {
    }

    [[nodiscard]] bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }

    // Only when !ok().
    [[nodiscard]] const Message& message() const { return m_message; }

private:
    bool m_failed = false;
    Message m_message;
};

template <typename Message = std::string>
using Status = Result<void, Message>;

} // namespace kinetta
