#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "framework/RegistryStore.h"
#include "support/TestSupport.h"
#include "update/UpdatePrompt.h"

namespace {

constexpr wchar_t kKey[] = L"Software\\VeilpaneTests\\UpdateOffer";
constexpr wchar_t kCaption[] = L"New Veilpane version available";

// What one call of the offer showed, with the box answered No by the test.
struct OfferSeen {
    bool shown = false;
    bool returned = false;
    std::wstring text;
    HWND owner = nullptr;
    bool yesNo = false;
    DWORD showedWhileOpen = 0xDEAD;
};

class UpdatePromptTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::DeleteKeyTree(L"Software\\VeilpaneTests");
        store.SetPath(kKey);
        owner = ::CreateWindowExW(0, L"STATIC", L"offer owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, owner);
    }
    void TearDown() override {
        ::DestroyWindow(owner);
        testing_support::DeleteKeyTree(L"Software\\VeilpaneTests");
    }

    void Record(const wchar_t* version, const wchar_t* url, DWORD showed, DWORD revision = 291) {
        store.WriteString(L"UPDATE_VERSION", version);
        store.WriteString(L"UPDATE_URL", url);
        store.WriteDword(L"UPDATE_REVISION", revision);
        store.WriteDword(L"UPDATE_SHOWED", showed);
    }
    DWORD Showed() {
        DWORD d = 0xDEAD;
        store.ReadDword(L"UPDATE_SHOWED", &d);
        return d;
    }

    // Runs the offer on a thread of its own (the box is modal there), finds the box from here and
    // answers No. Every wait is bounded.
    // The offer as the frame makes it, with a store of the calling thread's own.
    void OfferFromOwnStore() {
        CRegistryStore own;
        own.SetPath(kKey);
        ShowUpdateOffer(owner, own);
    }

    // whileOpen runs while the box is open, before it is answered.
    OfferSeen RunOffer(const std::function<void()>& whileOpen = nullptr) {
        OfferSeen seen;
        std::atomic<bool> done{false};
        std::thread t([&] {
            OfferFromOwnStore();
            done = true;
        });
        HWND box = nullptr;
        testing_support::WaitUntil([&] { return done || (box = ::FindWindowW(L"#32770", kCaption)) != nullptr; }, 10000);
        if (box) {
            seen.shown = true;
            wchar_t text[512] = {};
            ::GetDlgItemTextW(box, 0xFFFF, text, 512);
            seen.text = text;
            seen.owner = ::GetWindow(box, GW_OWNER);
            seen.yesNo = ::GetDlgItem(box, IDYES) && ::GetDlgItem(box, IDNO) && !::GetDlgItem(box, IDOK);
            seen.showedWhileOpen = Showed();
            if (whileOpen) whileOpen();
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
        }
        seen.returned = testing_support::WaitUntil([&] { return done.load(); }, 10000);
        if (!seen.returned) {
            // Leave no box behind to block the thread for ever.
            if (HWND stray = ::FindWindowW(L"#32770", kCaption)) ::PostMessageW(stray, WM_COMMAND, IDNO, 0);
            testing_support::WaitUntil([&] { return done.load(); }, 5000);
        }
        if (t.joinable()) done ? t.join() : t.detach();
        return seen;
    }

    CRegistryStore store;
    HWND owner = nullptr;
};

TEST_F(UpdatePromptTest, RecordedBuildIsOfferedOncePerRun) {
    Record(L"3.2 beta", L"https://www.morvex.net/veilpane/", 0);
    OfferSeen seen = RunOffer();
    ASSERT_TRUE(seen.shown);
    EXPECT_TRUE(seen.returned);
    EXPECT_EQ(L"A new version of Veilpane, Veilpane 3.2 beta, is available. Would you like to download and upgrade now?"
              L"\n\nThe download comes from www.morvex.net.",
              seen.text);
    EXPECT_EQ(1u, seen.showedWhileOpen);  // marked before the box opened
    EXPECT_EQ(owner, seen.owner);
    EXPECT_TRUE(seen.yesNo);
    EXPECT_EQ(1u, Showed());  // declined, and still counted as offered

    seen = RunOffer();
    EXPECT_FALSE(seen.shown);
    EXPECT_TRUE(seen.returned);

    // The next run starts with the flag cleared: offered again.
    store.WriteDword(L"UPDATE_SHOWED", 0);
    EXPECT_TRUE(RunOffer().shown);
    // No flag at all reads as not yet offered.
    store.DeleteValue(L"UPDATE_SHOWED");
    EXPECT_TRUE(RunOffer().shown);
    EXPECT_EQ(1u, Showed());
}

TEST_F(UpdatePromptTest, ABuildRecordedWhileTheBoxIsOpenOpensNoSecondBoxAndIsOfferedNextTime) {
    Record(L"3.2", L"HTTPS://Update.Morvex.Net/get?x=1", 0);
    int boxesMeanwhile = -1;
    const OfferSeen seen = RunOffer([&] {
        // The check records a newer build and re-arms the offer; the window is asked for again.
        Record(L"3.3", L"https://www.morvex.net/veilpane/", 0);
        std::atomic<bool> done{false};
        std::thread second([&] {
            OfferFromOwnStore();
            done = true;
        });
        EXPECT_TRUE(testing_support::WaitUntil([&] { return done.load(); }, 5000));
        boxesMeanwhile = 0;
        for (HWND box = ::FindWindowW(L"#32770", kCaption); box; box = ::FindWindowExW(nullptr, box, L"#32770", kCaption)) {
            ++boxesMeanwhile;
        }
        done ? second.join() : second.detach();
    });
    ASSERT_TRUE(seen.shown);
    EXPECT_NE(std::wstring::npos, seen.text.find(L"The download comes from Update.Morvex.Net."));
    EXPECT_EQ(1, boxesMeanwhile);
    EXPECT_EQ(0u, Showed());  // the newer build is still to be offered
    const OfferSeen next = RunOffer();
    ASSERT_TRUE(next.shown);
    EXPECT_NE(std::wstring::npos, next.text.find(L"Veilpane 3.3"));
}

TEST_F(UpdatePromptTest, NothingIsOfferedWithoutAUsableRecord) {
    struct Case {
        const char* what;
        const wchar_t* version;
        const wchar_t* url;
    };
    const std::wstring url259 = L"https://www.morvex.net/" + std::wstring(236, L'u');
    const std::wstring url260 = url259 + L"u";
    const Case cases[] = {
        {"version of 20 characters", L"12345678901234567890", L"https://www.morvex.net/"},
        {"address of 260 characters", L"3.2", url260.c_str()},
        {"file address", L"3.2", L"file:///C:/Windows/System32/calc.exe"},
        {"executable path", L"3.2", L"C:\\Windows\\System32\\cmd.exe"},
        {"address with a blank", L"3.2", L"http://a/ -x"},
        {"address with a quote", L"3.2", L"http://a/\"x"},
        // Written by an older build, which took any web address, or by something else.
        {"plain http on the own host", L"3.2", L"http://www.morvex.net/veilpane/"},
        {"another host", L"3.2", L"https://downloads.example.com/veilpane.msi"},
    };
    for (const auto& c : cases) {
        Record(c.version, c.url, 0);
        const OfferSeen seen = RunOffer();
        EXPECT_FALSE(seen.shown) << c.what;
        EXPECT_TRUE(seen.returned) << c.what;
        EXPECT_EQ(0u, Showed()) << c.what;
    }
    // A build that is not newer than this one (recorded before an upgrade), or a revision that was
    // negative on the wire, or none at all.
    for (DWORD revision : {290u, 1u, 0xFFFFFFFFu}) {
        Record(L"3.2", L"https://www.morvex.net/", 0, revision);
        EXPECT_FALSE(RunOffer().shown) << revision;
    }
    store.DeleteValue(L"UPDATE_REVISION");
    EXPECT_FALSE(RunOffer().shown);
    // The longest texts that fit are offered.
    Record(L"1234567890123456789", url259.c_str(), 0);
    EXPECT_TRUE(RunOffer().shown);

    // Nothing recorded at all.
    testing_support::DeleteKeyTree(kKey);
    const OfferSeen seen = RunOffer();
    EXPECT_FALSE(seen.shown);
    EXPECT_TRUE(seen.returned);
}

}  // namespace
