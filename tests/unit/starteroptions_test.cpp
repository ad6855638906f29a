// Saving and reading the options files through the selector window's buttons.

#include "support/testdesktop.h"

#include "imagestore/Formbilder.h"
#include "shell/Starter.h"
#include "textstore/Textform.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString kAskImage = QStringLiteral("Möchten Sie die geänderten Optionen (Bilder-Merkolo) speichern ?");
const QString kAskText = QStringLiteral("Möchten Sie die geänderten Optionen (Merkolo-Text) speichern ?");
const QString kImageNotSaved = QStringLiteral("Geänderten Optionen (Bilder-Merkolo)wurden nicht gespeichert");
const QString kTextNotSaved = QStringLiteral("Geänderten Optionen (Merkolo-Text)wurden nicht gespeichert !");

QString imageFile(TestDesktop &d)
{
    return d.roots.program + QStringLiteral("/einstellung/optionen.txt");
}

QString textFile(TestDesktop &d)
{
    return d.roots.program + QStringLiteral("/einstellung/optionen2.txt");
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

void writeSparse(const QString &path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(size));
}

} // namespace

TEST(StarterOptions, SavingTheImageOptionsOnYesWritesBothLines)
{
    TestDesktop desk;
    Starter &s = desk.forms->get<Starter>();
    Formbilder &fb = desk.forms->get<Formbilder>();
    fb.Check4->setValue(1);
    fb.Check1->setValue(0);
    s.Check1->setValue(1);
    desk.messages.answers = {vbYes};
    s.Command3_Click();
    ASSERT_EQ(desk.messages.calls.size(), 1u);
    EXPECT_EQ(desk.messages.calls[0].text, kAskImage);
    EXPECT_EQ(desk.messages.calls[0].style, vbYesNo);
    EXPECT_EQ(desk.messages.calls[0].title, QStringLiteral("Warnung"));
    EXPECT_EQ(contents(imageFile(desk)), QByteArray(" 1 \r\n 0 \r\n"));
    EXPECT_EQ(s.Check1->Value(), 0);

    // Greyed is a value too, and a second save replaces the file.
    fb.Check1->setValue(2);
    s.Command3_Click();
    EXPECT_EQ(contents(imageFile(desk)), QByteArray(" 1 \r\n 2 \r\n"));
}

TEST(StarterOptions, SavingTheTextOptionsOnYesWritesOneLine)
{
    TestDesktop desk;
    Starter &s = desk.forms->get<Starter>();
    desk.forms->get<Textform>().Check1->setValue(1);
    s.Check2->setValue(1);
    s.Command4_Click();
    ASSERT_EQ(desk.messages.calls.size(), 1u);
    EXPECT_EQ(desk.messages.calls[0].text, kAskText);
    EXPECT_EQ(desk.messages.calls[0].title, QStringLiteral("Warnung"));
    EXPECT_EQ(contents(textFile(desk)), QByteArray(" 1 \r\n"));
    EXPECT_EQ(s.Check2->Value(), 0);
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
    EXPECT_EQ(desk.messages.texts(), QStringList({kAskImage, kImageNotSaved, kAskText, kTextNotSaved}));
    EXPECT_EQ(desk.messages.calls[1].style, vbOKOnly);
    EXPECT_EQ(desk.messages.calls[1].title, QStringLiteral("Merkolo"));
    EXPECT_EQ(desk.messages.calls[3].style, vbOKOnly);
    EXPECT_EQ(contents(imageFile(desk)), QByteArray(" 0 \r\n 0 \r\n"));
    EXPECT_FALSE(QFile::exists(textFile(desk)));
    EXPECT_EQ(s.Check1->Value(), 0);
    EXPECT_EQ(s.Check2->Value(), 0);
}

TEST(StarterOptions, ClosingTheTextStoreAsksOnlyAfterItsBoxLostTheFocus)
{
    TestDesktop desk;
    desk.forms->get<Starter>();
    desk.forms->get<Textform>().Check1->setValue(1);
    desk.forms->get<Textform>().Unload(vbFormControlMenu);
    EXPECT_TRUE(desk.messages.calls.empty());
    EXPECT_FALSE(QFile::exists(textFile(desk)));

    Textform &again = desk.forms->get<Textform>();
    again.Check1->setValue(1);
    again.Check1_LostFocus();
    again.Unload(vbFormControlMenu);
    EXPECT_EQ(desk.messages.texts(), QStringList({kAskText}));
    EXPECT_EQ(contents(textFile(desk)), QByteArray(" 1 \r\n"));
    // Once answered, closing again asks nothing.
    desk.forms->get<Textform>().Unload(vbFormControlMenu);
    EXPECT_EQ(desk.messages.calls.size(), 1u);
}

TEST(StarterOptions, ASaveThatCannotWriteSaysSoAndAMissingFolderIsMade)
{
    TestDesktop desk;
    Starter &s = desk.forms->get<Starter>();
    desk.forms->get<Textform>().Check1->setValue(1);
    // No settings folder yet: it is made.
    s.Command4_Click();
    EXPECT_EQ(contents(textFile(desk)), QByteArray(" 1 \r\n"));

    // A file stands where the folder of the image options should be.
    TestDesktop blocked;
    writeFile(blocked.roots.program + "/einstellung", "kein Ordner");
    Starter &b = blocked.forms->get<Starter>();
    b.Check1->setValue(1);
    b.Command3_Click();
    ASSERT_EQ(blocked.messages.calls.size(), 2u);
    EXPECT_EQ(blocked.messages.calls[1].text,
              QStringLiteral("Optionen konnten nicht gespeichert werden: ") + imageFile(blocked));
    EXPECT_EQ(blocked.messages.calls[1].style, vbOKOnly);
    EXPECT_EQ(b.Check1->Value(), 0);
}

TEST(StarterOptions, ReadingTheImageOptions)
{
    struct Case {
        const char *name;
        QByteArray data; // empty with `missing`: no file
        bool missing;
        int before4, before1;
        int after4, after1;
    };
    const Case cases[] = {
        {"two lines", " 1 \r\n 0 \r\n", false, 0, 2, 1, 0},
        {"one line sets both", " 1 \r\n", false, 0, 0, 1, 1},
        {"missing", {}, true, 1, 2, 1, 2},
        {"empty", "", false, 1, 2, 1, 2},
        {"binary", QByteArray("\x00\x01\xff\r\n\x89PNG\r\n", 10), false, 1, 2, 1, 2},
        {"CR only", " 1 \r 0 \r", false, 2, 2, 1, 0},
        {"LF only", " 0 \n 1 \n", false, 2, 2, 0, 1},
        {"seven", " 7 \r\n 7 \r\n", false, 1, 2, 1, 2},
        {"minus one", "-1\r\n-1\r\n", false, 1, 2, 1, 2},
        {"halves to even", "1.5\r\n2.5\r\n", false, 0, 0, 2, 2},
        {"second line no number", " 1 \r\n x \r\n", false, 0, 0, 1, 1},
        {"first line no number", "x\r\n 1 \r\n", false, 2, 2, 2, 1},
    };
    for (const Case &c : cases) {
        TestDesktop desk;
        if (!c.missing)
            writeFile(imageFile(desk), c.data);
        Starter &s = desk.forms->get<Starter>();
        Formbilder &fb = desk.forms->get<Formbilder>();
        fb.Check4->setValue(c.before4);
        fb.Check1->setValue(c.before1);
        s.Command2_Click();
        EXPECT_EQ(fb.Check4->Value(), c.after4) << c.name;
        EXPECT_EQ(fb.Check1->Value(), c.after1) << c.name;
        EXPECT_TRUE(desk.messages.calls.empty()) << c.name;
    }
}

TEST(StarterOptions, ReadingTheTextOptionsTheLastGoodLineWins)
{
    struct Case {
        const char *name;
        QByteArray data;
        int before, after;
    };
    const Case cases[] = {
        {"one then zero", " 1 \r\n 0 \r\n", 2, 0},
        {"one line", " 1 \r\n", 0, 1},
        {"garbage", "Automatisch\r\n", 2, 2},
        {"half", "2.5", 0, 2},
        {"LF only", " 1 \n", 0, 1},
    };
    for (const Case &c : cases) {
        TestDesktop desk;
        writeFile(textFile(desk), c.data);
        Starter &s = desk.forms->get<Starter>();
        Textform &tf = desk.forms->get<Textform>();
        tf.Check1->setValue(c.before);
        s.Command5_Click();
        EXPECT_EQ(tf.Check1->Value(), c.after) << c.name;
    }
}

TEST(StarterOptions, HugeOrStrangeFilesLeaveTheBoxesAlone)
{
    TestDesktop desk;
    Starter &s = desk.forms->get<Starter>();
    Formbilder &fb = desk.forms->get<Formbilder>();
    Textform &tf = desk.forms->get<Textform>();
    fb.Check4->setValue(1);
    fb.Check1->setValue(2);
    tf.Check1->setValue(2);
    writeSparse(imageFile(desk), 100LL * 1024 * 1024);
    ASSERT_TRUE(QDir().mkpath(textFile(desk))); // a folder by the file's name
    s.Command2_Click();
    s.Command5_Click();
    EXPECT_EQ(fb.Check4->Value(), 1);
    EXPECT_EQ(fb.Check1->Value(), 2);
    EXPECT_EQ(tf.Check1->Value(), 2);
}
