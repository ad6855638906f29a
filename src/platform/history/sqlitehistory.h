#pragma once
// The history in an SQLite database of its own. Opening checks the file
// (a regular file of this user's, in a folder only the user may enter, an
// intact database of a schema this program knows) and reads what it holds;
// from then on a writer thread of its own commits what the windows hand
// over in short batches, so that capture never waits for the disk. A file
// that cannot be used is left as it is: the program goes on without it.

#include "platform/history/history.h"

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class SqliteHistory : public QObject, public History
{
    Q_OBJECT
public:
    static constexpr int kSchema = 1;
    // How long the writer gathers changes before it commits them.
    static constexpr int kBatchMs = 15;

    // Opens the history at `path`, making the file and its folder when
    // missing. With `setAsideBroken`, a file that is no intact history of
    // this program is renamed beside itself and a new one begun.
    explicit SqliteHistory(const QString &path, bool setAsideBroken = false);
    ~SqliteHistory() override;

    // True while changes are written.
    bool usable() const;
    // Why the file is not used, in German, naming it; empty while it is.
    QString problem() const;
    // The name a broken file was set aside under, empty when none was.
    QString setAsideAs() const { return m_setAside; }
    // Returns once everything handed over so far is committed or has failed.
    void flush();

    QStringList takeTexts(int max) override;
    KeptPictures takePictures() override;
    void textAppended(const QString &text) override;
    void textRemoved(int index) override;
    void textsReplaced(const QStringList &texts) override;
    void slotStored(int slot, const HistorySlot &content) override;
    void slotCleared(int slot) override;
    void currentSlotChanged(const QString &text) override;

    // A rendering as stored: its size, layout, pixel ratio and pixels.
    static QByteArray packImage(const QImage &image);
    // Null for anything that is not a packed image.
    static QImage unpackImage(const QByteArray &packed);

signals:
    // Writing failed (a full disk, the file taken away): the history stops
    // for this run. Emitted once, from the writer's thread.
    void failed(const QString &message);

private:
    struct Change {
        enum class Kind { Append, Remove, Replace, Store, Clear, Current } kind = Kind::Append;
        std::vector<qint64> keys;
        QStringList texts;
        int slot = -1;
        HistorySlot content;
    };

    QString open(bool setAsideBroken);
    QString checkPlace();
    QString readAll(const QString &connection);
    static Change change(Change::Kind kind, std::vector<qint64> keys = {}, QStringList texts = {}, int slot = -1);
    void hand(Change change);
    void write();
    static qint64 newKey();

    QString m_path;
    QString m_problem;
    QString m_setAside;
    QStringList m_texts;
    KeptPictures m_pictures;
    bool m_textsTaken = false;
    bool m_picturesTaken = false;
    // The keys of the texts the window lists, in its order.
    std::vector<qint64> m_keys;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Change> m_queue;
    std::uint64_t m_handed = 0;
    std::uint64_t m_written = 0;
    bool m_stop = false;
    bool m_failed = false;
    std::thread m_writer;
};
