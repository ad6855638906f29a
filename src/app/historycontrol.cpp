#include "historycontrol.h"

#include "forms/forms.h"
#include "imagestore/Formbilder.h"
#include "platform/files/filesave.h"
#include "platform/history/sqlitehistory.h"
#include "platform/services/log.h"
#include "textstore/Textform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace historyswitch {

namespace {
const QString kOption = QStringLiteral("--verlauf=");
} // namespace

Request fromArguments(const QStringList &arguments)
{
    Request request = Request::None;
    for (const QString &argument : arguments) {
        if (!argument.startsWith(kOption))
            continue;
        const QString value = argument.mid(kOption.size());
        request = value == QLatin1String("an") ? Request::On : value == QLatin1String("aus") ? Request::Off : Request::Bad;
        if (request == Request::Bad)
            break;
    }
    return request;
}

QByteArray requestLine(Request request)
{
    switch (request) {
    case Request::On:
        return QByteArrayLiteral("verlauf=an");
    case Request::Off:
        return QByteArrayLiteral("verlauf=aus");
    case Request::None:
    case Request::Bad:
        break;
    }
    return {};
}

Request fromRequestLine(const QByteArray &line)
{
    if (line == requestLine(Request::On))
        return Request::On;
    if (line == requestLine(Request::Off))
        return Request::Off;
    return Request::None;
}

QString settingPath(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("einstellung/verlauf.txt"));
}

QString historyPath(const QString &programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("verlauf/verlauf.sqlite"));
}

bool remembered(const QString &programFolder)
{
    QFile file(settingPath(programFolder));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(16).trimmed() == "an";
}

} // namespace historyswitch

HistoryControl::HistoryControl(Forms &forms, const QString &programFolder)
    : m_forms(forms)
    , m_folder(programFolder)
{
}

HistoryControl::~HistoryControl()
{
    m_forms.services().history = nullptr;
}

void HistoryControl::start(historyswitch::Request request)
{
    using historyswitch::Request;
    if (request == Request::On)
        turnOn(true);
    else if (request == Request::Off)
        turnOff();
    else if (historyswitch::remembered(m_folder))
        turnOn(false);
}

void HistoryControl::apply(historyswitch::Request request)
{
    using historyswitch::Request;
    if (request == Request::On && !m_history)
        turnOn(true);
    else if (request == Request::Off)
        turnOff();
}

void HistoryControl::turnOn(bool explicitly)
{
    if (explicitly)
        remember(true);
    auto history = std::make_unique<SqliteHistory>(historyswitch::historyPath(m_folder), explicitly);
    if (!history->setAsideAs().isEmpty())
        say(QStringLiteral("Der alte Verlauf war nicht zu lesen und liegt jetzt unter %1.\nEin neuer Verlauf ist "
                           "begonnen.")
                .arg(QDir::toNativeSeparators(history->setAsideAs())));
    if (!history->usable()) {
        say(history->problem());
        return;
    }
    connect(history.get(), &SqliteHistory::failed, this, [this](const QString &message) {
        m_forms.services().history = nullptr;
        say(message);
    });
    m_history = std::move(history);
    m_forms.services().history = m_history.get();
    // Windows shown before: the history takes what they hold now.
    if (Textform *text = m_forms.find<Textform>(); text && !text->isUnloaded())
        text->historyAttached();
    if (Formbilder *images = m_forms.find<Formbilder>(); images && !images->isUnloaded())
        images->historyAttached();
}

void HistoryControl::turnOff()
{
    remember(false);
    m_forms.services().history = nullptr;
    m_history.reset(); // writes what was handed over, then closes
    const QString path = historyswitch::historyPath(m_folder);
    if (!QFileInfo::exists(path))
        return;
    const int answer = m_forms.services().messages->show(
        QStringLiteral("Der Verlauf ist aus.\nSoll der gespeicherte Verlauf %1 gelöscht werden?")
            .arg(QDir::toNativeSeparators(path)),
        vbYesNo, QString());
    if (answer != vbYes)
        return;
    for (const char *suffix : {"", "-wal", "-shm"}) {
        QFile file(path + QLatin1String(suffix));
        if (file.exists() && !file.remove())
            say(QStringLiteral("Der Verlauf %1 konnte nicht gelöscht werden: %2")
                    .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
    }
}

void HistoryControl::remember(bool on)
{
    const QString path = historyswitch::settingPath(m_folder);
    QString error;
    if (!filesave::writeWhole(path, on ? QByteArrayLiteral("an\n") : QByteArrayLiteral("aus\n"), &error))
        say(error);
}

void HistoryControl::say(const QString &text)
{
    if (!text.isEmpty() && m_forms.services().messages)
        m_forms.services().messages->show(text, vbOKOnly, QString());
}
