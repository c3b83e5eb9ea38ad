#pragma once
// What the command line asks of this start. The program itself takes no arguments and ignores what
// it is given; the only private one starts the guard process.
#include <windows.h>

enum class StartRole { Program, Guard };

struct StartArguments {
    StartRole role = StartRole::Program;
    // Guard only: inherited handles of the main process and of its quit event.
    HANDLE watched = nullptr;
    HANDLE quitEvent = nullptr;
};

// The guard's argument: the word, then the two handle values in hexadecimal.
constexpr const wchar_t* kGuardArgument = L"/vpguard";

StartArguments ParseStartArguments(const wchar_t* commandLine) noexcept;
// The command line that starts the guard: the executable in quotes, then the guard's argument. False
// when the path does not fit whole.
bool FormatGuardCommandLine(wchar_t (&out)[MAX_PATH + 64], const wchar_t* exePath, HANDLE watched,
                            HANDLE quitEvent) noexcept;
