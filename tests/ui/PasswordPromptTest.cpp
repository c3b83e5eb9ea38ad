// The password prompts as the program runs them: the real hook thread (in the switcher harness), the
// real Pwd1 and Pwd2 threads and the real dialog from the program's resources, driven through its
// window handles and the keys its dialog manager reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "framework/PasswordHash.h"
#include "framework/Product.h"
#include "framework/RegistryStore.h"
#include "framework/Text.h"
#include "ids_dialogs.h"
#include "settings/FailedAttempts.h"
#include "settings/ProgramKeys.h"
#include "settings/SettingsMirror.h"
#include "support/TestSupport.h"
#include "support/ThreadJobs.h"
#include "switching/PasswordThreads.h"
#include "switching/SwitcherHarness.h"
#include "ui/PasswordDlg.h"
#include "framework/Notice.h"
#include "switching/ThreadMail.h"

using namespace testing_support;

namespace {

constexpr wchar_t kPromptTitle[] = L"Enter Password";

// The mirror holds hash records, as the settings window puts them there.
void SetPasswords(const wchar_t* switchPassword, const wchar_t* restorePassword) {
    wchar_t switchRecord[vp::kPasswordRecordUnits] = {}, restoreRecord[vp::kPasswordRecordUnits] = {};
    if (*switchPassword) {
        ASSERT_TRUE(vp::MakePasswordRecord(switchPassword, switchRecord));
    }
    if (*restorePassword) {
        ASSERT_TRUE(vp::MakePasswordRecord(restorePassword, restoreRecord));
    }
    g_SettingsMirror.Update([&](CSettingsData& m) {
        vp::CopyText(m.switchPassword.text, switchRecord);
        vp::CopyText(m.restorePassword.text, restoreRecord);
    });
}

struct PromptSearch {
    DWORD threadId;
    std::vector<HWND> found;
};

// The shown prompts of a password thread, looked for on that thread's own desktop: windows of
// another desktop are not listed among the calling thread's. Shown means WS_VISIBLE: Wine counts the
// windows of a desktop it does not display as invisible whatever their style.
std::vector<HWND> PromptsOf(DWORD threadId) {
    PromptSearch search{threadId, {}};
    ::EnumDesktopWindows(
        ::GetThreadDesktop(threadId),
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<PromptSearch*>(lp);
            wchar_t title[64] = {};
            ::GetWindowTextW(hwnd, title, 64);
            if (::GetWindowThreadProcessId(hwnd, nullptr) == s->threadId &&
                (::GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) &&
                wcscmp(title, kPromptTitle) == 0) {
                s->found.push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitPrompt(DWORD threadId, DWORD timeoutMs = 10000) {
    HWND prompt = nullptr;
    WaitUntil([&] {
        const auto all = PromptsOf(threadId);
        prompt = all.empty() ? nullptr : all.front();
        return prompt != nullptr;
    }, timeoutMs);
    return prompt;
}

bool WaitPromptGone(DWORD threadId) {
    return WaitUntil([&] { return PromptsOf(threadId).empty(); }, 5000);
}

std::wstring ReadText(const wchar_t* name) {
    CRegistryStore store;
    store.SetPath(g_ProgramKeys.settings);
    wchar_t text[1024];
    return store.ReadString(name, text) == ERROR_SUCCESS ? text : L"";
}

std::wstring TextOf(HWND hwnd) {
    wchar_t text[128] = {};
    ::GetWindowTextW(hwnd, text, 128);
    return text;
}

// Types into the field one character at a time, as the keyboard would reach it.
void Type(HWND prompt, const wchar_t* text) {
    HWND field = ::GetDlgItem(prompt, IDC_PASSWORD_EDIT);
    for (const wchar_t* c = text; *c; ++c) testing_support::SendOwn(field, WM_CHAR, *c, 0);
}

// A key as the modal loop sees it, on the prompt's thread: at the control with the focus (the
// field at first), where the dialog manager turns Enter and Esc into the buttons' commands.
void PressKey(HWND prompt, WORD vk) {
    testing_support::StartOnThreadOf(prompt, [prompt, vk] {
        HWND target = ::GetFocus() ? ::GetFocus() : ::GetDlgItem(prompt, IDOK);
        for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
            MSG m{target, message, vk, 0, 0, {}};
            if (!::IsDialogMessageW(prompt, &m)) ::DispatchMessageW(&m);
        }
    });
}

void Click(HWND prompt, int id) { testing_support::PostOwn(::GetDlgItem(prompt, id), BM_CLICK); }

class PasswordPromptTest : public ::testing::Test {
protected:
    void SetUp() override {
        SwitcherHarness::ClearMirror();
        ASSERT_TRUE(h.Start());
        // The real password threads take the places of the harness's recorders.
        start = PasswordThreadStart{&h.Mail(), &dialogPrompt};
        pwd1.Reset(::CreateThread(nullptr, 0, Pwd1ThreadProc, &start, 0, &pwd1Id));
        pwd2.Reset(::CreateThread(nullptr, 0, Pwd2ThreadProc, &start, 0, &pwd2Id));
        ASSERT_TRUE(pwd1 && pwd2);
        // The harness's notice thread stands in for the ui thread, which hears of wrong passwords.
        g_notices = 0;
        vp::SetNoticeMailHandler([](UINT code) { g_notices += code == kPasswordNoticeMail ? 1 : 0; });
        attempts.TakeSummary();
        failed_attempts::TakePendingNotice();
    }
    void TearDown() override {
        for (DWORD id : {pwd1Id, pwd2Id}) {
            for (HWND prompt : PromptsOf(id)) testing_support::PostOwn(prompt, WM_COMMAND, IDCANCEL);
        }
        for (DWORD id : {pwd1Id, pwd2Id}) WaitPromptGone(id);
        h.Mail().pwd1.Put(PasswordRequest(PasswordRequest::Kind::Quit));
        h.Mail().pwd2.Put(PasswordRequest(PasswordRequest::Kind::Quit));
        for (auto* t : {&pwd1, &pwd2}) {
            if (*t) {
                EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t->Get(), 5000));
            }
        }
        vp::SetNoticeMailHandler(nullptr);
        attempts.TakeSummary();
        h.Stop();
    }

    // Asks for a switch as a trigger does and waits for the prompt of the given thread. A prompt that
    // has just closed may not have told the switcher yet, which asks nothing while one is open: a
    // person who sees nothing presses the trigger again, and so does this.
    HWND Trigger(DWORD promptThread) {
        for (int attempt = 0; attempt < 10; ++attempt) {
            h.Trigger();
            if (HWND prompt = WaitPrompt(promptThread, 1000)) return prompt;
        }
        return nullptr;
    }

    SwitcherHarness h{false};  // the real password threads take the places of its recorders
    CPasswordPrompt dialogPrompt;
    PasswordThreadStart start{};
    vp::KernelHandle pwd1, pwd2;
    DWORD pwd1Id = 0, pwd2Id = 0;
    failed_attempts::CFailedAttempts attempts{g_ProgramKeys.settings};
    static inline std::atomic<int> g_notices{0};
};

TEST_F(PasswordPromptTest, SwitchPromptOnTheOriginalDesktopLetsOnlyTheExactPasswordThrough) {
    SetPasswords(L"Secret", L"");

    HWND prompt = Trigger(pwd1Id);
    ASSERT_NE(nullptr, prompt);
    EXPECT_EQ(L"Default", DesktopName(::GetThreadDesktop(pwd1Id)));
    EXPECT_EQ(L"Please Enter Switch Password:", TextOf(::GetDlgItem(prompt, IDC_PASSWORD_PROMPT)));
    for (const std::wstring& cut : TextsThatDoNotFit(prompt)) ADD_FAILURE() << cut;
    HWND field = ::GetDlgItem(prompt, IDC_PASSWORD_EDIT);
    EXPECT_TRUE(::GetWindowLongW(field, GWL_STYLE) & ES_PASSWORD);
    EXPECT_EQ(15, ::SendMessageW(field, EM_GETLIMITTEXT, 0, 0));
    // The prompt has no owner: it is a top-level window of its own, in front on its desktop.
    EXPECT_EQ(nullptr, ::GetWindow(prompt, GW_OWNER));

    // A wrong entry: the prompt closes and nothing more happens.
    Type(prompt, L"Wrong");
    Click(prompt, IDOK);
    ASSERT_TRUE(WaitPromptGone(pwd1Id));

    // Letter case counts.
    prompt = Trigger(pwd1Id);
    ASSERT_NE(nullptr, prompt);
    Type(prompt, L"secret");
    Click(prompt, IDOK);
    ASSERT_TRUE(WaitPromptGone(pwd1Id));

    // Cancel, even with the right text typed, and Esc.
    prompt = Trigger(pwd1Id);
    ASSERT_NE(nullptr, prompt);
    Type(prompt, L"Secret");
    Click(prompt, IDCANCEL);
    ASSERT_TRUE(WaitPromptGone(pwd1Id));
    prompt = Trigger(pwd1Id);
    ASSERT_NE(nullptr, prompt);
    Type(prompt, L"Secret");
    PressKey(prompt, VK_ESCAPE);
    ASSERT_TRUE(WaitPromptGone(pwd1Id));

    // Enter at once: the field is empty, so an empty entry is submitted, which is wrong.
    prompt = Trigger(pwd1Id);
    ASSERT_NE(nullptr, prompt);
    PressKey(prompt, VK_RETURN);
    ASSERT_TRUE(WaitPromptGone(pwd1Id));
    EXPECT_EQ(0, h.Switches());
    EXPECT_EQ(L"Default", h.HookThreadDesktop());
    // Three wrong ones, each recorded with the prompt it was typed at (once checked, just after the
    // prompt has gone); Cancel and Esc are not.
    ASSERT_TRUE(WaitUntil([&] { return attempts.FailedInARow() == 3; }, 5000));
    const std::wstring log = ReadText(L"PWD_FAILED_LOG");
    EXPECT_EQ(3, std::count(log.begin(), log.end(), L';') + 1) << log;
    EXPECT_EQ(std::wstring::npos, log.find(L" O")) << log;

    // The fourth prompt waits before it takes input and says so; Enter meanwhile does nothing.
    prompt = Trigger(pwd1Id);
    ASSERT_NE(nullptr, prompt);
    field = ::GetDlgItem(prompt, IDC_PASSWORD_EDIT);
    EXPECT_FALSE(::IsWindowEnabled(field));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(prompt, IDOK)));
    EXPECT_EQ(0u, TextOf(::GetDlgItem(prompt, IDC_PASSWORD_PROMPT)).find(L"Wrong passwords: wait 1 s"));
    testing_support::PostOwn(prompt, WM_COMMAND, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(field) != FALSE; }, 5000));
    EXPECT_TRUE(::IsWindow(prompt));
    EXPECT_EQ(L"Please Enter Switch Password:", TextOf(::GetDlgItem(prompt, IDC_PASSWORD_PROMPT)));

    // The right one switches, once, and the owner is told of the three before it.
    Type(prompt, L"Secret");
    PressKey(prompt, VK_RETURN);
    ASSERT_TRUE(h.WaitSwitches(1));
    EXPECT_TRUE(WaitUntil([&] { return h.HookThreadDesktop() == L"vpdesk"; }, 5000));
    ASSERT_TRUE(WaitUntil([&] { return g_notices == 1; }, 5000));
    EXPECT_EQ(0u, failed_attempts::TakePendingNotice().find(L"3 wrong password attempts since "));
    EXPECT_EQ(0u, attempts.FailedInARow());
    EXPECT_EQ(L"", ReadText(L"PWD_FAILED_LOG"));
    ::Sleep(200);
    EXPECT_EQ(1, h.Switches());
}

TEST_F(PasswordPromptTest, FieldTakesFifteenCharactersButOnlyFourteenAreCompared) {
    SetPasswords(L"abcdefghijklmn", L"");  // 14 characters, the most a settings page stores
    HWND prompt = Trigger(pwd1Id);
    ASSERT_NE(nullptr, prompt);
    Type(prompt, L"abcdefghijklmnXYZ");
    EXPECT_EQ(15, ::GetWindowTextLengthW(::GetDlgItem(prompt, IDC_PASSWORD_EDIT)));
    Click(prompt, IDOK);
    EXPECT_TRUE(h.WaitSwitches(1));
}

TEST_F(PasswordPromptTest, RestorePromptOpensOnTheVirtualDesktopAndFurtherTriggersOpenNoSecondOne) {
    SetPasswords(L"", L"Back");
    h.Trigger();  // no switch password: straight to the virtual desktop
    ASSERT_TRUE(h.WaitSwitches(1));
    ASSERT_TRUE(WaitUntil([&] { return h.HookThreadDesktop() == L"vpdesk"; }, 5000));

    HWND prompt = Trigger(pwd2Id);
    ASSERT_NE(nullptr, prompt);
    EXPECT_EQ(L"vpdesk", DesktopName(::GetThreadDesktop(::GetWindowThreadProcessId(prompt, nullptr))));
    EXPECT_EQ(L"Please Enter Restore Password:", TextOf(::GetDlgItem(prompt, IDC_PASSWORD_PROMPT)));
    for (const std::wstring& cut : TextsThatDoNotFit(prompt)) ADD_FAILURE() << cut;
    EXPECT_TRUE(PromptsOf(pwd1Id).empty());

    // More triggers while the prompt is open: the modal loop takes the asks, no second prompt opens.
    h.Trigger();
    h.Trigger();
    ::Sleep(500);
    EXPECT_EQ(1u, PromptsOf(pwd2Id).size());

    // The close box is a Cancel.
    ::PostMessageW(prompt, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitPromptGone(pwd2Id));
    EXPECT_EQ(1, h.Switches());

    prompt = Trigger(pwd2Id);
    ASSERT_NE(nullptr, prompt);
    Type(prompt, L"back");
    Click(prompt, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return ReadText(L"PWD_FAILED_LOG").find(L" O") != std::wstring::npos; }, 5000));
    prompt = Trigger(pwd2Id);
    ASSERT_NE(nullptr, prompt);
    Type(prompt, L"Back");
    Click(prompt, IDOK);
    ASSERT_TRUE(h.WaitSwitches(2));
    EXPECT_TRUE(WaitUntil([&] { return h.HookThreadDesktop() == L"Default"; }, 5000));
    ::Sleep(200);
    EXPECT_EQ(2, h.Switches());
}


// Keys as the keyboard types them (a character, or a virtual key for 0): whichever window has the
// keyboard gets them.
void TypeOnKeyboard(const wchar_t* text, WORD vk = 0) {
    for (const wchar_t* c = text; *c || vk; c += *c ? 1 : 0) {
        INPUT in[2]{};
        for (INPUT& i : in) {
            i.type = INPUT_KEYBOARD;
            i.ki.wVk = *c ? 0 : vk;
            i.ki.wScan = *c;
            i.ki.dwFlags = *c ? KEYEVENTF_UNICODE : 0;
        }
        in[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        ::SendInput(2, in, sizeof(INPUT));
        if (!*c) break;
    }
}

TEST_F(PasswordPromptTest, KeysTypedRightAfterTheTriggerLandInThePromptNotInTheWindowInFront) {
    SetPasswords(L"Secret", L"");
    // Another program's window in front with the keyboard, as a chat window would be.
    std::atomic<HWND> chat{nullptr}, chatEdit{nullptr};
    std::atomic<DWORD> chatThread{0};
    std::thread other([&] {
        HWND w = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", L"chat", WS_POPUP | WS_VISIBLE, 500, 300, 300, 80,
                                   nullptr, nullptr, nullptr, nullptr);
        chatEdit = ::CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE, 10, 10, 280, 24, w, nullptr, nullptr, nullptr);
        ::SetForegroundWindow(w);
        ::SetFocus(chatEdit);
        chatThread = ::GetCurrentThreadId();
        chat = w;
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::DestroyWindow(w);
    });
    ASSERT_TRUE(WaitUntil([&] { return chat.load() != nullptr && ::GetForegroundWindow() == chat.load(); }, 5000));

    // The trigger's own input never reached anyone; the prompt opens and the user types at once.
    h.Trigger();
    HWND prompt = WaitPrompt(pwd1Id);
    ASSERT_NE(nullptr, prompt);
    TypeOnKeyboard(L"Secret");
    HWND field = ::GetDlgItem(prompt, IDC_PASSWORD_EDIT);
    EXPECT_TRUE(WaitUntil([&] { return TextOf(field) == L"Secret"; }, 5000)) << "the field holds " << TextOf(field).size();
    EXPECT_EQ(L"", TextOf(chatEdit));
    EXPECT_EQ(prompt, ::GetForegroundWindow());
    TypeOnKeyboard(L"", VK_RETURN);
    EXPECT_TRUE(WaitPromptGone(pwd1Id));
    EXPECT_TRUE(WaitUntil([&] { return h.Switches() == 1; }, 5000));

    ::PostThreadMessageW(chatThread, WM_QUIT, 0, 0);
    other.join();
}
}  // namespace
