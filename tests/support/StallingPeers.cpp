#include "support/StallingPeers.h"

#include "common/Exception.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace {
// A socket listening on 127.0.0.1 on a free port; returns the port.
int listenOnLoopback(int& fd)
{
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw Exception(QStringLiteral("no listener on 127.0.0.1"));
    return ntohs(address.sin_port);
}

int connectToLoopback(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

bool sendAll(int fd, const char* data, ssize_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= sent;
    }
    return true;
}

QString loopbackServer(int port) { return QStringLiteral("127.0.0.1/%1").arg(port); }
}  // namespace

SilentListener::SilentListener() : m_port(listenOnLoopback(m_fd)) {}

SilentListener::~SilentListener() { ::close(m_fd); }

QString SilentListener::serverName() const { return loopbackServer(m_port); }

StallingProxy::StallingProxy(int serverPort, Hold when)
    : m_serverPort(serverPort), m_when(when), m_port(listenOnLoopback(m_listener))
{
    if (::pipe(m_stop) != 0)
        throw Exception(QStringLiteral("no pipe"));
    m_thread = std::thread([this] { run(); });
}

StallingProxy::~StallingProxy()
{
    const char stop = 0;
    [[maybe_unused]] const ssize_t written = ::write(m_stop[1], &stop, 1);
    m_thread.join();
    for (int fd : {m_listener, m_stop[0], m_stop[1]})
        ::close(fd);
}

QString StallingProxy::serverName() const { return loopbackServer(m_port); }

void StallingProxy::run()
{
    struct Connection {
        int client;
        int server;
        bool held = false;
    };
    std::vector<Connection> connections;
    char buffer[65536];
    while (true) {
        std::vector<pollfd> fds{{m_stop[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
        for (const Connection& c : connections) {
            fds.push_back({c.client, POLLIN, 0});
            fds.push_back({c.server, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0)
            continue;
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            const int server = client >= 0 ? connectToLoopback(m_serverPort) : -1;
            if (server >= 0)
                connections.push_back({client, server});
            else if (client >= 0)
                ::close(client);
        }
        for (size_t i = 0; i < connections.size(); ++i) {
            Connection& c = connections[i];
            bool open = true;
            for (const bool fromServer : {false, true}) {
                const pollfd& p = fds[2 + 2 * i + (fromServer ? 1 : 0)];
                if (!open || !(p.revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const ssize_t got = ::recv(p.fd, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    open = false;
                    continue;
                }
                // held: whatever comes is read and dropped
                if (c.held || m_holdAll)
                    continue;
                open = sendAll(fromServer ? c.client : c.server, buffer, got);
                if (fromServer && m_when == Hold::AfterFirstReply) {
                    c.held = true;
                    ++m_held;
                }
            }
            if (!open) {
                ::close(c.client);
                ::close(c.server);
                c.client = c.server = -1;
            }
        }
        std::erase_if(connections, [](const Connection& c) { return c.client < 0; });
    }
    for (const Connection& c : connections) {
        ::close(c.client);
        ::close(c.server);
    }
}
