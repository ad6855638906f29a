// Saving and reading the options files through the selector window's buttons.

#include "support/files.h"
#include "support/testdesktop.h"

#include "imagestore/Formbilder.h"
#include "shell/Starter.h"
#include "textstore/Textform.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/resource.h>

#include <gtest/gtest.h>

namespace {

const QString kAskImage = QStringLiteral("Möchten Sie die geänderten Optionen (Bilder-Merkolo) speichern ?");
const QString kAskText = QStringLiteral("Möchten Sie die geänderten Optionen (Merkolo-Text) speichern ?");

QString imageFile(TestDesktop &d)
{
    return d.roots.program + QStringLiteral("/einstellung/optionen.txt");
}

QString textFile(TestDesktop &d)
{
    return d.roots.program + QStringLiteral("/einstellung/optionen2.txt");
}


} // namespace

TEST(StarterOptions, YesWritesTheValuesLineByLine)
{
    TestDesktop desk;
    Starter &s = desk.forms->get<Starter>();
    Formbilder &fb = desk.forms->get<Formbilder>();
    fb.Check4->setValue(1);
    fb.Check1->setValue(0);
    desk.forms->get<Textform>().Check1->setValue(2);
    s.Check1->setValue(1);
    s.Check2->setValue(1);
    s.Command3_Click();
    s.Command4_Click();
    ASSERT_EQ(desk.messages.texts(), QStringList({kAskImage, kAskText}));
    for (const auto &call : desk.messages.calls) {
        EXPECT_EQ(call.style, vbYesNo);
        EXPECT_EQ(call.title, QStringLiteral("Warnung"));
    }
    EXPECT_EQ(fileContents(imageFile(desk)), QByteArray(" 1 \r\n 0 \r\n"));
    EXPECT_EQ(fileContents(textFile(desk)), QByteArray(" 2 \r\n"));
    EXPECT_EQ(s.Check1->Value() + s.Check2->Value(), 0);

    // A second save replaces the file.
    fb.Check1->setValue(1);
    s.Command3_Click();
    EXPECT_EQ(fileContents(imageFile(desk)), QByteArray(" 1 \r\n 1 \r\n"));
}

TEST(StarterOptions, NoKeepsTheFileAndSaysSo)
{
    TestDesktop desk;
    Starter &s = desk.forms->get<Starter>();
    writeFile(imageFile(desk), " 0 \r\n 0 \r\n");
    desk.forms->get<Formbilder>().Check4->setValue(1);
    desk.forms->get<Textform>().Check1->setValue(1);
    s.Check1->setValue(1);
    s.Check2->setValue(1);
    desk.messages.answers = {vbNo, vbNo};
    s.Command3_Click();
    s.Command4_Click();
    EXPECT_EQ(desk.messages.texts(),
              QStringList({kAskImage, "Geänderten Optionen (Bilder-Merkolo)wurden nicht gespeichert", kAskText,
                           "Geänderten Optionen (Merkolo-Text)wurden nicht gespeichert !"}));
    EXPECT_EQ(desk.messages.calls[1].style, vbOKOnly);
    EXPECT_EQ(desk.messages.calls[1].title, QStringLiteral("Merkolo"));
    EXPECT_EQ(fileContents(imageFile(desk)), QByteArray(" 0 \r\n 0 \r\n"));
    EXPECT_FALSE(QFile::exists(textFile(desk)));
    EXPECT_EQ(s.Check1->Value() + s.Check2->Value(), 0);
}

TEST(StarterOptions, ClosingTheTextStoreAsksOnlyAfterItsBoxLostTheFocus)
{
    TestDesktop desk;
    desk.forms->get<Starter>();
    desk.forms->get<Textform>().Unload(vbFormControlMenu);
    EXPECT_TRUE(desk.messages.calls.empty());

    Textform &again = desk.forms->get<Textform>();
    again.Check1->setValue(1);
    again.Check1_LostFocus();
    again.Unload(vbFormControlMenu);
    EXPECT_EQ(desk.messages.texts(), QStringList({kAskText}));
    EXPECT_EQ(fileContents(textFile(desk)), QByteArray(" 1 \r\n"));
    // Answered once, closing again asks nothing.
    desk.forms->get<Textform>().Unload(vbFormControlMenu);
    EXPECT_EQ(desk.messages.calls.size(), 1u);
}

TEST(StarterOptions, ASaveThatCannotWriteSaysSo)
{
    TestDesktop desk;
    // A file stands where the settings folder should be.
    writeFile(desk.roots.program + "/einstellung", "kein Ordner");
    Starter &s = desk.forms->get<Starter>();
    s.Check1->setValue(1);
    s.Command3_Click();
    ASSERT_EQ(desk.messages.calls.size(), 2u);
    EXPECT_EQ(desk.messages.calls[1].text,
              QStringLiteral("Optionen konnten nicht gespeichert werden: ") + imageFile(desk));
    EXPECT_EQ(desk.messages.calls[1].style, vbOKOnly);
    EXPECT_EQ(s.Check1->Value(), 0);
}

// "Ja" on a full disk: the text options file keeps its old value to the
// byte, and the user is told in German that nothing was saved. (A limit on
// the size of files written stands in for the full disk.)
TEST(StarterOptions, YesOnAFullDiskKeepsTheOldFileAndSaysSo)
{
    TestDesktop desk;
    writeFile(textFile(desk), " 0 \r\n");
    Starter &s = desk.forms->get<Starter>();
    desk.forms->get<Textform>().Check1->setValue(1);
    s.Check2->setValue(1);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit full = old;
    full.rlim_cur = 3; // room for less than one line
    setrlimit(RLIMIT_FSIZE, &full);
    s.Command4_Click();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(fileContents(textFile(desk)), QByteArray(" 0 \r\n"));
    EXPECT_EQ(QDir(desk.roots.program + "/einstellung").entryList(QDir::Files | QDir::Hidden),
              QStringList{"optionen2.txt"});
    ASSERT_EQ(desk.messages.calls.size(), 2u);
    EXPECT_EQ(desk.messages.calls[1].text,
              QStringLiteral("Optionen konnten nicht gespeichert werden: ") + textFile(desk));
}

TEST(StarterOptions, ReadingTheImageOptions)
{
    struct Case {
        const char *name;
        std::optional<QByteArray> data; // nothing: no file
        int before4, before1, after4, after1;
    };
    const Case cases[] = {
        {"two lines", " 1 \r\n 0 \r\n", 0, 2, 1, 0},
        {"one line sets both", " 1 \r\n", 0, 0, 1, 1},
        {"second line no number", " 1 \r\n x \r\n", 0, 0, 1, 1},
        {"first line no number", "x\r\n 1 \r\n", 2, 2, 2, 1},
        {"LF only", " 0 \n 1 \n", 2, 2, 0, 1},
        {"out of range", " 7 \r\n-1\r\n", 1, 2, 1, 2},
        {"binary", QByteArray("\x00\x01\xff\r\n\x89PNG", 8), 1, 2, 1, 2},
        {"missing", std::nullopt, 1, 2, 1, 2},
    };
    for (const Case &c : cases) {
        TestDesktop desk;
        if (c.data)
            writeFile(imageFile(desk), *c.data);
        Formbilder &fb = desk.forms->get<Formbilder>();
        fb.Check4->setValue(c.before4);
        fb.Check1->setValue(c.before1);
        desk.forms->get<Starter>().Command2_Click();
        EXPECT_EQ(fb.Check4->Value(), c.after4) << c.name;
        EXPECT_EQ(fb.Check1->Value(), c.after1) << c.name;
        EXPECT_TRUE(desk.messages.calls.empty()) << c.name;
    }
}

TEST(StarterOptions, ReadingTheTextOptionsTheLastGoodLineWins)
{
    const std::tuple<const char *, int, int> cases[] = {
        {" 1 \r\n 0 \r\n", 2, 0}, {" 1 \r\n", 0, 1}, {"Automatisch\r\n", 2, 2}, {"2.5", 0, 2}};
    for (const auto &[data, before, after] : cases) {
        TestDesktop desk;
        writeFile(textFile(desk), data);
        Textform &tf = desk.forms->get<Textform>();
        tf.Check1->setValue(before);
        desk.forms->get<Starter>().Command5_Click();
        EXPECT_EQ(tf.Check1->Value(), after) << data;
    }
}
