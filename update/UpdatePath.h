#pragma once
// The path of the update request: it carries a number derived from the system volume's serial.
#include <windows.h>

// The update request path for a volume serial number.
void FormatUpdatePath(char (&out)[264], DWORD volumeSerial) noexcept;
// This machine's path, worked out on first use.
const char* UpdateRequestPath() noexcept;
