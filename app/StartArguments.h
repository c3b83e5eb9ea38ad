#pragma once
// What the command line asks of this start. The program itself takes no arguments and ignores what
// it is given; the private ones start the guard process, and hand a copy the guard starts again the
// state of the copy that ended.
#include <windows.h>

enum class StartRole { Program, Guard };

struct StartArguments {
    StartRole role = StartRole::Program;
    // Guard: inherited handles of the main process, of its quit event and of the section of what the
    // program tells it. Program: the section a guard handed over (null: none).
    HANDLE watched = nullptr;
    HANDLE quitEvent = nullptr;
    HANDLE state = nullptr;
};

// The guard's argument: the word, then the three handle values in hexadecimal.
constexpr const wchar_t* kGuardArgument = L"/vpguard";
// A copy the guard starts again: the word, then the handle value of the state it hands over.
constexpr const wchar_t* kHandedStateArgument = L"/vpstate";

StartArguments ParseStartArguments(const wchar_t* commandLine) noexcept;
// The command line that starts the guard: the executable in quotes, then the guard's argument. False
// when the path does not fit whole.
bool FormatGuardCommandLine(wchar_t (&out)[MAX_PATH + 64], const wchar_t* exePath, HANDLE watched,
                            HANDLE quitEvent, HANDLE state) noexcept;
// The command line of a copy the guard starts again, with the state it hands over (null: none).
bool FormatRestartCommandLine(wchar_t (&out)[MAX_PATH + 64], const wchar_t* exePath, HANDLE state) noexcept;
