// Saving a text of the text store: the bytes of a saved file, its stamped
// name, the messages, failures that leave nothing behind, the save button's
// tooltip and opening the text folder.

#include "support/files.h"
#include "support/openedurls.h"
#include "support/testdesktop.h"

#include "textstore/Textform.h"
#include "textstore/textfile.h"

#include <QDir>
#include <QFile>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

TEST(TextFile, Windows1252WheneverEveryCharacterHasAByteElseUtf8WithMark)
{
    const struct {
        QString text;
        QByteArray bytes;
    } rows[] = {
        {QStringLiteral("Grüße, 5 € – „so“ ÿŸ"), QByteArray("Gr\xFC\xDF" "e, 5 \x80 \x96 \x84so\x93 \xFF\x9F\r\n")},
        {QStringLiteral("Zeile 1\r\nZeile 2\nZeile 3\r"), QByteArray("Zeile 1\r\nZeile 2\nZeile 3\r\r\n")},
        {QString(QChar(0)) + QChar(0x81) + QChar(0x9D) + QChar(0xA0), QByteArray("\x00\x81\x9D\xA0\r\n", 6)},
        {QStringLiteral("Ā"), QByteArray("\xEF\xBB\xBF\xC4\x80\r\n")},
        {QStringLiteral("a\u0080"), QByteArray("\xEF\xBB\xBF" "a\xC2\x80\r\n")}, // a byte with no character
        {QStringLiteral("€ \U0001F600"), QByteArray("\xEF\xBB\xBF\xE2\x82\xAC \xF0\x9F\x98\x80\r\n")},
        {QStringLiteral("\u05e9\u202e!"), QByteArray("\xEF\xBB\xBF\xD7\xA9\xE2\x80\xAE!\r\n")},
    };
    for (const auto &r : rows)
        EXPECT_EQ(textfile::content(r.text), r.bytes) << r.text.toStdString();
    EXPECT_EQ(textfile::path(QStringLiteral("/opt/mk/"), QStringLiteral("-06-12-2026-09-05-03")),
              QStringLiteral("/opt/mk/text/Text-06-12-2026-09-05-03.txt"));
}

namespace {

const QString kSavedStart = QStringLiteral("OK Text wurde gespeichert: Im Ordner ");

class TextSave : public ::testing::Test
{
protected:
    TestDesktop d;
    Textform &t() { return d.forms->get<Textform>(); }
    QString folder() { return d.roots.program + QStringLiteral("/text"); }
    QStringList saved() { return QDir(folder()).entryList(QDir::Files | QDir::Hidden); }
    QStringList texts() { return d.messages.texts(); }
};

} // namespace

TEST_F(TextSave, AtAFixedTimeTheStampedFileHoldsTheTextAndOnlyThenItIsConfirmed)
{
    d.clock.time = QDateTime(QDate(2026, 12, 6), QTime(9, 5, 3));
    Textform &w = t();
    const QString text = QStringLiteral("Straße\r\nzweite Zeile\n<b>kein Fett</b>");
    w.List1[0]->AddItem(text);
    w.List1[0]->setListIndex(0);
    const QString path = folder() + QStringLiteral("/Text-06-12-2026-09-05-03.txt");
    QByteArray onDiskWhileShown;
    d.messages.whileOpen = [&](const QString &) { onDiskWhileShown = fileContents(path); };

    ASSERT_FALSE(QFileInfo::exists(folder())) << "the missing folder is made";
    w.Command5_Click();
    const QByteArray expected = QByteArray("Stra\xDF" "e\r\nzweite Zeile\n<b>kein Fett</b>\r\n");
    EXPECT_EQ(fileContents(path), expected);
    EXPECT_EQ(onDiskWhileShown, expected) << "complete before the confirmation";
    EXPECT_EQ(texts(), QStringList{kSavedStart + QStringLiteral("[text/],  Name: Text-06-12-2026-09-05-03.txt !")});
    EXPECT_EQ(d.messages.calls.at(0).style, vbOKOnly);
    EXPECT_EQ(d.messages.calls.at(0).title, kAppTitle);
    EXPECT_EQ(w.Label2->text(), QStringLiteral("-06-12-2026-09-05-03"));

    // Within the same second the next save replaces the file.
    w.Text2->setText(QStringLiteral("Text kann gespeichert werden mit Klick auf Speichern!"));
    w.Command5_Click();
    EXPECT_EQ(fileContents(path), QByteArray("Text kann gespeichert werden mit Klick auf Speichern!\r\n"));
    // A text beyond Windows-1252, 32767 characters long: UTF-8 with a mark, nothing lost.
    d.clock.time = d.clock.time.addSecs(1);
    const QString wide = QString(32766, QChar(0x05D0)) + QChar(0);
    w.Text2->setText(wide);
    w.Command5_Click();
    EXPECT_EQ(fileContents(folder() + QStringLiteral("/Text-06-12-2026-09-05-04.txt")),
              QByteArray("\xEF\xBB\xBF") + wide.toUtf8() + "\r\n");
    EXPECT_EQ(saved().size(), 2);
}

TEST_F(TextSave, AnEmptyTextIsRefusedWithItsMessageOnly)
{
    Textform &w = t();
    w.Text2->setText(QString());
    w.Command5_Click();
    EXPECT_EQ(texts(), QStringList{"Kein Text geladen, Datei wird nicht gespeichert"});
    EXPECT_FALSE(QFileInfo::exists(folder()));

    // Only an empty text: blanks alone are a text like any other.
    for (const char *blanks : {" ", "\t", "\r\n"}) {
        d.clock.time = d.clock.time.addSecs(1);
        w.Text2->setText(QString::fromLatin1(blanks));
        w.Command5_Click();
        EXPECT_TRUE(texts().last().startsWith(kSavedStart)) << blanks;
        EXPECT_EQ(fileContents(folder() + "/Text" + w.Label2->text() + ".txt"), QByteArray(blanks) + "\r\n");
    }
}

TEST_F(TextSave, AFailedWriteIsReportedWithThePathAndLeavesNoFileAndTheListAlone)
{
    Textform &w = t();
    w.List1[0]->AddItem(QStringLiteral("bleibt"));
    w.Text2->setText(QString(32767, QLatin1Char('y')));
    const QString path = folder() + QStringLiteral("/Text-06-12-2026-14-05-09.txt");
    const QString failed = QStringLiteral("Text konnte nicht gespeichert werden: ") + QDir::toNativeSeparators(path)
                           + QLatin1Char('\n');

    // "text" is a file: the message says why, as the image store's does.
    writeFile(folder(), "ich bin kein Ordner");
    w.Command5_Click();
    EXPECT_EQ(texts(), QStringList{failed + QStringLiteral("Der Ordner ") + QDir::toNativeSeparators(folder())
                                   + QStringLiteral(" fehlt und kann nicht angelegt werden.\nAn seiner Stelle liegt "
                                                    "eine Datei.")});
    EXPECT_EQ(fileContents(folder()), QByteArray("ich bin kein Ordner"));
    QFile::remove(folder());

    // A link at the file's name: neither it nor the file it points to is written.
    writeFile(d.roots.current + QStringLiteral("/anderswo.txt"), "fremd");
    QDir().mkpath(folder());
    QFile::link(d.roots.current + QStringLiteral("/anderswo.txt"), path);
    w.Command5_Click();
    EXPECT_TRUE(texts().last().startsWith(failed + QStringLiteral("An Stelle der Datei steht eine Verknüpfung")));
    EXPECT_EQ(fileContents(d.roots.current + QStringLiteral("/anderswo.txt")), QByteArray("fremd"));
    QFile::remove(path);
    d.messages.calls.clear();

    // A full disk (a file-size limit stands in for it): the old file stays whole, no stray file.
    writeFile(path, "alt");
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    w.Command5_Click();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_EQ(texts().size(), 1);
    EXPECT_TRUE(texts().last().startsWith(failed + QStringLiteral("Die Datei konnte nicht vollständig geschrieben "
                                                                  "werden (")));
    EXPECT_TRUE(texts().last().endsWith(QStringLiteral("). Eine ältere Datei gleichen Namens bleibt unverändert.")));
    EXPECT_EQ(fileContents(path), QByteArray("alt"));
    EXPECT_EQ(saved(), QStringList{"Text-06-12-2026-14-05-09.txt"});

    // A folder without the right to write (only meaningful when not the superuser).
    if (geteuid() != 0) {
        QFile::remove(path);
        QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner);
        w.Command5_Click();
        QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(texts().size(), 2);
        EXPECT_TRUE(texts().last().startsWith(failed + QStringLiteral("Keine Schreibrechte im Ordner ")));
        EXPECT_TRUE(saved().isEmpty());
    }
    EXPECT_EQ(w.List1[0]->entries()->entries(), QStringList{"bleibt"});
    for (const QString &m : texts())
        EXPECT_FALSE(m.startsWith(kSavedStart));
}

TEST_F(TextSave, TheSaveButtonsTooltipNamesTheFileOfTheMomentTheMouseMoves)
{
    Textform &w = t();
    w.Command12_Click();
    w.Show();
    EXPECT_EQ(plainToolTip(w.Command5), QStringLiteral("Text speichern"));
    d.clock.time = QDateTime(QDate(2027, 1, 2), QTime(23, 59, 58));
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), w.Command5->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.Command5, &move);
    EXPECT_EQ(plainToolTip(w.Command5),
              QStringLiteral("Speichern unter Ordner: [text\\], Name: Text-02-01-2027-23-59-58.txt"));
    EXPECT_EQ(w.Label2->text(), QStringLiteral("-02-01-2027-23-59-58"));
}

TEST_F(TextSave, TheFolderButtonOpensTheFolderTheSavesGoIntoWhateverTheCurrentDirectory)
{
    OpenedUrls opened;
    QDir(d.roots.current).mkpath(QStringLiteral("text")); // a folder of the same name elsewhere
    Textform &w = t();
    w.Command6_Click();
    EXPECT_EQ(w.Label2->text(), QStringLiteral("text"));
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(folder())});
    EXPECT_TRUE(QFileInfo(folder()).isDir());

    // A file where the folder belongs is not opened in its stead: the user is told.
    QDir(folder()).removeRecursively();
    writeFile(folder(), "kein Ordner");
    w.Command6_Click();
    EXPECT_EQ(opened.urls.size(), 1);
    ASSERT_EQ(d.messages.calls.size(), 1u);
    EXPECT_EQ(d.messages.calls.at(0).text, QStringLiteral("Der Ordner ") + QDir::toNativeSeparators(folder())
                                               + QStringLiteral(" fehlt und kann nicht angelegt werden.\nAn seiner "
                                                                "Stelle liegt eine Datei."));
}
