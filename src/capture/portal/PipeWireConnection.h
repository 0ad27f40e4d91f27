#pragma once

#include "gif/Result.h"
#include "model/FileDescriptor.h"

#include <QString>
#include <memory>

struct pw_context;
struct pw_core;
struct pw_thread_loop;

namespace kinetta::portal
{

// A connection to a PipeWire daemon whose events run on a thread loop of its
// own. Objects made on the core (streams, the registry) are destroyed by
// their owners, under lock(), before the connection goes.
class PipeWireConnection final
{
public:
    // name: the loop thread's name. Owns fd from here, connected or not.
    [[nodiscard]] static Result<std::unique_ptr<PipeWireConnection>, QString>
    open(FileDescriptor fd, const char* name);
    // Disconnects and waits for the loop thread.
    ~PipeWireConnection();
    PipeWireConnection(const PipeWireConnection&) = delete;
    PipeWireConnection& operator=(const PipeWireConnection&) = delete;

    [[nodiscard]] pw_core* core() const { return m_core; }
    [[nodiscard]] pw_thread_loop* loop() const { return m_loop; }
    // Everything done to the core's objects off the loop thread is done under the lock.
    void lock();
    void unlock();

    // Holds the lock for a scope.
    class Lock final
    {
    public:
        explicit Lock(PipeWireConnection& connection) : m_connection(connection)
        {
            m_connection.lock();
        }
        ~Lock() { m_connection.unlock(); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        PipeWireConnection& m_connection;
    };

private:
    PipeWireConnection() = default;

    pw_thread_loop* m_loop = nullptr;
    pw_context* m_context = nullptr;
    pw_core* m_core = nullptr;
};

} // namespace kinetta::portal
