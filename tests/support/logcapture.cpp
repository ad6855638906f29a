#include "logcapture.h"

#include <QLoggingCategory>

namespace {
LogCapture *g_capture = nullptr;
} // namespace

LogCapture::LogCapture(bool everything)
    : m_everything(everything)
{
    g_capture = this;
    m_previous = qInstallMessageHandler(&LogCapture::handler);
    if (everything)
        QLoggingCategory::setFilterRules(QStringLiteral("merkolo.*=true"));
}

LogCapture::~LogCapture()
{
    if (m_everything)
        QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(m_previous);
    g_capture = nullptr;
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    LogCapture *self = g_capture;
    if (!self)
        return;
    std::lock_guard lock(self->m_mutex);
    self->m_lines.push_back({QString::fromLatin1(context.category ? context.category : "default"), type, text});
}

std::vector<LogCapture::Line> LogCapture::lines() const
{
    std::lock_guard lock(m_mutex);
    return m_lines;
}

QStringList LogCapture::texts(const QString &category, QtMsgType type) const
{
    QStringList out;
    for (const Line &l : lines()) {
        if (l.category == category && l.type == type)
            out << l.text;
    }
    return out;
}

QStringList LogCapture::all() const
{
    QStringList out;
    for (const Line &l : lines())
        out << l.text;
    return out;
}
