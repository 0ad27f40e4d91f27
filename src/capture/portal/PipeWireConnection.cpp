#include "capture/portal/PipeWireConnection.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <pipewire/pipewire.h>

namespace kinetta::portal
{
namespace
{

std::once_flag pipewireInitialised;

} // namespace

Result<std::unique_ptr<PipeWireConnection>, QString> PipeWireConnection::open(FileDescriptor fd,
                                                                              const char* name)
{
    std::call_once(pipewireInitialised, [] { pw_init(nullptr, nullptr); });
    std::unique_ptr<PipeWireConnection> connection(new PipeWireConnection);
    connection->m_loop = pw_thread_loop_new(name, nullptr);
    if (!connection->m_loop)
        return Failure{QStringLiteral("PipeWire could not make its loop.")};
    connection->m_context = pw_context_new(pw_thread_loop_get_loop(connection->m_loop), nullptr, 0);
    if (!connection->m_context || pw_thread_loop_start(connection->m_loop) < 0)
        return Failure{QStringLiteral("PipeWire could not be started in this process.")};
    Lock lock(*connection);
    connection->m_core = pw_context_connect_fd(connection->m_context, fd.release(), nullptr, 0);
    if (!connection->m_core)
        return Failure{QStringLiteral("Could not connect to PipeWire: ") +
                       QString::fromLocal8Bit(std::strerror(errno))};
    return connection;
}

PipeWireConnection::~PipeWireConnection()
{
    if (m_core) {
        Lock lock(*this);
        pw_core_disconnect(m_core);
    }
    if (m_loop)
        pw_thread_loop_stop(m_loop);
    if (m_context)
        pw_context_destroy(m_context);
    if (m_loop)
        pw_thread_loop_destroy(m_loop);
}

void PipeWireConnection::lock()
{
    pw_thread_loop_lock(m_loop);
}

void PipeWireConnection::unlock()
{
    pw_thread_loop_unlock(m_loop);
}

} // namespace kinetta::portal
