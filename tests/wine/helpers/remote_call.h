// Runs an export of one of the helpers' modules inside a running program:
// what only a call made there can reach (Wine keeps some state per process,
// and gives an IME window only to a program's own windows).
#pragma once

#include <windows.h>

#include <cstdint>

// Loads dllName, which lies beside this helper, into the one process running
// imageName, then runs its export on a thread there with argument and waits
// for it. Returns 0 when the export returned ERROR_SUCCESS; otherwise prints
// why on standard error, as helper, and returns 1.
int CallInProgram(const char* helper, const wchar_t* imageName, const wchar_t* dllName,
                  const char* exportName, std::uintptr_t argument);
