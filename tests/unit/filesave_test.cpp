// Whole-or-nothing file writes; every failed one is logged with its path and reason.

#include "platform/files/filereason.h"
#include "platform/files/filesave.h"
#include "support/files.h"
#include "support/logcapture.h"
#include "support/qtprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(FileSave, ReplacesWholeCreatesMissingFoldersAndRefusesAFileInTheFolderPlace)
{
    QTemporaryDir dir;
    const LogCapture log(false);
    const QString path = dir.filePath(QStringLiteral("a/b/datei.txt"));
    QString error;
    EXPECT_TRUE(filesave::writeWhole(path, QByteArray("eins\r\n"), &error));
    EXPECT_TRUE(filesave::writeWhole(path, QByteArray("zwei"), &error));
    EXPECT_EQ(fileContents(path), QByteArray("zwei"));
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("a/b"))).entryList(QDir::Files), QStringList{"datei.txt"});

    EXPECT_TRUE(log.all().isEmpty()) << "nothing to say about a write that worked";

    writeFile(dir.filePath(QStringLiteral("c")), "kein Ordner");
    EXPECT_FALSE(filesave::writeWhole(dir.filePath(QStringLiteral("c/datei.txt")), QByteArray("x"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(fileContents(dir.filePath(QStringLiteral("c"))), QByteArray("kein Ordner"));

    QDir().mkpath(dir.filePath(QStringLiteral("d/datei.txt")));
    EXPECT_FALSE(filesave::writeWhole(dir.filePath(QStringLiteral("d/datei.txt")), QByteArray("x"), &error));
    EXPECT_EQ(error, QStringLiteral("An Stelle der Datei steht ein Ordner."));
    // Each failure is a warning, logged by default, with the path and the reason.
    const QStringList warned = log.texts(QStringLiteral("merkolo.files"), QtWarningMsg);
    ASSERT_EQ(warned.size(), 2) << warned.join(" | ").toStdString();
    EXPECT_TRUE(warned[0].contains(dir.filePath(QStringLiteral("c/datei.txt")))) << warned[0].toStdString();
    EXPECT_TRUE(warned[0].contains(QStringLiteral("folder cannot be created"))) << warned[0].toStdString();
    EXPECT_TRUE(warned[1].contains(dir.filePath(QStringLiteral("d/datei.txt")))) << warned[1].toStdString();
    EXPECT_TRUE(warned[1].contains(QStringLiteral("a folder has that name"))) << warned[1].toStdString();
}

TEST(FileSave, AWriteThatFailsHalfWayLeavesTheOldFileAndNoStrayFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("alt.txt"));
    writeFile(path, "alter Inhalt");
    QString error;
    // A writer that gives up after writing part of its content.
    EXPECT_FALSE(filesave::writeWhole(
        path, [](QIODevice &out) { return out.write("halb") == 4 && false; }, &error));
    EXPECT_EQ(fileContents(path), QByteArray("alter Inhalt"));

    // A file-size limit stands in for a full disk: the write fails at the
    // limit, for a big file while it is written, for a small one only when
    // the last buffer goes out.
    for (const auto &[limit, size] : {std::pair{64 * 1024, 1024 * 1024}, std::pair{3, 6}}) {
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = static_cast<rlim_t>(limit);
        setrlimit(RLIMIT_FSIZE, &small);
        const bool written = filesave::writeWhole(path, QByteArray(size, 'x'), &error);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(written) << size;
        EXPECT_FALSE(error.isEmpty()) << size;
        EXPECT_EQ(fileContents(path), QByteArray("alter Inhalt")) << size;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"alt.txt"}) << size;
    }
}

// A link at the file's name, to a file, a folder, nothing yet, or another link.
TEST(FileSave, ALinkAtTheFilesNameIsNeverWrittenThrough)
{
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("ziel")), "Ziel");
    QDir(dir.path()).mkdir(QStringLiteral("ordner"));
    int n = 0;
    for (const char *to : {"ziel", "ordner", "neu", "0.txt"}) {
        const QString path = dir.filePath(QStringLiteral("%1.txt").arg(n++));
        QFile::link(dir.filePath(QString::fromLatin1(to)), path);
        QString error;
        EXPECT_FALSE(filesave::writeWhole(path, QByteArray("neu"), &error)) << to;
        EXPECT_TRUE(error.startsWith(QStringLiteral("An Stelle der Datei steht eine Verknüpfung"))) << to;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(), 6);
    EXPECT_EQ(fileContents(dir.filePath(QStringLiteral("ziel"))), QByteArray("Ziel"));
}

// The reason a failed write gives, word for word, from what stands where
// the file or its folder belongs and the failed call's error.
TEST(FileSave, EachFailedWriteSaysWhyInGermanWords)
{
    QTemporaryDir dir;
    const QString d = dir.path(), kept = QStringLiteral(" Eine ältere Datei gleichen Namens bleibt unverändert.");
    QDir(d).mkdir(QStringLiteral("frei"));
    writeFile(d + QStringLiteral("/datei"), "x");
    QFile::link(d + QStringLiteral("/nirgends"), d + QStringLiteral("/lose")); // dangling
    const struct {
        const char *path;
        int error;
        QString reason;
    } rows[] = {
        {"/frei/a.txt", ENOSPC, QStringLiteral("Auf dem Datenträger ist kein Platz mehr.") + kept},
        {"/frei/a.txt", EDQUOT, QStringLiteral("Auf dem Datenträger ist kein Platz mehr.") + kept},
        {"/frei/a.txt", EROFS, QStringLiteral("Der Datenträger ist schreibgeschützt.") + kept},
        {"/frei/a.txt", EACCES, QStringLiteral("Keine Schreibrechte im Ordner %1/frei.").arg(d) + kept},
        {"/frei/a.txt", EIO, QStringLiteral("Die Datei konnte nicht vollständig geschrieben werden (E/A).") + kept},
        {"/lose/a.txt", 0, QStringLiteral("Der Ordner %1/lose fehlt und kann nicht angelegt werden.\n"
                                          "An seiner Stelle liegt eine Datei.").arg(d)},
        {"/datei/b/a.txt", 0, QStringLiteral("Der Ordner %1/datei/b fehlt und kann nicht angelegt werden.\n"
                                             "Auf dem Weg dorthin liegt eine Datei: %1/datei").arg(d)},
    };
    for (const auto &r : rows)
        EXPECT_EQ(filereason::ofFile(d + QLatin1String(r.path), r.error, QStringLiteral("E/A")), r.reason) << r.path;
    // A dangling link where the folder belongs is not followed to make a folder there.
    QString error;
    EXPECT_FALSE(filesave::writeWhole(d + QStringLiteral("/lose/a.txt"), QByteArray("x"), &error));
    EXPECT_EQ(error, rows[5].reason);
    EXPECT_FALSE(QFileInfo::exists(d + QStringLiteral("/nirgends")));
}

// As the user "nobody" in a child (the tests may run as the superuser, who
// may write anywhere): a folder without the right to write is never worked
// around by writing over the old file in place, and the reasons say so.
TEST(FileSave, WithoutTheRightToWriteInTheFolderTheOldFileStaysWhole)
{
    const passwd *nobody = getpwnam("nobody");
    const bool root = geteuid() == 0;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zu/datei.txt")), folder = QFileInfo(path).absolutePath();
    writeFile(path, "alt");
    for (const QString &p : {dir.path(), folder, path})
        ASSERT_TRUE(!root || (nobody && ::chown(QFile::encodeName(p).constData(), nobody->pw_uid, nobody->pw_gid) == 0));
    ::chmod(QFile::encodeName(folder).constData(), 0555);
    int said[2];
    ASSERT_EQ(pipe(said), 0);
    const pid_t child = fork();
    if (child == 0) {
        alarm(20);
        if (root && (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0))
            _exit(3);
        QString error;
        const bool written = filesave::writeWhole(path, QByteArray("neu"), &error);
        const QByteArray reasons = (QStringList{error, filereason::ofFolder(folder),
                                                filereason::ofFolder(folder + QStringLiteral("/neu"))})
                                       .join(QLatin1Char('|')).toUtf8();
        _exit(write(said[1], reasons.constData(), size_t(reasons.size())) == reasons.size() && !written ? 1 : 2);
    }
    ::close(said[1]);
    QFile reasons;
    ASSERT_TRUE(reasons.open(said[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    const QString told = QString::fromUtf8(reasons.readAll());
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 1 << 8) << "1: refused";
    EXPECT_EQ(told, QStringLiteral("Keine Schreibrechte im Ordner %1. Eine ältere Datei gleichen Namens bleibt "
                                   "unverändert.|Keine Schreibrechte für diesen Ordner.|Keine Schreibrechte in %1")
                        .arg(folder));
    EXPECT_EQ(fileContents(path), QByteArray("alt"));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}
