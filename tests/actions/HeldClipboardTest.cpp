// The clipboard held aside and put back, with the real clipboard and a program that holds it open.
#include <gtest/gtest.h>

#include <string>

#include "ActionsTestSupport.h"
#include "actions/HeldClipboard.h"

using namespace actions_test;
using namespace testing_support;

namespace {

const std::string kHtml = "Version:0.9\r\nStartHTML:0\r\n<b>Wire 40,000 to account 7731</b>";

TEST(HeldClipboard, AClipboardAnotherProgramHoldsOpenKeepsItsContent) {
    ASSERT_TRUE(SetClipboardContent(L"Wire 40,000", kHtml));
    const std::wstring event = L"Local\\vp-clipboard-held-" + std::to_wstring(::GetCurrentProcessId());
    vp::KernelHandle opened(::CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    StartedProcess holder;
    ASSERT_TRUE(StartProcess(L"\"" + HelperPath(L"clipboard_holder.exe") + L"\" " + event, holder));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(opened.Get(), 10000));

    CHeldClipboard held;
    EXPECT_EQ(CHeldClipboard::Taken::Busy, held.Take());
    EXPECT_FALSE(held.Holds());
    EndProcess(holder);
    EXPECT_EQ(kHtml + '\0', ClipboardBytes(HtmlFormat()));
}

TEST(HeldClipboard, WhatIsHeldGoesBackWholeAndUnlistedEvenFromItsSerialisedForm) {
    ASSERT_TRUE(SetClipboardContent(L"Wire 40,000", kHtml));
    const std::string text = ClipboardBytes(CF_UNICODETEXT);
    const std::string html = ClipboardBytes(HtmlFormat());
    CHeldClipboard held;
    ASSERT_EQ(CHeldClipboard::Taken::Held, held.Take());
    EXPECT_EQ(0, ::CountClipboardFormats());
    // Nothing to take: what is held stays.
    EXPECT_EQ(CHeldClipboard::Taken::Empty, held.Take());

    // As the guard would get it and put it back; a record cut short is refused whole.
    std::vector<unsigned char> bytes = held.Serialised();
    held.Forget();
    CHeldClipboard guards;
    EXPECT_FALSE(guards.TakeSerialised(bytes.data(), bytes.size() - 1));
    EXPECT_FALSE(guards.Holds());
    ASSERT_TRUE(guards.TakeSerialised(bytes.data(), bytes.size()));
    WipeBytes(bytes);
    ASSERT_TRUE(guards.PutBack());
    EXPECT_FALSE(guards.Holds());

    EXPECT_EQ(text, ClipboardBytes(CF_UNICODETEXT));
    EXPECT_EQ(html, ClipboardBytes(HtmlFormat()));
    // Not listed in the clipboard history a second time.
    const std::string no(4, '\0');
    EXPECT_EQ(no, ClipboardBytes(::RegisterClipboardFormatW(L"CanIncludeInClipboardHistory")));
}

}  // namespace
