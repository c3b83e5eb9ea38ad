// The real Veilpane.exe asks a local update server, reached by its own host name, and records the
// newer build it is told about, on the program's own download page only; the settings window then
// offers it once.
#include <gtest/gtest.h>

#include <string>

#include "LocalHttpServer.h"
#include "../e2e/VeilpaneProcess.h"
#include "framework/Product.h"
#include "framework/RegistryStore.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

constexpr wchar_t kProgramKey[] = L"Software\\MORVEX\\Veilpane";
constexpr wchar_t kOfferCaption[] = L"New Veilpane version available";
constexpr WPARAM kUpdateTimer = 188;
// A double click on the tray icon, as the notification area reports it.
bool DoubleClickTrayIcon(HWND frame) {
    return ::PostMessageW(frame, ::RegisterWindowMessageW(L"WM_TRAYICON"), 128, WM_LBUTTONDBLCLK) != FALSE;
}

std::string ReadWhole(const wchar_t* path) {
    std::string text;
    vp::FileHandle file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return text;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file.Get(), chunk, sizeof(chunk), &got, nullptr) && got) text.append(chunk, got);
    return text;
}

bool WriteWhole(const wchar_t* path, const std::string& text) {
    vp::FileHandle file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD put = 0;
    return file && ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &put, nullptr) &&
           put == text.size();
}

// Resolves a name to a loopback address through the Linux hosts file, which Wine's resolver reads,
// and puts the file back as it was.
class HostsEntry {
public:
    HostsEntry(const std::string& address, const std::string& name) {
        m_saved = ReadWhole(kHosts);
        m_ok = !m_saved.empty() && WriteWhole(kHosts, m_saved + "\n" + address + " " + name + "\n");
    }
    ~HostsEntry() {
        if (m_ok) WriteWhole(kHosts, m_saved);
    }
    bool Ok() const { return m_ok; }

private:
    static constexpr const wchar_t* kHosts = L"Z:\\etc\\hosts";
    std::string m_saved;
    bool m_ok = false;
};

TEST(UpdateEndToEnd, TimerTickRecordsTheNewerBuildOnTheOwnPageAndTheSettingsWindowOffersIt) {
    CRegistryStore store;
    store.SetPath(kProgramKey);
    for (const wchar_t* name : {L"UPDATE_VERSION", L"UPDATE_URL", L"UPDATE_REVISION", L"UPDATE_SHOWED"}) {
        store.DeleteValue(name);
    }
    store.WriteDword(L"SS_UPDATE", 1);

    LocalHttpServer server;
    ASSERT_TRUE(server.Start()) << server.Error();
    auto offer = [](const std::string& url) {
        return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\nprogName:Veilpane</br>version:3.2</br>"
               "revision:291</br>url:" + url + "</br>requiredMiniRevision:290</br>";
    };
    // Anyone on the network path can answer the plain request: first a forged reply.
    server.SetReply(offer("https://downloads.example.com/veilpane-3.2.msi"));
    HostsEntry hosts(server.Host(), product::kUpdateHost);
    ASSERT_TRUE(hosts.Ok());

    VeilpaneProcess app;
    ASSERT_TRUE(app.Start());
    HWND frame = app.WaitFrameReady(30000);
    ASSERT_NE(nullptr, frame);

    // No check at start-up: the server hears nothing until the timer fires.
    ::Sleep(500);
    EXPECT_EQ(0u, server.Connections());
    ASSERT_TRUE(::PostMessageW(frame, WM_TIMER, kUpdateTimer, 0));
    ASSERT_TRUE(server.WaitForServed(1, 20000));

    // The request names the update host and carries the masked serial of the current directory's volume.
    DWORD serial = 0;
    if (!::GetVolumeInformationW(nullptr, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) serial = 0;
    char firstLine[96];
    snprintf(firstLine, sizeof(firstLine), "GET  /Veilpane/checkup?a=%08X&b=0000000000 HTTP/1.1\r\nHost:%s\r\n",
             static_cast<unsigned>(serial ^ 0x5A17C3E9u), product::kUpdateHost);
    const std::string request = server.Requests().at(0);
    EXPECT_EQ(0u, request.find(firstLine)) << request;

    // The forged address is not the program's own page: nothing recorded, and the trace says so
    // without naming it.
    const int refused = app.WaitForTrace(L"not the program's own page; nothing recorded", 10000);
    EXPECT_GE(refused, 0);
    for (const std::wstring& line : app.Trace()) EXPECT_EQ(std::wstring::npos, line.find(L"example")) << "a traced address";
    DWORD revision = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, store.ReadDword(L"UPDATE_REVISION", &revision));

    server.SetReply(offer("https://www.morvex.net/veilpane/3.2"));
    ASSERT_TRUE(::PostMessageW(frame, WM_TIMER, kUpdateTimer, 0));
    ASSERT_TRUE(server.WaitForServed(2, 20000));
    EXPECT_TRUE(WaitUntil([&] { return store.ReadDword(L"UPDATE_REVISION", &revision) == 0 && revision == 291; }, 10000));
    wchar_t text[300];
    EXPECT_EQ(0, store.ReadString(L"UPDATE_VERSION", text));
    EXPECT_STREQ(L"3.2", text);
    EXPECT_EQ(0, store.ReadString(L"UPDATE_URL", text));
    EXPECT_STREQ(L"https://www.morvex.net/veilpane/3.2", text);

    // The tray icon brings the window up, and the offer with it; declined here.
    ASSERT_TRUE(DoubleClickTrayIcon(frame));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = ::FindWindowW(L"#32770", kOfferCaption)) != nullptr; }, 10000));
    ::GetDlgItemTextW(box, 0xFFFF, text, 300);
    EXPECT_STREQ(L"A new version of Veilpane, Veilpane 3.2, is available. Would you like to download and upgrade now?"
                 L"\n\nThe download comes from www.morvex.net.",
                 text);
    // Marked as shown while the box is still open.
    DWORD showed = 0;
    EXPECT_TRUE(store.ReadDword(L"UPDATE_SHOWED", &showed) == 0 && showed == 1);
    ::SendMessageW(::GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 10000));

    // Brought up again in the same run: no second offer.
    ASSERT_TRUE(DoubleClickTrayIcon(frame));
    EXPECT_FALSE(WaitUntil([] { return ::FindWindowW(L"#32770", kOfferCaption) != nullptr; }, 1500));

    ASSERT_EQ(0u, RunQuitArgument());
    EXPECT_TRUE(app.WaitExit(15000));
    for (const wchar_t* name : {L"UPDATE_VERSION", L"UPDATE_URL", L"UPDATE_REVISION", L"UPDATE_SHOWED"}) {
        store.DeleteValue(name);
    }
}

}  // namespace
