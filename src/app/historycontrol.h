#pragma once
// The history switch: "merkolo --verlauf=an" / "--verlauf=aus", remembered
// in einstellung/verlauf.txt beside the options files. Off unless the user
// turned it on; then the stores keep what they hold in verlauf/verlauf.sqlite
// (a folder only the user may enter). A second start hands the switch to
// the running program.

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class Forms;
class SqliteHistory;

namespace historyswitch {

enum class Request { None, On, Off, Bad };
// The switch among the program's arguments; Bad for "--verlauf=" with another value.
Request fromArguments(const QStringList &arguments);
// The line a second start sends for it ("verlauf=an"), empty for None.
QByteArray requestLine(Request request);
Request fromRequestLine(const QByteArray &line);

QString settingPath(const QString &programFolder);
QString historyPath(const QString &programFolder);
// True when the setting says "an".
bool remembered(const QString &programFolder);

} // namespace historyswitch

class HistoryControl : public QObject
{
    Q_OBJECT
public:
    HistoryControl(Forms &forms, const QString &programFolder);
    ~HistoryControl() override;

    // At start, before any store loads: the remembered setting, or `request` when one was given.
    void start(historyswitch::Request request);
    // A request given to the running program.
    void apply(historyswitch::Request request);
    SqliteHistory *history() const { return m_history.get(); }

private:
    void turnOn(bool explicitly);
    void turnOff();
    void remember(bool on);
    void say(const QString &text);

    Forms &m_forms;
    QString m_folder;
    std::unique_ptr<SqliteHistory> m_history;
};
