#pragma once
// The few SQLite calls the history makes, through Qt's driver: a connection
// of its own per thread, one statement, one pragma, and what an error means
// in German words.

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariant>

namespace sqlitedb {

// A connection of its own, closed and removed when it goes.
class Connection
{
public:
    explicit Connection(const QString &path);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    const QString &name() const { return m_name; }

private:
    QString m_name;
};

// One statement; false (with `error` set) when it failed.
bool run(QSqlDatabase db, const QString &sql, QSqlError *error = nullptr);
// The value a pragma reads, invalid when it could not be read.
QVariant pragma(QSqlDatabase db, const QString &name);
// What went wrong, for the user.
QString reasonOf(const QSqlError &error);

} // namespace sqlitedb
