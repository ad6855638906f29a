#include "sqlitehistory.h"
#include "sqlitedb.h"

#include "platform/services/log.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QRandomGenerator>
#include <QSqlQuery>

#include <chrono>
#include <cstring>

using namespace sqlitedb;

namespace {

constexpr quint32 kPackMagic = 0x4D4B5231; // "MKR1"
constexpr int kMaxRenderingSide = 16384;

QString notWritten(const QString &path, const QString &reason)
{
    return QStringLiteral("Der Verlauf %1 kann nicht mehr geschrieben werden:\n%2\n\nMerkolo arbeitet ohne Verlauf "
                          "weiter; was bis eben gespeichert war, bleibt in der Datei.")
        .arg(QDir::toNativeSeparators(path), reason);
}

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
