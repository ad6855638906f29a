// Whole-or-nothing file writes; every failed one is logged with its path and reason.

#include "platform/filesave.h"
#include "support/files.h"
#include "support/logcapture.h"
#include "support/qtprint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <sys/resource.h>

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

TEST(FileSave, ALinkAtTheFilesNameIsNeverWrittenThrough)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("ziel.txt"));
    writeFile(target, "Ziel");
    QDir().mkpath(dir.filePath(QStringLiteral("ordner")));
    // A link to a file, to a folder, to nothing yet, and a link to a link.
    const std::pair<const char *, QString> links[] = {
        {"datei.txt", target},
        {"ordner.txt", dir.filePath(QStringLiteral("ordner"))},
        {"leer.txt", dir.filePath(QStringLiteral("neu.txt"))},
        {"kette.txt", dir.filePath(QStringLiteral("datei.txt"))},
    };
    for (const auto &[name, to] : links) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        ASSERT_TRUE(QFile::link(to, path)) << name;
        QString error;
        EXPECT_FALSE(filesave::writeWhole(path, QByteArray("neu"), &error)) << name;
        EXPECT_TRUE(error.startsWith(QStringLiteral("An Stelle der Datei steht eine Verknüpfung"))) << name;
        EXPECT_EQ(QFileInfo(path).symLinkTarget(), to) << name;
    }
    EXPECT_EQ(fileContents(target), QByteArray("Ziel"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("neu.txt"))));
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("ordner"))).isEmpty());
}

// The tests may run as the superuser, who may write anywhere: the writes run
// as the user "nobody" in a child process. A folder without the right to
// write is never worked around by writing over the old file in place.
TEST(FileSave, WithoutTheRightToWriteInTheFolderTheOldFileStaysWhole)
{
    const passwd *nobody = getpwnam("nobody");
    const bool root = geteuid() == 0;
    ASSERT_TRUE(!root || nobody);
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0711);
    const struct {
        const char *folder;
        mode_t mode;
        int result; // 0 written, 1 refused for want of the right to write
        QByteArray after;
    } rows[] = {{"offen", 0755, 0, "neu"}, {"zu", 0555, 1, "alt"}};
    for (const auto &r : rows) {
        const QString path = dir.filePath(QString::fromLatin1(r.folder) + QStringLiteral("/datei.txt"));
        writeFile(path, "alt");
        for (const QString &p : {QFileInfo(path).absolutePath(), path})
            ASSERT_TRUE(!root || ::chown(QFile::encodeName(p).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
        ::chmod(QFile::encodeName(path).constData(), 0644);
        ::chmod(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), r.mode);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            alarm(20);
            if (root && (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0))
                _exit(3);
            QString error;
            if (filesave::writeWhole(path, QByteArray("neu"), &error))
                _exit(0);
            _exit(error.startsWith(QStringLiteral("Keine Schreibrechte im Ordner ")) ? 1 : 2);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status)) << r.folder;
        EXPECT_EQ(WEXITSTATUS(status), r.result) << r.folder;
        EXPECT_EQ(fileContents(path), r.after) << r.folder;
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden), QStringList{"datei.txt"});
        ::chmod(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), 0755);
    }
}
