#include "LocalHttpServer.h"

#include <cstdio>

namespace {

constexpr u_short kPort = 80;
constexpr DWORD kPollMs = 50;
constexpr DWORD kRequestWaitMs = 3000;
constexpr size_t kMaxRequestBytes = 8192;

// True when the socket has something to read (or was closed) within the wait.
bool Readable(SOCKET s, DWORD waitMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{static_cast<long>(waitMs / 1000), static_cast<long>((waitMs % 1000) * 1000)};
    return ::select(0, &set, nullptr, nullptr, &tv) > 0;
}

}  // namespace

LocalHttpServer::LocalHttpServer() {
    WSADATA data{};
    m_winsock = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

LocalHttpServer::~LocalHttpServer() {
    Stop();
    if (m_winsock) ::WSACleanup();
}

bool LocalHttpServer::Start() {
    if (!m_winsock) {
        m_error = "WSAStartup failed";
        return false;
    }
    for (int last = 1; last <= 20; ++last) {
        SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) break;
        // Connections this server closed linger in TIME_WAIT on port 80; a later server must still bind.
        const BOOL reuse = TRUE;
        ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof(reuse));
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = ::htons(kPort);
        addr.sin_addr.s_addr = ::htonl(0x7F000000u | static_cast<u_long>(last));
        if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 && ::listen(s, 8) == 0) {
            m_listen = s;
            std::snprintf(m_host, sizeof(m_host), "127.0.0.%d", last);
            m_acceptThread = std::thread([this] { AcceptLoop(); });
            return true;
        }
        m_error = "cannot listen on port 80: WSA error " + std::to_string(::WSAGetLastError());
        ::closesocket(s);
    }
    return false;
}

void LocalHttpServer::Stop() {
    m_stop = true;
    if (m_acceptThread.joinable()) m_acceptThread.join();
    for (auto& t : m_clientThreads) {
        if (t.joinable()) t.join();
    }
    m_clientThreads.clear();
    if (m_listen != INVALID_SOCKET) {
        ::closesocket(m_listen);
        m_listen = INVALID_SOCKET;
    }
}

void LocalHttpServer::SetReply(std::string bytes, Mode mode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reply = std::move(bytes);
    m_mode = mode;
}

std::vector<std::string> LocalHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

bool LocalHttpServer::WaitForServed(size_t count, DWORD timeoutMs) const {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (m_served.load() < count) {
        if (::GetTickCount64() >= end) return false;
        ::Sleep(5);
    }
    return true;
}

void LocalHttpServer::AcceptLoop() {
    while (!m_stop) {
        if (!Readable(m_listen, kPollMs)) continue;
        SOCKET client = ::accept(m_listen, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        ++m_connections;
        // One thread per connection, so a connection held open does not keep the next one waiting.
        m_clientThreads.emplace_back([this, client] { Serve(client); });
    }
}

void LocalHttpServer::Serve(SOCKET client) {
    std::string reply;
    Mode mode;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        reply = m_reply;
        mode = m_mode;
    }
    if (mode == Mode::CloseAtOnce) {
        ::closesocket(client);
        ++m_served;
        return;
    }

    // The request ends with its empty line; a client that never finishes it is given up on.
    std::string request;
    const ULONGLONG end = ::GetTickCount64() + kRequestWaitMs;
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxRequestBytes &&
           ::GetTickCount64() < end) {
        if (!Readable(client, kPollMs)) continue;
        char chunk[1024];
        const int got = ::recv(client, chunk, sizeof(chunk), 0);
        if (got <= 0) break;
        request.append(chunk, static_cast<size_t>(got));
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
    }

    if (mode == Mode::Drip) {
        // Each byte comes well within any wait for the next one; only a deadline for the whole
        // exchange ends the client's reading.
        for (size_t i = 0; !m_stop && !reply.empty(); i = (i + 1) % reply.size()) {
            if (::send(client, reply.data() + i, 1, 0) != 1) break;
            for (DWORD waited = 0; waited < m_dripMs && !m_stop; waited += kPollMs) ::Sleep(kPollMs);
        }
    } else if (mode != Mode::Silent) {
        size_t sent = 0;
        while (sent < reply.size()) {
            const int n = ::send(client, reply.data() + sent, static_cast<int>(reply.size() - sent), 0);
            if (n <= 0) break;  // the client may stop reading once its buffer is full
            sent += static_cast<size_t>(n);
        }
    }
    if (mode == Mode::ReplyAndClose) {
        ::shutdown(client, SD_SEND);
    } else if (mode != Mode::Drip) {
        while (!m_stop) ::Sleep(kPollMs);
    }
    ::closesocket(client);
    ++m_served;
}
