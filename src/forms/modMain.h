#pragma once
// modMain's shell procedure shared by all windows.

#include "platform/windows/user32.h"

#include <QString>

namespace modMain {

// Opens a file, page or folder (a path relative to the current directory,
// '\' or '/' between folders) with its associated program; the hourglass
// pointer shows meanwhile. What cannot be opened (missing, no program for
// it, a program that fails) is said in a message of the window `owner`.
void ShellOpen(HWND owner, const QString &path);
// Opens the help page (mk-hilfe\index.html) for the window `owner`.
void OpenHelp(HWND owner);

} // namespace modMain
