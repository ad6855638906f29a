// The text store on the real X11 desktop: texts copied in another program
// (xclip), entries picked, cut and pasted with real keys and clicks
// (xdotool), read back by another program and saved to disk.

#include "program.h"
#include "textdesktop.h"
#include "x11.h"

#include "textstore/Textform.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <gtest/gtest.h>

namespace {

QPoint centreOf(const QWidget *w)
{
    return w->mapToGlobal(w->rect().center());
}

void press(const QString &keys)
{
    x11::run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}

// Waits until another program reads `text` from the clipboard.
bool clipboardReads(const QString &text)
{
    return x11::waitUntil([&] { return x11::readClipboard() == text.toUtf8(); }, 5000);
}

void pause(int ms)
{
    x11::waitUntil([] { return false; }, ms);
}

const QString kFirst = QStringLiteral("erster Text");
const QString kSecond = QStringLiteral("zweiter Text: Grüße\nZeile 2");
const QString kThird = QStringLiteral("dritter <b>Text</b>");

// The window in this process, on the real display with the real clipboard.
class TextStoreE2E : public TextDesktopTest
{
protected:
    void SetUp() override
    {
        TextDesktopTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        text->Command12_Click();
        text->Show();
        ASSERT_TRUE(x11::waitUntil([&] { return text->windowHandle() && text->windowHandle()->isExposed(); }));
        ASSERT_TRUE(x11::caughtUp()); // the window manager places and frames it
    }
    ListBox &list(int i = 0) { return *text->List1[i]; }
    void clickRow(int row)
    {
        ListBox &l = list();
        e2e::click(l.viewport()->mapToGlobal(l.visualRect(l.model()->index(row, 0)).center()));
        ASSERT_TRUE(x11::waitUntil([&] { return l.ListIndex() == row && l.hasFocus(); }));
    }
    bool waitForCount(int n) { return x11::waitUntil([&] { return list().ListCount() == n; }); }
};

} // namespace

TEST_F(TextStoreE2E, PickCopyCutPasteDeleteAndSaveWithRealKeysAndAnotherProgram)
{
    for (const QString &t : {kFirst, kSecond, kThird}) {
        const int before = list().ListCount();
        x11::setClipboardText(t);
        ASSERT_TRUE(waitForCount(before + 1)) << t.toStdString();
    }
    ASSERT_EQ(entries(), (QStringList{kFirst, kSecond, kThird}));

    // Pick with the keyboard, then "Kopiere": another program reads the entry.
    clickRow(0);
    press(QStringLiteral("Down"));
    ASSERT_TRUE(x11::waitUntil([&] { return list().ListIndex() == 1; }));
    EXPECT_EQ(text->Text2->Text(), kSecond);
    EXPECT_EQ(text->Height(), 3675);
    e2e::click(centreOf(text->Command3));
    EXPECT_TRUE(clipboardReads(kSecond));
    // The copy is a clipboard change like any other: it comes back as the last entry.
    ASSERT_TRUE(waitForCount(4));
    EXPECT_EQ(entries(), (QStringList{kFirst, kSecond, kThird, kSecond}));
    EXPECT_EQ(text->Height(), 2505) << "the button took the focus from the list";

    // Ctrl+X: the entry goes to the clipboard, leaves its place and comes back last.
    clickRow(0);
    press(QStringLiteral("ctrl+x"));
    EXPECT_TRUE(clipboardReads(kFirst));
    ASSERT_TRUE(x11::waitUntil([&] { return entries() == QStringList{kSecond, kThird, kSecond, kFirst}; }));
    EXPECT_TRUE(x11::waitUntil([&] { return list(1).hasFocus(); }));

    // Ctrl+V lands in the list that has the focus now, then in the text list.
    press(QStringLiteral("ctrl+v"));
    ASSERT_TRUE(x11::waitUntil([&] { return entries(1) == QStringList{kFirst}; }));
    clickRow(1);
    press(QStringLiteral("ctrl+v"));
    ASSERT_TRUE(waitForCount(5));
    EXPECT_EQ(list().ListIndex(), 4);
    EXPECT_EQ(text->Text2->Text(), kFirst);

    // "Lösche" removes the pasted entry and leaves nothing picked.
    e2e::click(centreOf(text->Command7));
    ASSERT_TRUE(waitForCount(4));
    EXPECT_EQ(entries(), (QStringList{kSecond, kThird, kSecond, kFirst}));
    EXPECT_EQ(list().ListIndex(), -1);

    // "Speichern": the picked entry in Windows-1252, then CR LF.
    clickRow(0);
    e2e::click(centreOf(text->Command5));
    ASSERT_TRUE(x11::waitUntil([&] { return !desktop->messages.calls.empty(); }));
    const QDir folder(desktop->programDir.filePath(QStringLiteral("text")));
    const QStringList files = folder.entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(desktop->messages.texts().at(0).endsWith(files.at(0) + QStringLiteral(" !")));
    QFile saved(folder.filePath(files.at(0)));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("zweiter Text: Gr\xFC\xDF" "e\nZeile 2\r\n"));
}

// The real program, tried from outside as a user would.
TEST(TextStoreProgramE2E, PasteInPickCopyOutSaveAndClose)
{
    if (!x11::available())
        GTEST_SKIP() << "needs the Xvfb desktop of scripts/test";
    const QString textFolder = QFileInfo(QStringLiteral(MERKOLO_BINARY)).absolutePath() + QStringLiteral("/text");
    const QStringList before = QDir(textFolder).entryList(QDir::Files);

    e2e::Program program;
    std::optional<QRect> selector;
    ASSERT_TRUE(x11::waitUntil([&] { return (selector = e2e::visibleWindow(QStringLiteral("Merkolo-Auswahl: Quenta"))).has_value(); }, 15000));
    const auto at = [](const QRect &client, int left, int top) { return client.topLeft() + QPoint(left / 15, top / 15); };
    e2e::click(at(*selector, 2040 + 847, 510 + 127)); // "Text-Speicher-Liste"
    std::optional<QRect> store;
    ASSERT_TRUE(x11::waitUntil([&] { return (store = e2e::visibleWindow(QStringLiteral("Merkolo-Text"))).has_value(); }, 10000));
    pause(300);

    // Small layout: each copied text is put in with the paste icon (Automatisch is off).
    for (const QString &t : {kFirst, kSecond, kThird}) {
        x11::setClipboardText(t);
        pause(400); // captured into Text1
        e2e::click(at(*store, 180, 127));
    }
    // Pick the first entry with a click, the second with the keyboard; the caption counts three.
    e2e::click(at(*store, 1200, 60));
    press(QStringLiteral("Down"));
    const QString counted = QStringLiteral("Speicher Liste: 3 Einträg in der Liste !");
    ASSERT_TRUE(x11::waitUntil([&] { return (store = e2e::visibleWindow(counted)).has_value(); }, 5000));
    e2e::click(at(*store, 200, 430)); // the copy icon
    EXPECT_TRUE(clipboardReads(kSecond));

    // The large layout, then "Speichern"; the confirmation is dismissed with Return.
    e2e::click(at(*store, 2850, 150));
    ASSERT_TRUE(x11::waitUntil([&] {
        store = e2e::visibleWindow(counted);
        return store && store->width() > 5000 / 15;
    }, 5000));
    e2e::click(at(*store, 540, 3150));
    ASSERT_TRUE(x11::waitUntil([&] { return e2e::visibleWindow(QStringLiteral("Merkolo")).has_value(); }, 5000));
    QStringList added = QDir(textFolder).entryList(QDir::Files);
    for (const QString &f : before)
        added.removeAll(f);
    ASSERT_EQ(added.size(), 1);
    const QString path = textFolder + QLatin1Char('/') + added.at(0);
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("zweiter Text: Gr\xFC\xDF" "e\nZeile 2\r\n"));
    saved.close();
    QFile::remove(path);
    press(QStringLiteral("Return"));
    ASSERT_TRUE(x11::waitUntil([&] { return !e2e::visibleWindow(QStringLiteral("Merkolo")).has_value(); }, 5000));

    // Escape closes the window; the program lives on in the notification area.
    e2e::click(at(*store, 2000, 900));
    press(QStringLiteral("Escape"));
    EXPECT_TRUE(x11::waitUntil([&] { return !e2e::visibleWindow(counted) && !e2e::visibleWindow(QStringLiteral("Merkolo-Text")); }, 5000));
    EXPECT_TRUE(program.running());
    x11::stopClipboardOwners();
}
