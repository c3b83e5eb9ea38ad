#include <gtest/gtest.h>

#include <string>

#include "LocalHttpServer.h"
#include "framework/Product.h"
#include "framework/RegistryStore.h"
#include "update/CheckForUpdate.h"

namespace {

const wchar_t* const kUpdateValues[] = {L"UPDATE_VERSION", L"UPDATE_URL", L"UPDATE_REVISION", L"UPDATE_SHOWED"};

std::string Reply(const std::string& fields) { return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n" + fields; }

std::string Offer(const std::string& revision, const std::string& url = "https://www.morvex.net/veilpane/") {
    return Reply("progName:Veilpane</br>version:3.2</br>revision:" + revision + "</br>url:" + url +
                 "</br>requiredMiniRevision:290</br>");
}

// The check against a real server on a loopback address, recording into the program's own key.
class CheckForUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start()) << server.Error();
        store.SetPath(product::kRegistryKey);
        ClearUpdateValues();
    }
    void TearDown() override { ClearUpdateValues(); }

    void ClearUpdateValues() {
        for (const wchar_t* name : kUpdateValues) store.DeleteValue(name);
    }
    void Check(BOOL evaluate = TRUE) { CheckForUpdate(server.Host(), "/Veilpane/checkup?a=1&b=2", evaluate); }

    bool NothingRecorded() {
        for (const wchar_t* name : kUpdateValues) {
            DWORD d = 0;
            wchar_t s[300];
            if (store.ReadDword(name, &d) != ERROR_FILE_NOT_FOUND || store.ReadString(name, s) != ERROR_FILE_NOT_FOUND) {
                ADD_FAILURE() << "value present: " << testing::PrintToString(std::wstring(name));
                return false;
            }
        }
        return true;
    }
    DWORD Dword(const wchar_t* name) {
        DWORD d = 0xDEAD;
        EXPECT_EQ(ERROR_SUCCESS, store.ReadDword(name, &d));
        return d;
    }
    std::wstring Text(const wchar_t* name) {
        wchar_t s[300];
        EXPECT_EQ(ERROR_SUCCESS, store.ReadString(name, s));
        return s;
    }

    LocalHttpServer server;
    CRegistryStore store;
};

TEST_F(CheckForUpdateTest, EachReplyReplacesTheRecordAndOneWithNothingNewerClearsIt) {
    server.SetReply(Offer("291"));
    Check();
    EXPECT_EQ(L"3.2", Text(L"UPDATE_VERSION"));
    EXPECT_EQ(L"https://www.morvex.net/veilpane/", Text(L"UPDATE_URL"));
    EXPECT_EQ(291u, Dword(L"UPDATE_REVISION"));
    EXPECT_EQ(0u, Dword(L"UPDATE_SHOWED"));

    // Offered meanwhile; the same reply again changes nothing, so it is not offered again this run.
    store.WriteDword(L"UPDATE_SHOWED", 1);
    Check();
    EXPECT_EQ(1u, Dword(L"UPDATE_SHOWED"));

    // A forged reply with the highest revision no longer buries the genuine ones after it.
    server.SetReply(Offer("2147483647", "https://update.morvex.net/forged"));
    Check();
    EXPECT_EQ(2147483647u, Dword(L"UPDATE_REVISION"));
    server.SetReply(Reply("version:3.3 \xCE\xB2</br>revision:292</br>url:https://UPDATE.morvex.net/%C3%A9</br>"
                          "requiredMiniRevision:100</br>"));
    Check();
    EXPECT_EQ(L"3.3 \x03B2", Text(L"UPDATE_VERSION"));
    EXPECT_EQ(L"https://UPDATE.morvex.net/%C3%A9", Text(L"UPDATE_URL"));
    EXPECT_EQ(292u, Dword(L"UPDATE_REVISION"));
    EXPECT_EQ(0u, Dword(L"UPDATE_SHOWED"));

    // The server names this build as its newest (with or without a lowest build): nothing to offer.
    server.SetReply(Reply("version:3.1</br>revision:290</br>url:http://a/</br>"));
    Check();
    DWORD d = 0;
    wchar_t text[300];
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, store.ReadDword(L"UPDATE_REVISION", &d));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, store.ReadString(L"UPDATE_VERSION", text));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, store.ReadString(L"UPDATE_URL", text));
    ASSERT_TRUE(server.WaitForServed(5, 5000));
    EXPECT_EQ(5u, server.Requests().size());
}

TEST_F(CheckForUpdateTest, RepliesThatOfferNothingForThisBuildRecordNothing) {
    const std::string replies[] = {
        Reply("version:3.2</br>revision:291</br>url:http://a/</br>"),                               // no minimum
        Reply("version:3.2</br>revision:291</br>url:http://a/</br>requiredMiniRevision:291</br>"),  // above us
        Reply("version:3.1</br>revision:290</br>url:http://a/</br>requiredMiniRevision:290</br>"),  // same build
        Reply("requiredMiniRevision:290</br>version:3.2</br>revision:291</br>url:http://a/</br>"),  // read as 290
    };
    for (const auto& reply : replies) {
        server.SetReply(reply);
        Check();
        EXPECT_TRUE(NothingRecorded()) << reply;
    }
    EXPECT_EQ(4u, server.Requests().size());
}

TEST_F(CheckForUpdateTest, WithChecksSwitchedOffNothingIsSent) {
    server.SetReply(Offer("291"));
    Check(FALSE);
    // The check is synchronous: had it connected, the server would have counted the connection.
    EXPECT_EQ(0u, server.Connections());
    EXPECT_TRUE(NothingRecorded());
    Check(TRUE);
    EXPECT_EQ(1u, server.Connections());
}

TEST_F(CheckForUpdateTest, RevisionsThatAreNotAPositiveNumberAboveThisBuildRecordNothing) {
    for (const char* revision : {"-1", "0", "290", "2147483648"}) {
        server.SetReply(Offer(revision));
        Check();
        EXPECT_TRUE(NothingRecorded()) << revision;
    }
    // A revision that an older build recorded from "-1" no longer hides a genuine update.
    store.WriteDword(L"UPDATE_REVISION", 0xFFFFFFFF);
    server.SetReply(Offer("291"));
    Check();
    EXPECT_EQ(291u, Dword(L"UPDATE_REVISION"));
    EXPECT_EQ(0u, Dword(L"UPDATE_SHOWED"));
}

TEST_F(CheckForUpdateTest, HostileRepliesRecordNothing) {
    struct Case {
        const char* what;
        std::string reply;
        LocalHttpServer::Mode mode;
    };
    std::string junk(20 * 1024, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919u) >> 3);
    const auto mode = LocalHttpServer::Mode::ReplyAndClose;
    const Case cases[] = {
        {"empty", "", mode},
        {"closed at once", "", LocalHttpServer::Mode::CloseAtOnce},
        {"20 KB of junk", junk, mode},
        {"a cut reply followed by junk", Offer("291").substr(0, 60) + junk, mode},
        {"NUL bytes", std::string("HTTP/1.1 200 OK\r\n\r\n\0", 20) + Offer("291"), mode},
        {"5,000-character version", Reply("version:" + std::string(5000, 'v') + "</br>revision:291</br>"
                                          "url:http://a/</br>requiredMiniRevision:290</br>"), mode},
        {"5,000-character url", Offer("291", "http://a/" + std::string(5000, 'u')), mode},
        {"file url", Offer("291", "file:///C:/Windows/System32/calc.exe"), mode},
        {"javascript url", Offer("291", "javascript:alert(document.cookie)"), mode},
        {"UNC path", Offer("291", "\\\\attacker.example\\share\\setup.exe"), mode},
        {"executable path", Offer("291", "C:\\Windows\\System32\\cmd.exe"), mode},
        {"control character in url", Offer("291", "http://a/\x1b[2J"), mode},
        {"blank in url", Offer("291", "http://a/ --run"), mode},
        {"quote in url", Offer("291", "http://a/\"x"), mode},
        {"angle brackets in url", Offer("291", "http://a/<script>"), mode},
        {"backslash in url", Offer("291", "http://a\\b/"), mode},
        {"url of 260 characters", Offer("291", "http://a/" + std::string(251, 'u')), mode},
        // Plain web addresses, but not the program's own download page.
        {"plain http on the own host", Offer("291", "http://www.morvex.net/veilpane/"), mode},
        {"another host", Offer("291", "https://downloads.example.com/veilpane.msi"), mode},
        {"the own host as user information", Offer("291", "https://www.morvex.net@evil.example/"), mode},
        {"a host that begins with the own one", Offer("291", "https://www.morvex.net.evil.example/"), mode},
        {"negative minimum", Reply("version:3.2</br>revision:291</br>url:http://a/</br>requiredMiniRevision:-5</br>"), mode},
    };
    size_t served = 0;
    for (const auto& c : cases) {
        server.SetReply(c.reply, c.mode);
        Check();
        ASSERT_TRUE(server.WaitForServed(++served, 5000)) << c.what;
        EXPECT_TRUE(NothingRecorded()) << c.what;
    }
}

}  // namespace
