#pragma once
// A small stand-in for the parts of Windows' shell32 that the program uses.

#include "user32.h"

#include <cstdint>

using HINSTANCE = std::intptr_t;

constexpr int SW_SHOWNORMAL = 1;
constexpr HINSTANCE SE_ERR_FNF = 2;
constexpr HINSTANCE SE_ERR_NOASSOC = 31;

// Opens a file or folder with the program the desktop associates with it
// (verb "open", "explore" or null; nothing is ever run as a command). A
// relative lpFile is found in lpDirectory, or in the process's current
// directory when that is null or empty; '\' separates folders like '/'.
// Texts are in the local 8-bit encoding. Returns more than 32 on success.
HINSTANCE ShellExecuteA(HWND hwnd, const char *lpOperation, const char *lpFile, const char *lpParameters,
                        const char *lpDirectory, int nShowCmd);
