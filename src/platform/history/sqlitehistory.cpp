#include "sqlitehistory.h"

#include "platform/services/log.h"

#include <QBuffer>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "MKLO": marks the database as this program's history.
constexpr int kApplicationId = 0x4D4B4C4F;
constexpr quint32 kPackMagic = 0x4D4B5231; // "MKR1"
constexpr int kMaxRenderingSide = 16384;

QString connectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("merkolo-history-%1").arg(counter++);
}

// A connection of its own, closed and removed when it goes.
class Connection
{
public:
    explicit Connection(const QString &path)
        : m_name(connectionName())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        // Waits for another instance's commit instead of failing at once.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    }
    ~Connection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    const QString &name() const { return m_name; }

private:
    QString m_name;
};

// One statement; false (with `error` set) when it failed.
bool run(QSqlDatabase db, const QString &sql, QSqlError *error = nullptr)
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

// The SQLite result code behind an error (its extended code's low byte).
int sqliteCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
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

QString notUsed(const QString &path, const QString &reason)
{
    return QStringLiteral("Der Verlauf %1 wird nicht benutzt:\n%2\n\nMerkolo arbeitet ohne Verlauf weiter; die Datei "
                          "bleibt unverändert.")
        .arg(QDir::toNativeSeparators(path), reason);
}

QString notWritten(const QString &path, const QString &reason)
{
    return QStringLiteral("Der Verlauf %1 kann nicht mehr geschrieben werden:\n%2\n\nMerkolo arbeitet ohne Verlauf "
                          "weiter; was bis eben gespeichert war, bleibt in der Datei.")
        .arg(QDir::toNativeSeparators(path), reason);
}

// What a file that is no intact history of this program is; empty when it is one.
enum class Broken { No, NotADatabase, Corrupt, Foreign, Newer };

const char *const kSchemaSql[] = {
    // Texts in the order they were stored (the row id); a text is found by its
    // key only when it is deleted, rarely enough to need no index of its own.
    "CREATE TABLE texts (seq INTEGER PRIMARY KEY, key INTEGER NOT NULL, text TEXT NOT NULL)",
    "CREATE TABLE slots (slot INTEGER PRIMARY KEY, seq INTEGER NOT NULL, type TEXT NOT NULL, bytes BLOB NOT NULL, "
    "thumbnail BLOB, preview BLOB)",
    "CREATE TABLE state (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
};

} // namespace

SqliteHistory::SqliteHistory(const QString &path, bool setAsideBroken)
    : m_path(path)
{
    m_problem = open(setAsideBroken);
    if (!m_problem.isEmpty()) {
        qCWarning(lcFiles) << "history not used:" << m_path;
        return;
    }
    m_writer = std::thread([this] { write(); });
}

SqliteHistory::~SqliteHistory()
{
    if (!m_writer.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_writer.join();
}

bool SqliteHistory::usable() const
{
    std::lock_guard lock(m_mutex);
    return m_problem.isEmpty() && !m_failed;
}

QString SqliteHistory::problem() const
{
    std::lock_guard lock(m_mutex);
    return m_problem;
}

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

QStringList SqliteHistory::takeTexts(int max)
{
    if (m_textsTaken)
        return {};
    m_textsTaken = true;
    QStringList texts = std::move(m_texts);
    m_texts.clear();
    if (max >= 0 && texts.size() > max) {
        texts.resize(max);
        m_keys.resize(static_cast<size_t>(max));
    }
    return texts;
}

KeptPictures SqliteHistory::takePictures()
{
    if (m_picturesTaken)
        return {};
    m_picturesTaken = true;
    KeptPictures pictures = std::move(m_pictures);
    m_pictures = KeptPictures();
    return pictures;
}

SqliteHistory::Change SqliteHistory::change(Change::Kind kind, std::vector<qint64> keys, QStringList texts, int slot)
{
    Change c;
    c.kind = kind;
    c.keys = std::move(keys);
    c.texts = std::move(texts);
    c.slot = slot;
    return c;
}

qint64 SqliteHistory::newKey()
{
    // Two instances write into one file: keys drawn at random never meet.
    return static_cast<qint64>(QRandomGenerator::global()->generate64() >> 1);
}

void SqliteHistory::textAppended(const QString &text)
{
    m_textsTaken = true; // a list shown before its texts were taken starts from here
    const qint64 key = newKey();
    m_keys.push_back(key);
    hand(change(Change::Kind::Append, {key}, {text}));
}

void SqliteHistory::textRemoved(int index)
{
    if (index < 0 || index >= static_cast<int>(m_keys.size()))
        return;
    const qint64 key = m_keys[static_cast<size_t>(index)];
    m_keys.erase(m_keys.begin() + index);
    hand(change(Change::Kind::Remove, {key}));
}

void SqliteHistory::textsReplaced(const QStringList &texts)
{
    m_textsTaken = true;
    m_keys.clear();
    for (qsizetype i = 0; i < texts.size(); ++i)
        m_keys.push_back(newKey());
    hand(change(Change::Kind::Replace, m_keys, texts));
}

void SqliteHistory::slotStored(int slot, const HistorySlot &content)
{
    if (slot < 0 || slot >= KeptPictures::kSlots || (content.bytes.isEmpty() && content.pixels.isNull()))
        return;
    Change stored = change(Change::Kind::Store, {}, {}, slot);
    stored.content = content;
    hand(std::move(stored));
}

void SqliteHistory::slotCleared(int slot)
{
    hand(change(Change::Kind::Clear, {}, {}, slot));
}

void SqliteHistory::currentSlotChanged(const QString &text)
{
    hand(change(Change::Kind::Current, {}, {text}));
}

void SqliteHistory::hand(Change change)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_writer.joinable() || m_failed)
            return;
        m_queue.push_back(std::move(change));
        ++m_handed;
    }
    m_wake.notify_one();
}

void SqliteHistory::flush()
{
    std::unique_lock lock(m_mutex);
    const std::uint64_t target = m_handed;
    m_done.wait(lock, [&] { return m_written >= target || m_failed || !m_writer.joinable(); });
}

void SqliteHistory::write()
{
    Connection connection(m_path);
    QSqlDatabase db = connection.db();
    QSqlError error;
    bool ready = db.open() && run(db, QStringLiteral("PRAGMA synchronous=FULL"), &error);
    if (!ready && !error.isValid())
        error = db.lastError();

    QSqlQuery append(db), remove(db), store(db), clear(db), current(db);
    ready = ready && append.prepare(QStringLiteral("INSERT INTO texts (key, text) VALUES (?, ?)"))
         && remove.prepare(QStringLiteral("DELETE FROM texts WHERE key = ?"))
         && store.prepare(QStringLiteral("INSERT OR REPLACE INTO slots (slot, seq, type, bytes, thumbnail, preview) "
                                         "VALUES (?, (SELECT coalesce(max(seq), 0) + 1 FROM slots), ?, ?, ?, ?)"))
         && clear.prepare(QStringLiteral("DELETE FROM slots WHERE slot = ?"))
         && current.prepare(QStringLiteral("INSERT OR REPLACE INTO state (name, value) VALUES ('slot', ?)"));
    if (!ready && !error.isValid())
        error = append.lastError();

    auto apply = [&](const Change &c) -> bool {
        auto exec = [&error](QSqlQuery &q) {
            if (q.exec())
                return true;
            error = q.lastError();
            return false;
        };
        switch (c.kind) {
        case Change::Kind::Append:
            append.bindValue(0, c.keys.front());
            append.bindValue(1, c.texts.front());
            return exec(append);
        case Change::Kind::Remove:
            remove.bindValue(0, c.keys.front());
            return exec(remove);
        case Change::Kind::Replace:
            if (!run(db, QStringLiteral("DELETE FROM texts"), &error))
                return false;
            for (qsizetype i = 0; i < c.texts.size(); ++i) {
                append.bindValue(0, c.keys[static_cast<size_t>(i)]);
                append.bindValue(1, c.texts[i]);
                if (!exec(append))
                    return false;
            }
            return true;
        case Change::Kind::Store: {
            QByteArray bytes = c.content.bytes;
            QByteArray type = c.content.type;
            if (bytes.isEmpty()) {
                // Encoded here, off the capture path.
                QBuffer out(&bytes);
                out.open(QIODevice::WriteOnly);
                c.content.pixels.save(&out, "PNG");
                type = QByteArrayLiteral("image/png");
            }
            store.bindValue(0, c.slot);
            store.bindValue(1, QString::fromLatin1(type));
            store.bindValue(2, bytes);
            store.bindValue(3, packImage(c.content.thumbnail));
            store.bindValue(4, packImage(c.content.preview));
            return exec(store);
        }
        case Change::Kind::Clear:
            clear.bindValue(0, c.slot);
            return exec(clear);
        case Change::Kind::Current:
            current.bindValue(0, c.texts.front());
            return exec(current);
        }
        return true;
    };

    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty() && m_stop)
            break;
        // A moment to gather what follows (a burst of copies), then one commit.
        if (!m_stop) {
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(kBatchMs));
            lock.lock();
        }
        std::deque<Change> batch;
        batch.swap(m_queue);
        lock.unlock();

        bool ok = ready && run(db, QStringLiteral("BEGIN IMMEDIATE"), &error);
        for (const Change &c : batch) {
            if (!ok)
                break;
            ok = apply(c);
        }
        // A statement left running would hold the commit up.
        for (QSqlQuery *q : {&append, &remove, &store, &clear, &current})
            q->finish();
        ok = ok && run(db, QStringLiteral("COMMIT"), &error);
        if (!ok && ready)
            run(db, QStringLiteral("ROLLBACK"));

        lock.lock();
        if (!ok && !m_failed) {
            m_failed = true;
            m_problem = notWritten(m_path, reasonOf(error));
            m_queue.clear();
            qCWarning(lcFiles) << "history write failed:" << error.text();
            const QString message = m_problem;
            lock.unlock();
            emit failed(message);
            lock.lock();
        }
        m_written += batch.size();
        if (m_failed)
            m_written = m_handed;
        m_done.notify_all();
        if (m_failed)
            break;
    }
    m_done.notify_all();
}

QByteArray SqliteHistory::packImage(const QImage &image)
{
    if (image.isNull())
        return {};
    QByteArray packed;
    QDataStream out(&packed, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << kPackMagic << qint32(image.width()) << qint32(image.height()) << qint32(image.bytesPerLine())
        << qint32(image.format()) << qint32(qRound(image.devicePixelRatio() * 1000));
    out.writeRawData(reinterpret_cast<const char *>(image.constBits()), static_cast<int>(image.sizeInBytes()));
    return packed;
}

QImage SqliteHistory::unpackImage(const QByteArray &packed)
{
    QDataStream in(packed);
    in.setByteOrder(QDataStream::LittleEndian);
    quint32 magic = 0;
    qint32 width = 0, height = 0, line = 0, format = 0, ratio = 0;
    in >> magic >> width >> height >> line >> format >> ratio;
    if (in.status() != QDataStream::Ok || magic != kPackMagic || width <= 0 || height <= 0
        || width > kMaxRenderingSide || height > kMaxRenderingSide || format < QImage::Format_RGB32
        || format >= QImage::NImageFormats || ratio <= 0 || ratio > 16000)
        return {};
    QImage image(width, height, static_cast<QImage::Format>(format));
    const qint64 header = packed.size() - in.device()->bytesAvailable();
    if (image.isNull() || image.bytesPerLine() != line
        || packed.size() - header != static_cast<qint64>(line) * height)
        return {};
    std::memcpy(image.bits(), packed.constData() + header, static_cast<size_t>(line) * static_cast<size_t>(height));
    image.setDevicePixelRatio(ratio / 1000.0);
    return image;
}
