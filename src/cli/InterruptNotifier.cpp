#include "cli/InterruptNotifier.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kinetta::cli
{
namespace
{

// Written by the handler, which may only do async-signal-safe things.
volatile std::sig_atomic_t g_writeFd = -1;

void forwardSignal(int signalNumber)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    if (g_writeFd >= 0)
        (void)::write(g_writeFd, &byte, 1);
    errno = savedErrno;
}

} // namespace

InterruptNotifier::InterruptNotifier(QObject* parent) : QObject(parent)
{
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        return;
    m_signalEnd.reset(ends[0]);
    m_readEnd.reset(ends[1]);
    g_writeFd = m_signalEnd.get();
    m_notifier = new QSocketNotifier(m_readEnd.get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InterruptNotifier::readSignals);

    m_handlers.emplace(&forwardSignal);
}

InterruptNotifier::~InterruptNotifier()
{
    if (!m_signalEnd.isOpen())
        return;
    m_handlers.reset();
    g_writeFd = -1;
    // The notifier goes before the socket it watches.
    delete m_notifier;
}

void InterruptNotifier::readSignals()
{
    unsigned char byte = 0;
    while (::read(m_readEnd.get(), &byte, 1) == 1)
        Q_EMIT interrupted(byte);
}

} // namespace kinetta::cli
