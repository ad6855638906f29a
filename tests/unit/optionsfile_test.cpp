// Options files without windows: the line format, line splitting, what the
// reads assign, bounded reading and whole-or-nothing writing.

#include "shell/optionsfile.h"
#include "support/files.h"
#include "support/qtprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace optionsfile;

namespace {

std::vector<std::optional<int>> reads(const char *data, int n)
{
    return assignments(splitLines(QByteArray(data), true, n), n);
}
} // namespace

TEST(OptionsFile, FilesLieInTheSettingsFolderBesideTheProgramOneValueALine)
{
    EXPECT_EQ(format({1, 0}), QByteArray(" 1 \r\n 0 \r\n"));
    EXPECT_EQ(imagePath(QStringLiteral("/opt/mk")), QStringLiteral("/opt/mk/einstellung/optionen.txt"));
    EXPECT_EQ(textPath(QStringLiteral("/opt/mk")), QStringLiteral("/opt/mk/einstellung/optionen2.txt"));
}

TEST(OptionsFile, LinesEndAtCrLfLoneCrOrLoneLf)
{
    EXPECT_EQ(splitLines(" 1 \r\n 0 \r\n", true, 2), QStringList({" 1 ", " 0 "}));
    EXPECT_EQ(splitLines(" 1 \r 0 \r", true, 2), QStringList({" 1 ", " 0 "}));
    EXPECT_EQ(splitLines(" 1 \n 0 \n", true, 2), QStringList({" 1 ", " 0 "}));
    EXPECT_EQ(splitLines(" 1 \r\n\r\n 0 ", true, 3), QStringList({" 1 ", "", " 0 "}));
    // The last line needs no line end; a file's final line end adds no line.
    EXPECT_EQ(splitLines(" 1 ", true, 2), QStringList({" 1 "}));
    EXPECT_EQ(splitLines(" 1 \r\n", true, 2), QStringList({" 1 "}));
    EXPECT_TRUE(splitLines("", true, 2).isEmpty());
    // Only as many lines as asked for.
    EXPECT_EQ(splitLines("1\n2\n3\n", true, 2), QStringList({"1", "2"}));
}

TEST(OptionsFile, ALineOpenAtTheEndOfACutOffHeadIsNoLine)
{
    EXPECT_EQ(splitLines(" 1 \r\n 0", false, 2), QStringList({" 1 "}));
    EXPECT_TRUE(splitLines("1111111111", false, 1).isEmpty());
    // A CR at the cut may be the first half of a CR LF: the next line is not begun.
    EXPECT_EQ(splitLines(" 1 \r", false, 2), QStringList({" 1 "}));
}

TEST(OptionsFile, AReadPastTheLastLineAssignsTheLineBeforeAgain)
{
    using V = std::vector<std::optional<int>>;
    EXPECT_EQ(reads(" 1 \r\n 0 \r\n", 2), V({1, 0}));
    EXPECT_EQ(reads(" 1 \r\n", 2), V({1, 1}));
    EXPECT_EQ(reads("", 2), V({std::nullopt, std::nullopt}));
    // A second line that is no value leaves what the first one assigned.
    EXPECT_EQ(reads(" 1 \r\nx\r\n", 2), V({1, std::nullopt}));
}

TEST(OptionsFile, OnlyZeroOneAndTwoAreAssigned)
{
    struct Case {
        const char *line;
        std::optional<int> value;
    };
    const Case cases[] = {{" 0 ", 0}, {" 2 ", 2}, {"1", 1}, {"1.5", 2}, {"2.5", 2}, {"0.5", 0},
                          {" 7 ", std::nullopt}, {"-1", std::nullopt}, {"", std::nullopt},
                          {"1 1", std::nullopt}, {"\x01\xff", std::nullopt}};
    for (const Case &c : cases)
        EXPECT_EQ(assignments(QStringList{QString::fromLatin1(c.line)}, 1).front(), c.value) << c.line;
}

TEST(OptionsFile, ReadingLooksAtTheBeginningOfAFileOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("optionen.txt"));
    EXPECT_TRUE(readLines(path, 2).isEmpty()); // missing

    writeFile(path, QByteArray(" 1 \r\n 0 \r\n"));
    EXPECT_EQ(readLines(path, 2), QStringList({" 1 ", " 0 "}));

    // 100 MB of zero bytes (a sparse file): no line ends within the limit.
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite | QIODevice::Truncate));
        ASSERT_TRUE(f.resize(100LL * 1024 * 1024));
    }
    EXPECT_TRUE(readLines(path, 2).isEmpty());

    // The same size behind two good lines still gives the two lines.
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write(" 0 \r\n 2 \r\n");
    }
    EXPECT_EQ(readLines(path, 2), QStringList({" 0 ", " 2 "}));
}

TEST(OptionsFile, ReadingSkipsWhatIsNoRegularFile)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("optionen.txt"));
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(readLines(folder, 2).isEmpty());
    // A pipe would block a reader forever: nobody writes into it.
    const QString pipe = dir.filePath(QStringLiteral("optionen2.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_TRUE(readLines(pipe, 2).isEmpty());
}

TEST(OptionsFile, WritingReplacesTheWholeFileAndMakesTheFolder)
{
    QTemporaryDir dir;
    const QString path = imagePath(dir.path());
    ASSERT_FALSE(QDir(dir.filePath(QStringLiteral("einstellung"))).exists());
    EXPECT_TRUE(write(path, format({1, 0})));
    EXPECT_EQ(fileContents(path), QByteArray(" 1 \r\n 0 \r\n"));
    EXPECT_TRUE(write(path, format({2})));
    EXPECT_EQ(fileContents(path), QByteArray(" 2 \r\n"));
    // Nothing is left beside the file.
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"optionen.txt"}));
}

TEST(OptionsFile, AFileThatCannotBeWrittenIsReported)
{
    QTemporaryDir dir;
    // A file where the settings folder should be.
    writeFile(dir.filePath(QStringLiteral("einstellung")), "not a folder");
    EXPECT_FALSE(write(imagePath(dir.path()), format({1, 1})));

    // A folder where the file should be.
    QTemporaryDir other;
    ASSERT_TRUE(QDir().mkpath(textPath(other.path())));
    EXPECT_FALSE(write(textPath(other.path()), format({1})));
    EXPECT_TRUE(QFileInfo(textPath(other.path())).isDir());
}
