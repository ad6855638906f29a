// Whole-or-nothing file writes; every failed one is logged with its path and reason.

#include "platform/files/filesave.h"
#include "support/files.h"
#include "support/logcapture.h"
#include "support/qtprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

// As the user "nobody" in a child (the tests may run as the superuser, who
// may write anywhere): a folder without the right to write is never worked
// around by writing over the old file in place.
TEST(FileSave, WithoutTheRightToWriteInTheFolderTheOldFileStaysWhole)
{
    const passwd *nobody = getpwnam("nobody");
    const bool root = geteuid() == 0;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zu/datei.txt"));
    writeFile(path, "alt");
    for (const QString &p : {dir.path(), QFileInfo(path).absolutePath(), path})
        ASSERT_TRUE(!root || (nobody && ::chown(QFile::encodeName(p).constData(), nobody->pw_uid, nobody->pw_gid) == 0));
    ::chmod(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), 0555);
    const pid_t child = fork();
    if (child == 0) {
        alarm(20);
        QString error;
        _exit(root && (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) ? 3
              : filesave::writeWhole(path, QByteArray("neu"), &error)                                          ? 0
              : error.startsWith(QStringLiteral("Keine Schreibrechte im Ordner "))                              ? 1
                                                                                                                : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 1 << 8) << "1: refused for want of the right to write";
    EXPECT_EQ(fileContents(path), QByteArray("alt"));
    ::chmod(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), 0755);
}
