#include "settings/Hotkeys.h"

#include "framework/Text.h"

namespace hotkeys {

namespace {

struct NamedKey {
    DWORD vk;
    const wchar_t* name;
};

constexpr NamedKey kNamedKeys[] = {
    {0x20, L"SPACE"}, {0x08, L"BACK"},  {0x21, L"PAGE_UP"}, {0x22, L"PAGE_DOWN"}, {0x23, L"END"},
    {0x24, L"HOME"},  {0x25, L"LEFT"},  {0x26, L"UP"},      {0x27, L"RIGHT"},     {0x28, L"DOWN"},
    {0x2D, L"INSERT"}, {0x2E, L"DEL"},  {0x6C, L"SEP"},     {0x6D, L"SUB"},       {0x6E, L"."},
    {0x6F, L"/"},
};

// Punctuation: the keyboard's own key and, where one exists, the code that coincides with the
// character (0x5B is also the left Windows key, 0x2C Print Screen: they show that character).
struct PunctuationKey {
    DWORD vk;
    wchar_t ch;
};

constexpr PunctuationKey kPunctuation[] = {
    {0xC0, L'`'}, {0xBD, L'-'}, {0xBB, L'='}, {0x3D, L'='}, {0xDB, L'['}, {0x5B, L'['},
    {0xDD, L']'}, {0x5D, L']'}, {0xDC, L'\\'}, {0x5C, L'\\'}, {0xBA, L';'}, {0x3B, L';'},
    {0xDE, L'\''}, {0xBC, L','}, {0x2C, L','}, {0xBE, L'.'}, {0xBF, L'/'}, {0x2F, L'/'},
};

}  // namespace

DWORD KeyName(DWORD vk, wchar_t (&name)[kKeyNameUnits]) noexcept {
    name[0] = L'\0';
    if (vk >= 0x70 && vk <= 0x87) {
        vp::FormatText(name, L"F%d", static_cast<int>(vk - 0x6F));
        return vk;
    }
    if (vk >= 0x30 && vk <= 0x39) {
        vp::FormatText(name, L"%d", static_cast<int>(vk - 0x30));
        return vk;
    }
    if (vk >= 0x60 && vk <= 0x69) {  // the keypad digits read like the digit keys
        vp::FormatText(name, L"%d", static_cast<int>(vk - 0x60));
        return vk;
    }
    if (vk >= 0x41 && vk <= 0x5A) {
        name[0] = static_cast<wchar_t>(vk);
        name[1] = L'\0';
        return vk;
    }
    for (const NamedKey& k : kNamedKeys) {
        if (k.vk == vk) {
            vp::CopyText(name, k.name);
            return vk;
        }
    }
    for (const PunctuationKey& k : kPunctuation) {
        if (k.vk == vk) {
            name[0] = k.ch;
            name[1] = L'\0';
            return vk;
        }
    }
    return 0;
}

void FormatHotkeyText(wchar_t (&text)[kHotkeyTextUnits], BOOL ctrl, BOOL alt, BOOL shift, const wchar_t* keyName) noexcept {
    vp::FormatText(text, L"%ls%ls%ls%ls", ctrl ? L"Ctrl+" : L"", alt ? L"Alt+" : L"", shift ? L"Shift+" : L"",
                   keyName ? keyName : L"");
}

}  // namespace hotkeys
