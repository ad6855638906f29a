// The history file: what one run wrote the next reads, in order; files that
// are no usable history are named and left alone; a writer killed at any
// moment leaves every committed entry, none twice; two writers share a file.

#include "app/historycontrol.h"
#include "platform/history/sqlitehistory.h"
#include "support/files.h"
#include "support/testdesktop.h"
#include "textstore/Textform.h"
#include "support/qtprint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QImage rendering(QRgb colour, double ratio)
{
    QImage image(8, 6, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    image.setPixel(1, 2, qRgb(1, 2, 3));
    image.setDevicePixelRatio(ratio);
    return image;
}

int mode(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// Runs `sql` on the file as another program would.
void sqlOn(const QString &path, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("outside"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const QString &s : statements)
            ASSERT_TRUE(q.exec(s)) << s.toStdString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("outside"));
}

} // namespace

TEST(History, WhatOneRunWroteTheNextShowsInOrderWithItsSlotsAndRenderings)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("verlauf/verlauf.sqlite"));
    const QByteArray png = encoded(rendering(qRgb(200, 10, 10), 1), "PNG");
    {
        SqliteHistory history(path);
        ASSERT_TRUE(history.usable()) << history.problem().toStdString();
        EXPECT_TRUE(history.takeTexts(100).isEmpty());
        for (const char *t : {"eins", "zwei", "drei", "vier"})
            history.textAppended(QString::fromUtf8(t));
        history.textRemoved(1);
        history.textRemoved(7); // no such entry: nothing
        history.slotStored(2, {png, "image/png", QImage(), rendering(qRgb(0, 0, 255), 2), rendering(qRgb(0, 255, 0), 1)});
        history.slotStored(5, {QByteArray(), QByteArray(), rendering(qRgb(9, 9, 9), 1), QImage(), QImage()});
        history.slotStored(7, {png, "image/png", QImage(), QImage(), QImage()});
        history.slotCleared(7);
        history.currentSlotChanged(QStringLiteral("6"));
    }
    // The folder is the user's alone, and so is the file.
    EXPECT_EQ(mode(QFileInfo(path).absolutePath()), 0700);
    EXPECT_EQ(mode(path), 0600);

    SqliteHistory again(path);
    ASSERT_TRUE(again.usable()) << again.problem().toStdString();
    EXPECT_EQ(again.takeTexts(2), QStringList({"eins", "drei"})); // at most what the list takes
    EXPECT_TRUE(again.takeTexts(100).isEmpty());                  // handed out once
    const KeptPictures kept = again.takePictures();
    ASSERT_TRUE(kept.pictures[2].has_value());
    EXPECT_EQ(kept.pictures[2]->bytes, png);
    EXPECT_EQ(kept.pictures[2]->type, QByteArray("image/png"));
    EXPECT_EQ(kept.pictures[2]->thumbnail, rendering(qRgb(0, 0, 255), 2));
    EXPECT_EQ(kept.pictures[2]->thumbnail.devicePixelRatio(), 2.0);
    EXPECT_EQ(kept.pictures[2]->preview, rendering(qRgb(0, 255, 0), 1));
    // Pixels alone are kept as PNG.
    ASSERT_TRUE(kept.pictures[5].has_value());
    EXPECT_EQ(kept.pictures[5]->type, QByteArray("image/png"));
    EXPECT_EQ(QImage::fromData(kept.pictures[5]->bytes).convertToFormat(QImage::Format_RGB32),
              rendering(qRgb(9, 9, 9), 1).convertToFormat(QImage::Format_RGB32));
    EXPECT_FALSE(kept.pictures[7].has_value());
    EXPECT_EQ(kept.lastStored, 5);
    EXPECT_EQ(kept.currentSlot, QStringLiteral("6"));

    // A removal counts in the list as shown; what it could not show stays kept.
    again.textRemoved(1);
    again.flush();
    EXPECT_EQ(SqliteHistory(path).takeTexts(100), QStringList({"eins", "vier"}));
}

TEST(History, AFileThatIsNoUsableHistoryIsNamedAndLeftAsItIs)
{
    struct Row {
        const char *name;
        std::function<void(const QString &path)> make;
        const char *reason;
    };
    const QByteArray junk = QByteArray("kein Verlauf ").repeated(400);
    const std::vector<Row> rows = {
        {"not a database", [&](const QString &p) { writeFile(p, junk); }, "keine Datenbank"},
        {"a newer version", [](const QString &p) { SqliteHistory{p}; sqlOn(p, {"PRAGMA user_version=2"}); },
         "neueren Version"},
        {"another program's database", [](const QString &p) { sqlOn(p, {"CREATE TABLE t (x)"}); },
         "kein Verlauf von Merkolo"},
        {"corrupt",
         [](const QString &p) {
             {
                 SqliteHistory h(p);
                 for (int i = 0; i < 400; ++i)
                     h.textAppended(QStringLiteral("Eintrag %1 ").arg(i).repeated(20));
             }
             QFile f(p);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             for (int page = 1; page < 6; ++page) {
                 f.seek(page * 4096);
                 f.write(QByteArray(64, '\x5a'));
             }
         },
         "beschädigt"},
        {"read-only",
         [](const QString &p) { SqliteHistory{p}; QFile::setPermissions(p, QFileDevice::ReadOwner); },
         "schreibgeschützt"},
        {"a link", [](const QString &p) { writeFile(p + "-ziel", "x"); QFile::link(p + "-ziel", p); }, "Verknüpfung"},
        {"a link as its folder",
         [](const QString &p) {
             const QString folder = QFileInfo(p).absolutePath();
             QDir(folder).removeRecursively();
             QDir().mkpath(folder + "-ziel");
             QFile::link(folder + "-ziel", folder);
         },
         "Verknüpfung"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("verlauf/verlauf.sqlite"));
        QDir().mkpath(QFileInfo(path).absolutePath());
        ::chmod(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), 0700);
        row.make(path);
        const QByteArray before = QFileInfo(path).isFile() ? fileContents(path) : QByteArray();
        const QString target = QFileInfo(path).symLinkTarget();

        SqliteHistory history(path);
        EXPECT_FALSE(history.usable());
        EXPECT_TRUE(history.problem().contains(QDir::toNativeSeparators(path))) << history.problem().toStdString();
        EXPECT_TRUE(history.problem().contains(QString::fromUtf8(row.reason))) << history.problem().toStdString();
        EXPECT_TRUE(history.takeTexts(10).isEmpty());
        history.textAppended(QStringLiteral("geht nirgends hin"));
        history.flush();
        EXPECT_EQ(QFileInfo(path).symLinkTarget(), target);
        if (!before.isEmpty()) {
            EXPECT_EQ(fileContents(path), before);
        }
    }
}

TEST(History, ABrokenFileIsSetAsideWhenTheUserTurnsTheHistoryOnAgain)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("verlauf.sqlite"));
    writeFile(path, "kein Verlauf");
    SqliteHistory history(path, true);
    ASSERT_TRUE(history.usable()) << history.problem().toStdString();
    ASSERT_FALSE(history.setAsideAs().isEmpty());
    EXPECT_EQ(fileContents(history.setAsideAs()), QByteArray("kein Verlauf"));
    history.textAppended(QStringLiteral("neu"));
    history.flush();
    EXPECT_EQ(SqliteHistory(path).takeTexts(10), QStringList({"neu"}));
}

TEST(History, TwoProgramsOnOneFileKeepEachOthersEntries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("verlauf.sqlite"));
    {
        SqliteHistory a(path), b(path);
        ASSERT_TRUE(a.usable() && b.usable());
        for (int i = 0; i < 200; ++i) {
            a.textAppended(QStringLiteral("a%1").arg(i));
            b.textAppended(QStringLiteral("b%1").arg(i));
        }
        a.textRemoved(0); // a's own first entry, not b's
        a.flush();
        b.flush();
        EXPECT_TRUE(a.usable() && b.usable());
    }
    const QStringList texts = SqliteHistory(path).takeTexts(1000);
    ASSERT_EQ(texts.size(), 399);
    QStringList as, bs;
    for (const QString &t : texts)
        (t.startsWith('a') ? as : bs) << t;
    for (int i = 0; i < 200; ++i) {
        if (i > 0) {
            EXPECT_EQ(as.value(i - 1), QStringLiteral("a%1").arg(i));
        }
        EXPECT_EQ(bs.value(i), QStringLiteral("b%1").arg(i));
    }
}

// Killed at random moments during bursts: the history always opens and holds
// every entry it said was committed, in order, none twice, none made up.
TEST(History, AWriterKilledAtAnyMomentLeavesEveryCommittedEntryOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("verlauf/verlauf.sqlite"));
    int next = 0; // entries are numbered on from run to run
    QStringList expected;
    for (int kill = 0; kill < 5; ++kill) {
        SCOPED_TRACE(kill);
        QProcess writer;
        writer.start(QStringLiteral(HISTORY_WRITER), {path, QString::number(1 + kill * 7)});
        ASSERT_TRUE(writer.waitForStarted());
        int committed = -1;
        const int until = 1 + QRandomGenerator::global()->bounded(6);
        while (committed < until * 10 && writer.waitForReadyRead(10000))
            while (writer.canReadLine())
                committed = QString::fromLatin1(writer.readLine()).section(' ', 1).trimmed().toInt();
        // Somewhere within the bursts that follow.
        ::usleep(QRandomGenerator::global()->bounded(30000));
        ::kill(pid_t(writer.processId()), SIGKILL);
        writer.waitForFinished();
        while (writer.canReadLine())
            committed = QString::fromLatin1(writer.readLine()).section(' ', 1).trimmed().toInt();

        SqliteHistory opened(path);
        ASSERT_TRUE(opened.usable()) << opened.problem().toStdString();
        const QStringList texts = opened.takeTexts(1 << 20);
        ASSERT_GE(texts.size(), next + committed + 1);
        for (int i = 0; i < texts.size(); ++i) {
            const int n = i < next ? i : i - next;
            EXPECT_EQ(texts[i], i < next ? expected.value(i) : QStringLiteral("eintrag %1").arg(n));
        }
        expected = texts;
        next = int(texts.size());
    }
}

// The switch: off, nothing is written; turned on, the history takes the list
// as the window shows it and every change after; turned off, it asks before
// it deletes anything.
TEST(HistorySwitch, OffWritesNothingOnTakesTheListAsItStandsOffAsksBeforeDeleting)
{
    using historyswitch::Request;
    EXPECT_EQ(historyswitch::fromArguments({"-x", "--verlauf=an"}), Request::On);
    EXPECT_EQ(historyswitch::fromArguments({"--verlauf=aus"}), Request::Off);
    EXPECT_EQ(historyswitch::fromArguments({"--verlauf=ja"}), Request::Bad);
    EXPECT_EQ(historyswitch::fromRequestLine(historyswitch::requestLine(Request::Off)), Request::Off);

    TestDesktop d;
    const QString folder = d.programDir.path();
    const QString path = historyswitch::historyPath(folder);
    HistoryControl control(*d.forms, folder);
    control.start(Request::None);
    ListBox &list = *d.forms->get<Textform>().List1[0];
    list.AddItem(QStringLiteral("vorher"));
    EXPECT_EQ(d.forms->services().history, nullptr);
    EXPECT_FALSE(QFileInfo::exists(path));

    control.apply(Request::On);
    EXPECT_TRUE(historyswitch::remembered(folder));
    list.AddItem(QStringLiteral("danach"));
    list.RemoveItem(0);
    control.history()->flush();
    EXPECT_EQ(SqliteHistory(path).takeTexts(10), QStringList({"danach"}));

    d.messages.answers = {vbNo};
    control.apply(Request::Off);
    EXPECT_FALSE(historyswitch::remembered(folder));
    ASSERT_EQ(d.messages.calls.size(), 1u);
    EXPECT_EQ(d.messages.calls[0].style, vbYesNo);
    EXPECT_TRUE(d.messages.calls[0].text.contains(path));
    list.AddItem(QStringLiteral("aus"));
    EXPECT_EQ(SqliteHistory(path).takeTexts(10), QStringList({"danach"}));

    d.messages.answers = {vbYes};
    control.apply(Request::Off);
    for (const char *suffix : {"", "-wal", "-shm"})
        EXPECT_FALSE(QFileInfo::exists(path + suffix)) << suffix;
}
