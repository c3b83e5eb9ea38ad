#include "update/UpdatePath.h"

#include "framework/Text.h"

namespace {
constexpr DWORD kUpdateSerialMask = 0x5A17C3E9;
}

void FormatUpdatePath(char (&out)[264], DWORD volumeSerial) noexcept {
    vp::FormatText(out, "/Veilpane/checkup?a=%08X&b=%s", static_cast<unsigned>(volumeSerial ^ kUpdateSerialMask),
                   "0000000000");
}

const char* UpdateRequestPath() noexcept {
    // Thread-safe first use: the check thread and a test may both ask.
    static const struct Path {
        char text[264] = {};
        Path() noexcept {
            DWORD serial = 0;
            if (!::GetVolumeInformationW(nullptr, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) serial = 0;
            FormatUpdatePath(text, serial);
        }
    } path;
    return path.text;
}
