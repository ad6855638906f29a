// Opening the history: the place checked, the file checked, what it holds read.

#include "sqlitehistory.h"
#include "sqlitedb.h"

#include "platform/services/log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace sqlitedb;

namespace {

// "MKLO": marks the database as this program's history.
constexpr int kApplicationId = 0x4D4B4C4F;

QString notUsed(const QString &path, const QString &reason)
{
    return QStringLiteral("Der Verlauf %1 wird nicht benutzt:\n%2\n\nMerkolo arbeitet ohne Verlauf weiter; die Datei "
                          "bleibt unverändert.")
        .arg(QDir::toNativeSeparators(path), reason);
}

// What a file that is no intact history of this program is.
enum class Broken { No, NotADatabase, Corrupt, Foreign, Newer };

const char *const kSchemaSql[] = {
    // Texts in the order they were stored (the row id); a text is found by its
    // key only when it is deleted, rarely enough to need no index of its own.
    "CREATE TABLE texts (seq INTEGER PRIMARY KEY, key INTEGER NOT NULL, text TEXT NOT NULL)",
    ("CREATE TABLE slots (slot INTEGER PRIMARY KEY, seq INTEGER NOT NULL, type TEXT NOT NULL, bytes BLOB NOT NULL, "
     "thumbnail BLOB, preview BLOB)"),
    "CREATE TABLE state (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
};

} // namespace

QString SqliteHistory::checkPlace()
{
    const QFileInfo file(m_path);
    const QString folder = file.absolutePath();
    const QByteArray folderName = QFile::encodeName(folder);
    struct stat st {};
    if (::lstat(folderName.constData(), &st) != 0) {
        if (errno != ENOENT || !QDir().mkpath(QFileInfo(folder).absolutePath())
            || ::mkdir(folderName.constData(), 0700) != 0)
            return notUsed(m_path, QStringLiteral("Der Ordner %1 kann nicht angelegt werden: %2")
                                       .arg(QDir::toNativeSeparators(folder), QString::fromLocal8Bit(std::strerror(errno))));
        ::lstat(folderName.constData(), &st);
    }
    if (S_ISLNK(st.st_mode))
        return notUsed(m_path, QStringLiteral("An der Stelle des Ordners %1 steht eine Verknüpfung.")
                                   .arg(QDir::toNativeSeparators(folder)));
    if (!S_ISDIR(st.st_mode))
        return notUsed(m_path, QStringLiteral("%1 ist kein Ordner.").arg(QDir::toNativeSeparators(folder)));
    if (st.st_uid != ::geteuid())
        return notUsed(m_path, QStringLiteral("Der Ordner %1 gehört einem anderen Benutzer.")
                                   .arg(QDir::toNativeSeparators(folder)));
    // Only the user may enter the history's folder.
    if ((st.st_mode & 077) != 0 && ::chmod(folderName.constData(), st.st_mode & 0700) != 0)
        return notUsed(m_path, QStringLiteral("Der Ordner %1 ist auch anderen zugänglich und lässt sich nicht "
                                              "schützen.")
                                   .arg(QDir::toNativeSeparators(folder)));

    const QByteArray fileName = QFile::encodeName(m_path);
    if (::lstat(fileName.constData(), &st) != 0) {
        if (errno != ENOENT)
            return notUsed(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        // Made here, so that it is the user's alone from the first byte on;
        // the database's journal files take the same rights.
        const int fd = ::open(fileName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return notUsed(m_path, QStringLiteral("Die Datei kann nicht angelegt werden: %1")
                                       .arg(QString::fromLocal8Bit(std::strerror(errno))));
        ::close(fd);
        return {};
    }
    if (S_ISLNK(st.st_mode))
        return notUsed(m_path, QStringLiteral("Die Datei ist eine Verknüpfung."));
    if (!S_ISREG(st.st_mode))
        return notUsed(m_path, QStringLiteral("Dort steht keine gewöhnliche Datei."));
    if (st.st_uid != ::geteuid())
        return notUsed(m_path, QStringLiteral("Die Datei gehört einem anderen Benutzer."));
    if (::access(fileName.constData(), W_OK) != 0 || (st.st_mode & S_IWUSR) == 0)
        return notUsed(m_path, QStringLiteral("Die Datei ist schreibgeschützt."));
    if ((st.st_mode & 077) != 0)
        ::chmod(fileName.constData(), 0600);
    return {};
}

QString SqliteHistory::open(bool setAsideBroken)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return notUsed(m_path, QStringLiteral("Der SQLite-Treiber von Qt fehlt (Paket libqt6sql6-sqlite)."));
    QString place = checkPlace();
    if (!place.isEmpty())
        return place;

    for (int attempt = 0; attempt < 2; ++attempt) {
        Broken broken = Broken::No;
        QString problem;
        {
            Connection connection(m_path);
            QSqlDatabase db = connection.db();
            if (!db.open())
                return notUsed(m_path, reasonOf(db.lastError()));
            const bool empty = QFileInfo(m_path).size() == 0;
            const QVariant check = pragma(db, QStringLiteral("quick_check"));
            const int app = pragma(db, QStringLiteral("application_id")).toInt();
            const int version = pragma(db, QStringLiteral("user_version")).toInt();
            if (!check.isValid())
                broken = Broken::NotADatabase;
            else if (check.toString() != QLatin1String("ok"))
                broken = Broken::Corrupt;
            else if (!empty && app != kApplicationId)
                broken = Broken::Foreign;
            else if (version > kSchema)
                broken = Broken::Newer;
            if (broken == Broken::No)
                problem = readAll(connection.name());
        }
        switch (broken) {
        case Broken::No:
            return problem;
        case Broken::Newer:
            // A later program reads it still: never set aside.
            return notUsed(m_path, QStringLiteral("Die Datei stammt von einer neueren Version von Merkolo."));
        case Broken::NotADatabase:
        case Broken::Corrupt:
        case Broken::Foreign:
            break;
        }
        const QString reason = broken == Broken::Corrupt ? QStringLiteral("Die Datei ist beschädigt.")
                             : broken == Broken::Foreign ? QStringLiteral("Die Datei ist kein Verlauf von Merkolo.")
                                                         : QStringLiteral("Die Datei ist keine Datenbank.");
        if (!setAsideBroken || attempt > 0)
            return notUsed(m_path, reason + QStringLiteral("\nMit „merkolo --verlauf=an“ wird sie beiseitegelegt und "
                                                           "ein neuer Verlauf begonnen."));
        const QString aside = m_path + QStringLiteral(".beiseite-")
                            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        if (QFileInfo::exists(aside) || !QFile::rename(m_path, aside))
            return notUsed(m_path, reason + QStringLiteral("\nSie lässt sich nicht beiseitelegen."));
        // Its journals belong to it.
        for (const char *suffix : {"-wal", "-shm"})
            if (QFileInfo::exists(m_path + QLatin1String(suffix)))
                QFile::rename(m_path + QLatin1String(suffix), aside + QLatin1String(suffix));
        m_setAside = aside;
        qCWarning(lcFiles) << "broken history set aside as" << aside;
        place = checkPlace();
        if (!place.isEmpty())
            return place;
    }
    return {};
}

QString SqliteHistory::readAll(const QString &connection)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlError error;
    // The pages of a picture replaced in the ring go back at its commit, so
    // that the file never holds more than what it keeps; this must be said
    // before the file gets its first page.
    if (QFileInfo(m_path).size() == 0)
        run(db, QStringLiteral("PRAGMA auto_vacuum=FULL"));
    // Commits survive a power cut: each is in the journal on the disk before it counts.
    if (!run(db, QStringLiteral("PRAGMA journal_mode=WAL"), &error)
        || !run(db, QStringLiteral("PRAGMA synchronous=FULL"), &error))
        return notUsed(m_path, reasonOf(error));
    if (pragma(db, QStringLiteral("user_version")).toInt() == 0) {
        bool made = run(db, QStringLiteral("BEGIN IMMEDIATE"), &error);
        // Another instance may have made it meanwhile.
        if (made && pragma(db, QStringLiteral("user_version")).toInt() == 0) {
            for (const char *sql : kSchemaSql)
                made = made && run(db, QString::fromLatin1(sql), &error);
            made = made && run(db, QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId), &error)
                && run(db, QStringLiteral("PRAGMA user_version=%1").arg(kSchema), &error);
        }
        if (!made || !run(db, QStringLiteral("COMMIT"), &error)) {
            run(db, QStringLiteral("ROLLBACK"));
            return notUsed(m_path, reasonOf(error));
        }
    }

    QSqlQuery texts(db);
    texts.setForwardOnly(true);
    if (!texts.exec(QStringLiteral("SELECT key, text FROM texts ORDER BY seq")))
        return notUsed(m_path, reasonOf(texts.lastError()));
    while (texts.next()) {
        m_keys.push_back(texts.value(0).toLongLong());
        m_texts.append(texts.value(1).toString());
    }
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT slot, type, bytes, thumbnail, preview FROM slots ORDER BY seq")))
        return notUsed(m_path, reasonOf(rows.lastError()));
    while (rows.next()) {
        const int slot = rows.value(0).toInt();
        if (slot < 0 || slot >= KeptPictures::kSlots)
            continue;
        HistorySlot content;
        content.type = rows.value(1).toString().toLatin1();
        content.bytes = rows.value(2).toByteArray();
        content.thumbnail = unpackImage(rows.value(3).toByteArray());
        content.preview = unpackImage(rows.value(4).toByteArray());
        if (content.bytes.isEmpty() || content.type.isEmpty())
            continue;
        m_pictures.pictures[slot] = std::move(content);
        m_pictures.lastStored = slot; // ordered by when they were stored
    }
    QSqlQuery state(db);
    if (state.exec(QStringLiteral("SELECT value FROM state WHERE name = 'slot'")) && state.next())
        m_pictures.currentSlot = state.value(0).toString();
    return {};
}
