// The clean-up actions kept ready on the hook thread: what they hold for which setting, that a key deleted under
// them is opened again, and that the thread holding them can still move between desktops.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "actions/CleanupActions.h"
#include "actions/UndoRecord.h"
#include "framework/Handles.h"
#include "framework/RegistryStore.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

bool KeyExists(const wchar_t* path) {
    vp::RegKeyHandle key;
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

DWORD ValueCount(const wchar_t* path) {
    vp::RegKeyHandle key;
    DWORD values = 0;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return 0xFFFFFFFF;
    ::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
    return values;
}

DWORD TaskManagerPolicy() {
    CRegistryStore store;
    store.SetPath(undo_record::kPolicyKey);
    DWORD v = 0xFFFFFFFF;
    store.ReadDword(L"DisableTaskMgr", &v);
    return v;
}

void WriteTypedUrls(int count) {
    CRegistryStore store;
    store.SetPath(kTypedUrlsKeyPath);
    for (int i = 1; i <= count; ++i) store.WriteString((L"url" + std::to_wstring(i)).c_str(), L"http://seen.test/");
}

// The apartment the actions enter belongs to the thread, so each test runs on one of its own,
// as the hook thread is; gtest's checks work from any thread.
void OnOwnThread(std::function<void()> body) {
    vp::KernelHandle thread(::CreateThread(nullptr, 0, [](void* p) -> DWORD {
        (*static_cast<std::function<void()>*>(p))();
        return 0;
    }, &body, 0, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread.Get(), 60000));
}

CSettingsData AllOn() {
    CSettingsData s;
    s.mute = s.clearIEHistory = s.clearTypedUrls = s.clearRecentDocs = s.disableTaskMgr = 1;
    return s;
}

// The kept-ready actions, as the switcher holds them.
struct KeptReady {
    CMuteAction mute{6};
    CHistoryAction history;
    CTypedUrlsAction typedUrls;
    CTaskManagerAction taskManager;
    CSwitchAction* const all[4] = {&mute, &history, &typedUrls, &taskManager};
    void Prepare(const CSettingsData& s) {
        for (CSwitchAction* a : all) a->Prepare(s);
    }
    void Before(const CSettingsData& s) {
        for (CSwitchAction* a : all) a->Before(s);
    }
};

TEST(ActionsKeptReady, HoldWhatTheEnabledActionsNeedAndNothingElse) {
    DeleteKeyTree(undo_record::kPolicyKey);
    WriteTypedUrls(1);
    OnOwnThread([] {
        KeptReady ready;
        ready.Prepare(AllOn());
        // ctest gives these tests a null sound device, whose playback endpoint Wine offers.
        EXPECT_TRUE(ready.mute.HoldsEndpoint());
        EXPECT_TRUE(ready.history.HoldsStore());
        EXPECT_TRUE(ready.typedUrls.HoldsKey());
        // The policy key is not made before the action needs it: getting ready changes nothing.
        EXPECT_FALSE(ready.taskManager.HoldsKey());
        EXPECT_FALSE(KeyExists(undo_record::kPolicyKey));
        EXPECT_EQ(1u, ValueCount(kTypedUrlsKeyPath));

        ready.Before(AllOn());
        EXPECT_EQ(0u, ValueCount(kTypedUrlsKeyPath));
        EXPECT_EQ(1u, TaskManagerPolicy());
        EXPECT_TRUE(ready.taskManager.HoldsKey());

        ready.Prepare(CSettingsData{});
        EXPECT_FALSE(ready.mute.HoldsEndpoint());
        EXPECT_FALSE(ready.history.HoldsStore());
        EXPECT_FALSE(ready.typedUrls.HoldsKey());
        EXPECT_FALSE(ready.taskManager.HoldsKey());
        ready.taskManager.Undo();
    });
    DeleteKeyTree(undo_record::kPolicyKey);
}

TEST(ActionsKeptReady, AKeyDeletedUnderTheHeldHandleIsOpenedAgain) {
    WriteTypedUrls(1);
    CRegistryStore policy;
    policy.SetPath(undo_record::kPolicyKey);
    policy.WriteDword(L"DisableTaskMgr", 0);
    OnOwnThread([] {
        KeptReady ready;
        CSettingsData keys;
        keys.clearTypedUrls = keys.disableTaskMgr = 1;
        ready.Prepare(keys);
        ASSERT_TRUE(ready.typedUrls.HoldsKey());
        ASSERT_TRUE(ready.taskManager.HoldsKey());
        // Another program deletes both keys and writes them anew while the handles are held.
        DeleteKeyTree(kTypedUrlsKeyPath);
        DeleteKeyTree(undo_record::kPolicyKey);
        WriteTypedUrls(2);
        ready.Before(keys);
        EXPECT_EQ(0u, ValueCount(kTypedUrlsKeyPath));
        EXPECT_EQ(1u, TaskManagerPolicy());
        ready.taskManager.Undo();
    });
    DeleteKeyTree(undo_record::kPolicyKey);
}

TEST(ActionsKeptReady, TheirThreadStillMovesBetweenDesktops) {
    // A thread that owns a window cannot change its desktop; the hook thread does so at every
    // switch, with its apartment entered and every object made.
    const std::wstring name = L"vpwarm" + std::to_wstring(::GetCurrentProcessId());
    vp::DesktopHandle other(::CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    ASSERT_TRUE(other);
    const HDESK otherDesktop = other.Get();
    OnOwnThread([otherDesktop] {
        const HDESK home = ::GetThreadDesktop(::GetCurrentThreadId());
        KeptReady ready;
        CSettingsData comOnly;
        comOnly.mute = comOnly.clearIEHistory = 1;
        ready.Prepare(AllOn());
        ready.Before(comOnly);
        EXPECT_TRUE(::SetThreadDesktop(otherDesktop));
        EXPECT_TRUE(::SetThreadDesktop(home));
    });
    DeleteKeyTree(undo_record::kPolicyKey);
}

}  // namespace
