// Where an installed program and one in its build folder keep their files.

#include "support/qtprint.h"

#include "app/programfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

void makeFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

} // namespace

TEST(ProgramFolders, TheInstalledLayoutIsRecognisedFromTheProgramsOwnFolder)
{
    QTemporaryDir root;
    const QString r = root.path();
    for (const char *dir : {"/usr/bin", "/usr/share/merkolo", "/opt/m/bin", "/opt/m/share/merkolo", "/build/src",
                            "/half/bin", "/half/share/merkolo-other"})
        QDir().mkpath(r + QLatin1String(dir));
    makeFile(r + QStringLiteral("/file/share/merkolo"));
    QDir().mkpath(r + QStringLiteral("/file/bin"));

    struct Case {
        const char *programFolder;
        const char *share; // empty: not installed
    } cases[] = {
        {"/usr/bin", "/usr/share/merkolo"},
        {"/opt/m/bin", "/opt/m/share/merkolo"}, // relocated or staged
        {"/build/src", ""},                    // the build folder
        {"/half/bin", ""},
        {"/file/bin", ""}, // share/merkolo is a file, not a folder
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.programFolder);
        const programfolders::Layout layout =
            programfolders::detect(r + QLatin1String(c.programFolder), QString(), QStringLiteral("/home/u"));
        const bool installed = *c.share != 0;
        EXPECT_EQ(layout.installed, installed);
        EXPECT_EQ(layout.shareFolder, installed ? r + QLatin1String(c.share) : QString());
        EXPECT_EQ(layout.userFolder, installed ? QStringLiteral("/home/u/.local/share/merkolo") : QString());
    }
    EXPECT_TRUE(programfolders::shareFolderOf(QString()).isEmpty());
}

TEST(ProgramFolders, ThePerUserFolderFollowsXdgDataHome)
{
    const QString home = QStringLiteral("/home/u");
    EXPECT_EQ(programfolders::userFolder(QStringLiteral("/data/x/"), home), QStringLiteral("/data/x/merkolo"));
    EXPECT_EQ(programfolders::userFolder(QString(), home), QStringLiteral("/home/u/.local/share/merkolo"));
    // A relative value is invalid and ignored.
    EXPECT_EQ(programfolders::userFolder(QStringLiteral("rel/data"), home), QStringLiteral("/home/u/.local/share/merkolo"));
    EXPECT_EQ(programfolders::userFolder(QString(), QStringLiteral("/")), QStringLiteral("/.local/share/merkolo"));
}

TEST(ProgramFolders, PreparingCreatesTheFolderAndItsSubfoldersAndKeepsWhatIsThere)
{
    QTemporaryDir root;
    const QString user = root.path() + QStringLiteral("/data/merkolo");
    EXPECT_EQ(programfolders::prepare(user), QString());
    for (const char *sub : programfolders::kSubfolders)
        EXPECT_TRUE(QFileInfo(user + QLatin1Char('/') + QLatin1String(sub)).isDir()) << sub;
    makeFile(user + QStringLiteral("/einstellung/optionen2.txt"));
    QDir(user + QStringLiteral("/text")).removeRecursively();
    EXPECT_EQ(programfolders::prepare(user), QString());
    EXPECT_TRUE(QFileInfo(user + QStringLiteral("/text")).isDir());
    EXPECT_TRUE(QFileInfo::exists(user + QStringLiteral("/einstellung/optionen2.txt")));
}

TEST(ProgramFolders, AFolderThatCannotBeMadeGivesAGermanMessageNamingItsPath)
{
    QTemporaryDir root;
    const QString r = root.path();
    struct Case {
        const char *file;     // a file that stands in the way
        const char *user;     // the per-user folder
        const char *named;    // the path the message names
        const char *reason;   // part of the reason given
    } cases[] = {
        {"/a/merkolo", "/a/merkolo", "/a/merkolo", "An seiner Stelle liegt eine Datei."},
        {"/b/merkolo/text", "/b/merkolo", "/b/merkolo/text", "An seiner Stelle liegt eine Datei."},
        {"/c/local", "/c/local/share/merkolo", "/c/local/share/merkolo", "Auf dem Weg dorthin liegt eine Datei: "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.user);
        makeFile(r + QLatin1String(c.file));
        const QString message = programfolders::prepare(r + QLatin1String(c.user));
        EXPECT_TRUE(message.startsWith(QStringLiteral("Der Ordner für Einstellungen, Texte und Bilder kann nicht angelegt werden:\n")
                                       + r + QLatin1String(c.named) + QLatin1Char('\n')))
            << message.toStdString();
        EXPECT_TRUE(message.contains(QLatin1String(c.reason))) << message.toStdString();
        EXPECT_TRUE(message.contains(QStringLiteral("Merkolo nimmt die Zwischenablage trotzdem auf"))) << message.toStdString();
    }
    EXPECT_TRUE(programfolders::prepare(r + QStringLiteral("/c/local/share/merkolo"))
                    .contains(QStringLiteral("Auf dem Weg dorthin liegt eine Datei: ") + r + QStringLiteral("/c/local\n")));
}

TEST(ProgramFolders, AFolderWithoutTheRightToWriteIsNamed)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser may write everywhere";
    QTemporaryDir root;
    const QString locked = root.path() + QStringLiteral("/locked");
    QDir().mkpath(locked);
    QDir().mkpath(locked + QStringLiteral("/merkolo/text"));
    QFile::setPermissions(locked + QStringLiteral("/merkolo/text"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(programfolders::prepare(locked + QStringLiteral("/merkolo"))
                    .contains(locked + QStringLiteral("/merkolo/text\nKeine Schreibrechte für diesen Ordner.")));
    QDir(locked).removeRecursively();
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString message = programfolders::prepare(locked + QStringLiteral("/merkolo"));
    EXPECT_TRUE(message.contains(QStringLiteral("Keine Schreibrechte in ") + locked)) << message.toStdString();
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
