#include "sqlitedb.h"

#include <QSqlQuery>

#include <atomic>

namespace sqlitedb {

namespace {

QString connectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("merkolo-history-%1").arg(counter++);
}

// The SQLite result code behind an error (its extended code's low byte).
int sqliteCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

} // namespace

Connection::Connection(const QString &path)
    : m_name(connectionName())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    // Waits for another instance's commit instead of failing at once.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
}

Connection::~Connection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool run(QSqlDatabase db, const QString &sql, QSqlError *error)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    if (error)
        *error = query.lastError();
    return false;
}

QVariant pragma(QSqlDatabase db, const QString &name)
{
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("PRAGMA ") + name) && query.next())
        return query.value(0);
    return {};
}

QString reasonOf(const QSqlError &error)
{
    switch (sqliteCode(error)) {
    case 13: // SQLITE_FULL
        return QStringLiteral("Auf dem Datenträger ist kein Platz mehr.");
    case 8: // SQLITE_READONLY
    case 3: // SQLITE_PERM
        return QStringLiteral("Die Datei darf nicht geschrieben werden.");
    case 11: // SQLITE_CORRUPT
        return QStringLiteral("Die Datei ist beschädigt.");
    case 26: // SQLITE_NOTADB
        return QStringLiteral("Die Datei ist keine Datenbank.");
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return QStringLiteral("Die Datei bleibt von einem anderen Programm gesperrt.");
    default:
        return QStringLiteral("Fehler der Datenbank: %1").arg(error.text());
    }
}

} // namespace sqlitedb
