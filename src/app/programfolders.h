#pragma once
// Where the program's files live. Run from its build folder, everything lies
// beside the program as the build laid it out. Once installed, the program
// writes nothing into its install tree: options, saved texts and pictures go
// into one folder per user, and the help page is read from the installed
// share folder.

#include <QString>

namespace programfolders {

struct Layout {
    bool installed = false;
    QString shareFolder; // <prefix>/share/merkolo (installed only)
    QString userFolder;  // $XDG_DATA_HOME/merkolo (installed only)
};

// The share folder of an installed program ("share/merkolo" beside the
// program's "bin/"), or empty when the program does not lie in such a tree.
QString shareFolderOf(const QString &programFolder);

// $XDG_DATA_HOME/merkolo; ~/.local/share/merkolo when the variable is unset
// or not an absolute path (as the base directory rules say).
QString userFolder(const QString &xdgDataHome, const QString &home);

Layout detect(const QString &programFolder, const QString &xdgDataHome, const QString &home);

// The subfolders the program's windows expect to exist.
inline const char *const kSubfolders[] = {"einstellung", "text", "bilder"};

// Creates the per-user folder and its subfolders. Empty when all of them
// exist and can be written, else a German message naming the path that failed.
QString prepare(const QString &userFolder);

} // namespace programfolders
