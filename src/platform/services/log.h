#pragma once
// The program's log, a category per area. What went wrong where the user
// cannot see it is logged as a warning, on by default; the rest (what was
// given up or kept out as it should be) is info and debug, switched on with
// QT_LOGGING_RULES, e.g. QT_LOGGING_RULES="merkolo.*=true". Nothing the
// clipboard holds is ever logged: only sizes, types and reasons.

#include <QLoggingCategory>

// merkolo.clipboard: fetches given up or timed out, pictures refused, secret marks;
// at info level, every change and what became of it.
Q_DECLARE_LOGGING_CATEGORY(lcClipboard)
// merkolo.files: writes that failed, folders not made, files not opened.
Q_DECLARE_LOGGING_CATEGORY(lcFiles)
// merkolo.tray: the notification area coming and going, notices without it.
Q_DECLARE_LOGGING_CATEGORY(lcTray)
// merkolo.instance: the lock and socket that keep the program to one instance.
Q_DECLARE_LOGGING_CATEGORY(lcInstance)
