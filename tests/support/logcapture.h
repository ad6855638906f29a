#pragma once
// Records what the program logs for as long as it lives, from any thread.
// With `everything`, every category of the program is switched on, as
// QT_LOGGING_RULES="merkolo.*=true" does; without, the defaults hold.

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <mutex>
#include <vector>

class LogCapture
{
public:
    struct Line {
        QString category;
        QtMsgType type;
        QString text;
    };

    explicit LogCapture(bool everything = true);
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    std::vector<Line> lines() const;
    // The texts logged in `category` at level `type`.
    QStringList texts(const QString &category, QtMsgType type) const;
    // Every text logged, in any category, at any level.
    QStringList all() const;

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &text);
    mutable std::mutex m_mutex;
    std::vector<Line> m_lines;
    QtMessageHandler m_previous = nullptr;
    bool m_everything;
};
