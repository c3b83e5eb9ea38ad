#pragma once
// A small HTTP server on a loopback address, port 80, for the update check's tests. It records every
// request it reads and answers each connection with the reply it was given.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LocalHttpServer {
public:
    enum class Mode {
        ReplyAndClose,  // read the request, send the reply, close
        ReplyAndHold,   // read the request, send the reply, keep the connection open until Stop
        Silent,         // read the request, never answer, keep the connection open until Stop
        CloseAtOnce,    // close as soon as the connection is accepted, without reading
        Drip,           // read the request, then send the reply one byte per drip interval, for ever
                        // (round and round) until Stop or the client goes
    };

    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    // Listens on port 80 of the first free loopback address from 127.0.0.1 on. Returns false (and
    // says why in Error()) when no address could be bound.
    bool Start();
    void Stop();
    // The dotted address the server listens on, to be handed to the client as its host.
    const char* Host() const { return m_host; }
    const std::string& Error() const { return m_error; }

    void SetReply(std::string bytes, Mode mode = Mode::ReplyAndClose);
    void SetDripInterval(DWORD ms) { m_dripMs = ms; }
    std::vector<std::string> Requests() const;
    size_t Connections() const { return m_connections.load(); }
    // Waits (bounded) until this many connections have been served completely.
    bool WaitForServed(size_t count, DWORD timeoutMs) const;

private:
    void AcceptLoop();
    void Serve(SOCKET client);

    bool m_winsock = false;
    SOCKET m_listen = INVALID_SOCKET;
    char m_host[16] = {};
    std::string m_error;
    std::thread m_acceptThread;
    std::vector<std::thread> m_clientThreads;
    std::atomic<bool> m_stop{false};
    std::atomic<size_t> m_connections{0};
    std::atomic<size_t> m_served{0};
    std::atomic<DWORD> m_dripMs{200};

    mutable std::mutex m_mutex;  // guards the reply, the mode and the requests
    std::string m_reply;
    Mode m_mode = Mode::ReplyAndClose;
    std::vector<std::string> m_requests;
};
