#include "update/HttpGet.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdio>

#include "framework/Handles.h"

namespace {

constexpr WORD kWinsockVersion = 0x0002;  // 2.0
constexpr u_short kHttpPort = 80;
constexpr ULONGLONG kIdleTimeoutMs = 10000;
constexpr int kReceiveChunk = 4096;
constexpr size_t kRequestBytes = 400;

// The server knows this client by these exact bytes: two blanks after GET, no blank after the
// header colons, CR LF line ends and the empty line.
constexpr char kRequestFormat[] =
    "GET  %s HTTP/1.1\r\n"
    "Host:%s\r\n"
    "Accept:text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
    "Accept-Language:en-us,en;q=0.5\r\n"
    "Accept-Charset:ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n"
    "User-Agent:Mozilla/5.0 (Windows NT 6.1; WOW64; rv:2.0) Gecko/20100101 Firefox/4.0\r\n"
    "Keep-Alive:115\r\n"
    "Connection:keep-alive\r\n"
    "\r\n";

// Pairs a successful WSAStartup with its WSACleanup on every way out.
class WinsockSession {
public:
    WinsockSession() noexcept {
        WSADATA data{};
        m_started = ::WSAStartup(kWinsockVersion, &data) == 0;
        m_usable = m_started && LOBYTE(data.wVersion) == 2;
    }
    ~WinsockSession() {
        if (m_started) ::WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool Usable() const noexcept { return m_usable; }

private:
    bool m_started = false;
    bool m_usable = false;
};

struct SocketTraits {
    using Type = SOCKET;
    static constexpr Type Invalid() noexcept { return INVALID_SOCKET; }
    static bool IsValid(Type s) noexcept { return s != INVALID_SOCKET; }
    static void Close(Type s) noexcept { ::closesocket(s); }
};
using SocketHandle = vp::UniqueHandle<SocketTraits>;

// The time left before one fixed moment; every wait of the exchange is cut to it.
class Deadline {
public:
    explicit Deadline(unsigned ms) noexcept : m_end(::GetTickCount64() + ms) {}
    ULONGLONG LeftMs() const noexcept {
        const ULONGLONG now = ::GetTickCount64();
        return now < m_end ? m_end - now : 0;
    }

private:
    ULONGLONG m_end;
};

// Waits until the socket can be written (or, with forWrite false, read) or waitMs pass; a connection
// that failed counts as ready for writing only when it is not in the error set.
bool WaitForSocket(SOCKET s, bool forWrite, ULONGLONG waitMs) noexcept {
    if (waitMs == 0) return false;
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(s, &ready);
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(s, &failed);
    timeval tv{};
    tv.tv_sec = static_cast<long>(waitMs / 1000);
    tv.tv_usec = static_cast<long>((waitMs % 1000) * 1000);
    const int n = ::select(0, forWrite ? nullptr : &ready, forWrite ? &ready : nullptr, &failed, &tv);
    return n > 0 && FD_ISSET(s, &ready) && !FD_ISSET(s, &failed);
}

}  // namespace

int HttpGet(const char* host, const char* path, char (&buffer)[kHttpReplyBytes], unsigned deadlineMs) noexcept {
    buffer[0] = '\0';
    if (!host || !path) return 0;
    const Deadline deadline(deadlineMs);

    // A host or path that would not fit is refused before anything goes out rather than sent cut:
    // a cut request asks for something else.
    char request[kRequestBytes] = {};
    const int length = std::snprintf(request, sizeof(request), kRequestFormat, path, host);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof(request)) return 0;

    // Declared first so it is cleaned up last, after the socket is closed.
    WinsockSession winsock;
    if (!winsock.Usable()) return 0;

    const protoent* tcp = ::getprotobyname("tcp");
    if (!tcp) return 0;
    SocketHandle sock(::socket(AF_INET, SOCK_STREAM, tcp->p_proto));
    if (!sock) return 0;

    const hostent* entry = ::gethostbyname(host);
    if (!entry || entry->h_addrtype != AF_INET || entry->h_length != sizeof(in_addr) || !entry->h_addr_list ||
        !entry->h_addr_list[0]) {
        return 0;
    }

    // Non-blocking from here on: every step waits in select, never longer than the deadline allows.
    u_long nonBlocking = 1;
    if (::ioctlsocket(sock.Get(), FIONBIO, &nonBlocking) == SOCKET_ERROR) return 0;

    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = ::htons(kHttpPort);
    memcpy(&server.sin_addr, entry->h_addr_list[0], sizeof(server.sin_addr));
    if (::connect(sock.Get(), reinterpret_cast<const sockaddr*>(&server), sizeof(server)) == SOCKET_ERROR &&
        ::WSAGetLastError() != WSAEWOULDBLOCK) {
        return 0;
    }
    if (!WaitForSocket(sock.Get(), true, deadline.LeftMs())) return 0;
    int connectError = 0;
    int errorSize = sizeof(connectError);
    if (::getsockopt(sock.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&connectError), &errorSize) != 0 ||
        connectError != 0) {
        return 0;
    }

    for (int sent = 0; sent < length;) {
        if (!WaitForSocket(sock.Get(), true, deadline.LeftMs())) return 0;
        const int n = ::send(sock.Get(), request + sent, length - sent, 0);
        if (n == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) continue;
        if (n <= 0) return 0;
        sent += n;
    }

    // The request keeps the connection alive, so this normally ends by the idle time-out; a server
    // that drips its reply ends by the deadline.
    size_t received = 0;
    for (;;) {
        const size_t room = kHttpReplyBytes - 1 - received;
        if (room == 0) break;
        const ULONGLONG left = deadline.LeftMs();
        if (!WaitForSocket(sock.Get(), false, left < kIdleTimeoutMs ? left : kIdleTimeoutMs)) break;
        const int ask = room < static_cast<size_t>(kReceiveChunk) ? static_cast<int>(room) : kReceiveChunk;
        const int got = ::recv(sock.Get(), buffer + received, ask, 0);
        if (got == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) continue;
        if (got <= 0) break;
        received += static_cast<size_t>(got);
    }

    buffer[received] = '\0';
    return static_cast<int>(received);
}
