// The password prompts as the program runs them: the real hook thread (in the switcher harness), the
// real Pwd1 and Pwd2 threads and the real dialog from the program's resources, on the prompts' desktop,
// typed into through the X server as a person types.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
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

// Typed into the prompt as a person types: through the X server, then keys (Return, Escape).
bool Type(const wchar_t* text, const wchar_t* keys = L"Return") { return TypeThroughX(kPromptTitle, text, keys); }

std::wstring Prompts() { return SwitcherHarness::PromptsDesktopName(); }

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
        h.Mail().withdrawnAsks = ~0u;  // whatever prompt is left open closes unanswered
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

TEST_F(PasswordPromptTest, SwitchPromptOnThePromptsDesktopLetsOnlyTheExactPasswordThrough) {
    SetPasswords(L"Secret", L"");

    HWND prompt = Trigger(pwd1Id);
    ASSERT_NE(nullptr, prompt);
    // Neither of the two desktops: one of its own, which shows; the user's work is hidden.
    EXPECT_EQ(Prompts(), DesktopName(::GetThreadDesktop(pwd1Id)));
    EXPECT_TRUE(Showing(Prompts().c_str()));
    EXPECT_EQ(L"Please Enter Switch Password:", TextOf(::GetDlgItem(prompt, IDC_PASSWORD_PROMPT)));
    for (const std::wstring& cut : TextsThatDoNotFit(prompt)) ADD_FAILURE() << cut;
    HWND field = ::GetDlgItem(prompt, IDC_PASSWORD_EDIT);
    EXPECT_TRUE(::GetWindowLongW(field, GWL_STYLE) & ES_PASSWORD);
    EXPECT_EQ(15, ::SendMessageW(field, EM_GETLIMITTEXT, 0, 0));
    // The prompt has no owner: it is a top-level window of its own, in front on its desktop.
    EXPECT_EQ(nullptr, ::GetWindow(prompt, GW_OWNER));

    // A wrong entry: the prompt closes, the screen comes back, and nothing more happens.
    ASSERT_TRUE(Type(L"Wrong"));
    ASSERT_TRUE(WaitPromptGone(pwd1Id));
    EXPECT_TRUE(Showing(L"Default"));
    // Letter case counts; Esc is a Cancel, whatever was typed; Enter at once submits an empty entry,
    // which is wrong.
    const struct {
        const wchar_t* text;
        const wchar_t* keys;
    } entries[] = {{L"secret", L"Return"}, {L"Secret", L"Escape"}, {L"", L"Return"}};
    for (const auto& entry : entries) {
        ASSERT_NE(nullptr, Trigger(pwd1Id));
        ASSERT_TRUE(Type(entry.text, entry.keys));
        ASSERT_TRUE(WaitPromptGone(pwd1Id));
        EXPECT_TRUE(Showing(L"Default"));
    }
    EXPECT_EQ(0, h.Switches());
    // Three wrong ones, each recorded with the prompt it was typed at (once checked, just after the
    // prompt has gone); Esc is not.
    ASSERT_TRUE(WaitUntil([&] { return attempts.FailedInARow() == 3; }, 5000));
    const std::wstring log = ReadText(L"PWD_FAILED_LOG");
    EXPECT_EQ(3, std::count(log.begin(), log.end(), L';') + 1) << log;
    EXPECT_EQ(std::wstring::npos, log.find(L" O")) << log;

    // The fourth prompt waits before it takes input and says so; keys typed meanwhile go nowhere.
    prompt = Trigger(pwd1Id);
    ASSERT_NE(nullptr, prompt);
    field = ::GetDlgItem(prompt, IDC_PASSWORD_EDIT);
    EXPECT_FALSE(::IsWindowEnabled(field));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(prompt, IDOK)));
    EXPECT_EQ(0u, TextOf(::GetDlgItem(prompt, IDC_PASSWORD_PROMPT)).find(L"Wrong passwords: wait 1 s"));
    ASSERT_TRUE(Type(L"zz", nullptr));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(field) != FALSE; }, 5000));
    EXPECT_TRUE(::IsWindow(prompt));
    EXPECT_EQ(L"Please Enter Switch Password:", TextOf(::GetDlgItem(prompt, IDC_PASSWORD_PROMPT)));

    // The right one switches, once, from the prompts' desktop, and the owner is told of the three before it.
    ASSERT_TRUE(Type(L"Secret"));
    ASSERT_TRUE(h.WaitSwitches(1));
    EXPECT_EQ(L"vpdesk", h.HookThreadDesktop());
    ASSERT_TRUE(WaitUntil([&] { return g_notices == 1; }, 5000));
    EXPECT_EQ(0u, failed_attempts::TakePendingNotice().find(L"3 wrong password attempts since "));
    EXPECT_EQ(0u, attempts.FailedInARow());
    EXPECT_EQ(L"", ReadText(L"PWD_FAILED_LOG"));
    ::Sleep(200);
    EXPECT_EQ(1, h.Switches());
    h.Trigger();  // no restore password: straight back
    ASSERT_TRUE(h.WaitSwitches(2));
}

TEST_F(PasswordPromptTest, FieldTakesFifteenCharactersButOnlyFourteenAreCompared) {
    SetPasswords(L"abcdefghijklmn", L"");  // 14 characters, the most a settings page stores
    HWND prompt = Trigger(pwd1Id);
    ASSERT_NE(nullptr, prompt);
    ASSERT_TRUE(Type(L"abcdefghijklmnXYZ", nullptr));
    EXPECT_TRUE(WaitUntil([&] { return ::GetWindowTextLengthW(::GetDlgItem(prompt, IDC_PASSWORD_EDIT)) == 15; }, 5000));
    ASSERT_TRUE(Type(L""));
    EXPECT_TRUE(h.WaitSwitches(1));
    h.Trigger();
    ASSERT_TRUE(h.WaitSwitches(2));
}

TEST_F(PasswordPromptTest, RestorePromptOpensOnThePromptsDesktopAndFurtherTriggersOpenNoSecondOne) {
    SetPasswords(L"", L"Back");
    h.Trigger();  // no switch password: straight to the virtual desktop
    ASSERT_TRUE(h.WaitSwitches(1));
    ASSERT_TRUE(WaitUntil([&] { return h.HookThreadDesktop() == L"vpdesk"; }, 5000));

    HWND prompt = Trigger(pwd2Id);
    ASSERT_NE(nullptr, prompt);
    EXPECT_EQ(Prompts(), DesktopName(::GetThreadDesktop(::GetWindowThreadProcessId(prompt, nullptr))));
    EXPECT_TRUE(Showing(Prompts().c_str()));
    EXPECT_EQ(L"Please Enter Restore Password:", TextOf(::GetDlgItem(prompt, IDC_PASSWORD_PROMPT)));
    for (const std::wstring& cut : TextsThatDoNotFit(prompt)) ADD_FAILURE() << cut;
    EXPECT_TRUE(PromptsOf(pwd1Id).empty());

    // More triggers while the prompt is open: the modal loop takes the asks, no second prompt opens.
    h.Trigger();
    h.Trigger();
    ::Sleep(500);
    EXPECT_EQ(1u, PromptsOf(pwd2Id).size());

    // A wrong one brings "vpdesk" back; the right one the user's desktop.
    ASSERT_TRUE(Type(L"back"));
    ASSERT_TRUE(WaitUntil([&] { return ReadText(L"PWD_FAILED_LOG").find(L" O") != std::wstring::npos; }, 5000));
    EXPECT_TRUE(Showing(L"vpdesk"));
    ASSERT_NE(nullptr, Trigger(pwd2Id));
    ASSERT_TRUE(Type(L"Back"));
    ASSERT_TRUE(h.WaitSwitches(2));
    EXPECT_TRUE(WaitUntil([&] { return h.HookThreadDesktop() == L"Default"; }, 5000));
    ::Sleep(200);
    EXPECT_EQ(2, h.Switches());
}

bool IsKeyDown(WPARAM message) { return message == WM_KEYDOWN || message == WM_SYSKEYDOWN; }

TEST_F(PasswordPromptTest, NoKeyboardHookOfEitherDesktopSeesAKeyOfThePassword) {
    SetPasswords(L"Secret", L"Back");
    // As a program of the onlooker's on "vpdesk", or one on the user's desktop, would listen.
    HookCounter onUsers(L"Default", WH_KEYBOARD_LL, IsKeyDown);
    HookCounter onVirtual(L"vpdesk", WH_KEYBOARD_LL, IsKeyDown);
    ASSERT_TRUE(onUsers.Hooked() && onVirtual.Hooked());
    ASSERT_NE(nullptr, Trigger(pwd1Id));
    ASSERT_TRUE(Type(L"Secret"));
    ASSERT_TRUE(h.WaitSwitches(1));
    ASSERT_NE(nullptr, Trigger(pwd2Id));
    ASSERT_TRUE(Type(L"Back"));
    ASSERT_TRUE(h.WaitSwitches(2));
    EXPECT_EQ(0, onUsers.Count());
    EXPECT_EQ(0, onVirtual.Count());
}
}  // namespace
