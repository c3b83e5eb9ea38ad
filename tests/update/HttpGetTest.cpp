#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "LocalHttpServer.h"
#include "update/HttpGet.h"
#include "update/UpdatePath.h"

namespace {

std::string ExpectedRequest(const std::string& path, const std::string& host) {
    return "GET  " + path + " HTTP/1.1\r\n" +
           "Host:" + host + "\r\n" +
           "Accept:text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
           "Accept-Language:en-us,en;q=0.5\r\n"
           "Accept-Charset:ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n"
           "User-Agent:Mozilla/5.0 (Windows NT 6.1; WOW64; rv:2.0) Gecko/20100101 Firefox/4.0\r\n"
           "Keep-Alive:115\r\n"
           "Connection:keep-alive\r\n"
           "\r\n";
}

class HttpGetTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start()) << server.Error(); }

    LocalHttpServer server;
    char buffer[kHttpReplyBytes];
};

TEST_F(HttpGetTest, SendsTheRequestByteForByteAndReturnsTheReply) {
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\nversion:3.2</br>revision:291</br>";
    server.SetReply(reply);

    // The volume serial is XORed with the mask and printed as eight upper-case hex digits, zeros kept.
    struct { DWORD serial; const char* path; } cases[] = {
        {0x12345678, "/Veilpane/checkup?a=48239591&b=0000000000"},
        {0x5A000000, "/Veilpane/checkup?a=0017C3E9&b=0000000000"},
        {0x5A17C3E9, "/Veilpane/checkup?a=00000000&b=0000000000"},
    };
    for (const auto& c : cases) {
        char path[264];
        FormatUpdatePath(path, c.serial);
        ASSERT_STREQ(c.path, path);
        memset(buffer, 'x', sizeof(buffer));
        EXPECT_EQ(static_cast<int>(reply.size()), HttpGet(server.Host(), path, buffer));
        EXPECT_EQ(reply, std::string(buffer));
    }
    ASSERT_TRUE(server.WaitForServed(3, 5000));
    const auto requests = server.Requests();
    ASSERT_EQ(3u, requests.size());
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(ExpectedRequest(cases[i].path, server.Host()), requests[i]);

    // The path the program formatted at start-up, from this machine's volume serial.
    DWORD serial = 0;
    if (!::GetVolumeInformationW(nullptr, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) serial = 0;
    char expected[64];
    snprintf(expected, sizeof(expected), "/Veilpane/checkup?a=%08X&b=0000000000", static_cast<unsigned>(serial ^ 0x5A17C3E9u));
    ASSERT_STREQ(expected, UpdateRequestPath());
    EXPECT_GT(HttpGet(server.Host(), UpdateRequestPath(), buffer), 0);
    ASSERT_TRUE(server.WaitForServed(4, 5000));
    EXPECT_EQ(ExpectedRequest(expected, server.Host()), server.Requests().back());
}

TEST_F(HttpGetTest, LongReplyStopsAtTheBuffersLastByte) {
    std::string reply(20 * 1024, '\0');
    for (size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<char>('a' + i % 26);
    server.SetReply(reply);
    memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(static_cast<int>(kHttpReplyBytes - 1), HttpGet(server.Host(), "/", buffer));
    EXPECT_EQ('\0', buffer[kHttpReplyBytes - 1]);
    EXPECT_EQ(0, memcmp(reply.data(), buffer, kHttpReplyBytes - 1));
}

TEST_F(HttpGetTest, ReplyWithNulBytesIsCountedWhole) {
    const std::string reply("HTTP/1.1 200 OK\r\n\r\n\0\0version:1\0</br>", 34);
    server.SetReply(reply);
    EXPECT_EQ(static_cast<int>(reply.size()), HttpGet(server.Host(), "/", buffer));
    EXPECT_EQ(0, memcmp(reply.data(), buffer, reply.size()));
    EXPECT_EQ('\0', buffer[reply.size()]);
}

TEST_F(HttpGetTest, FailuresReturnZeroAndAnEmptyBuffer) {
    // The server closes the connection without a word.
    server.SetReply("", LocalHttpServer::Mode::CloseAtOnce);
    memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(0, HttpGet(server.Host(), "/", buffer));
    EXPECT_EQ('\0', buffer[0]);

    // The server reads the request and closes without answering.
    server.SetReply("");
    memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(0, HttpGet(server.Host(), "/", buffer));
    EXPECT_EQ('\0', buffer[0]);

    // Nobody listens: the connection is refused.
    memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(0, HttpGet("127.0.0.254", "/", buffer));
    EXPECT_EQ('\0', buffer[0]);

    // A name that cannot be resolved.
    memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(0, HttpGet("no-such-host.invalid", "/", buffer));
    EXPECT_EQ('\0', buffer[0]);
}

TEST_F(HttpGetTest, RequestThatWouldNotFitIsNotSent) {
    server.SetReply("HTTP/1.1 200 OK\r\n\r\n");
    // The fixed lines take 298 bytes; path and host share the other 101 of the 399.
    const size_t room = 399 - 298 - strlen(server.Host());
    const std::string fits = "/" + std::string(room - 1, 'p');
    const std::string tooLong = fits + "p";
    EXPECT_GT(HttpGet(server.Host(), fits.c_str(), buffer), 0);
    ASSERT_TRUE(server.WaitForServed(1, 5000));
    EXPECT_EQ(399u, server.Requests().at(0).size());
    memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(0, HttpGet(server.Host(), tooLong.c_str(), buffer));
    EXPECT_EQ('\0', buffer[0]);
    Sleep(200);
    EXPECT_EQ(1u, server.Connections());
}

// The only test that waits for the receive time-out: a server that never answers, and one that
// answers but keeps the connection open as the request asks, side by side.
TEST(HttpGetTimeoutTest, SilentAndKeptAliveConnectionsEndByTheTimeout) {
    LocalHttpServer silent, keeper;
    ASSERT_TRUE(silent.Start()) << silent.Error();
    ASSERT_TRUE(keeper.Start()) << keeper.Error();
    silent.SetReply("", LocalHttpServer::Mode::Silent);
    const std::string reply = "HTTP/1.1 200 OK\r\n\r\nrevision:291</br>";
    keeper.SetReply(reply, LocalHttpServer::Mode::ReplyAndHold);

    auto silentBuffer = std::make_unique<char[]>(kHttpReplyBytes);
    auto keptBuffer = std::make_unique<char[]>(kHttpReplyBytes);
    std::atomic<int> silentResult{-1}, keptResult{-1};
    std::thread a([&] { silentResult = HttpGet(silent.Host(), "/", *reinterpret_cast<char(*)[kHttpReplyBytes]>(silentBuffer.get())); });
    std::thread b([&] { keptResult = HttpGet(keeper.Host(), "/", *reinterpret_cast<char(*)[kHttpReplyBytes]>(keptBuffer.get())); });
    // Bounded: well past the 10-second time-out, the calls must have given up.
    const ULONGLONG end = GetTickCount64() + 30000;
    while ((silentResult < 0 || keptResult < 0) && GetTickCount64() < end) Sleep(50);
    const bool ended = silentResult >= 0 && keptResult >= 0;
    silent.Stop();
    keeper.Stop();
    a.join();
    b.join();
    ASSERT_TRUE(ended);
    EXPECT_EQ(0, silentResult.load());
    EXPECT_EQ('\0', silentBuffer[0]);
    EXPECT_EQ(static_cast<int>(reply.size()), keptResult.load());
    EXPECT_EQ(reply, std::string(keptBuffer.get()));
    EXPECT_EQ(1u, silent.Requests().size());
}

// A server that sends a byte now and then, each well inside the idle time-out, is given up on at the
// deadline of the whole exchange: the program's is 30 seconds, this one 2.
TEST(HttpGetTimeoutTest, ASlowDripEndsAtTheDeadlineOfTheWholeExchange) {
    LocalHttpServer drip;
    ASSERT_TRUE(drip.Start()) << drip.Error();
    drip.SetDripInterval(100);
    drip.SetReply("HTTP/1.1 200 OK\r\n\r\nrevision:291</br>", LocalHttpServer::Mode::Drip);
    auto buffer = std::make_unique<char[]>(kHttpReplyBytes);
    std::atomic<int> result{-1};
    const ULONGLONG start = GetTickCount64();
    std::thread t([&] { result = HttpGet(drip.Host(), "/", *reinterpret_cast<char(*)[kHttpReplyBytes]>(buffer.get()), 2000); });
    const ULONGLONG end = start + 15000;
    while (result < 0 && GetTickCount64() < end) Sleep(20);
    const bool ended = result >= 0;
    const ULONGLONG took = GetTickCount64() - start;
    drip.Stop();
    t.join();
    ASSERT_TRUE(ended);
    EXPECT_GE(took, 1900u);
    // What dripped in before the deadline is what the check looks at; the bytes came one by one.
    EXPECT_GT(result.load(), 0);
    EXPECT_LT(result.load(), 40);
    EXPECT_EQ(0, strncmp(buffer.get(), "HTTP/1.1 200", std::min<size_t>(12, static_cast<size_t>(result.load()))));
}

}  // namespace
