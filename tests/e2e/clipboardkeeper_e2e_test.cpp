// The clipboard outlives the programs that fill it: real owners (a GTK
// program, xclip, a password manager's owner) end, another clipboard manager
// runs or not, and the program itself ends.

#include "program.h"
#include "capture/ModuleZ.h"
#include "support/logcapture.h"
#include "textdesktop.h"
#include "x11.h"
#include "support/files.h"

#include <QBuffer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <csignal>
#include <map>
#include <memory>
#include <vector>

namespace {

// The window that owns selection `name` now (0: none).
quint32 selectionOwner(const char *name)
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    auto *a = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), nullptr);
    auto *o = a ? xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, a->atom), nullptr) : nullptr;
    const quint32 owner = o ? o->owner : 0;
    free(a);
    free(o);
    xcb_disconnect(c);
    return owner;
}

// Programs a test starts, each ended by its own process id when the test ends.
struct Started {
    std::vector<std::unique_ptr<QProcess>> list;
    ~Started()
    {
        for (auto &p : list) {
            p->kill();
            p->waitForFinished(2000);
        }
    }
    // Starts `program` and waits for `word` on its output (none: at once).
    QProcess &start(const QString &program, const QStringList &args, const QByteArray &word = {})
    {
        list.push_back(std::make_unique<QProcess>());
        QProcess &p = *list.back();
        p.start(program, args);
        QByteArray said;
        x11::waitUntil([&] { return (said += p.readAllStandardOutput()).contains(word); }, 10000);
        EXPECT_TRUE(said.contains(word)) << program.toStdString() << " did not say " << word.toStdString();
        return p;
    }
};


class KeeperE2E : public TextDesktopTest
{
protected:
    Started started;
};

// A GTK program that copies and quits, an xclip killed, a text over the
// list's limit: the clipboard is brought back whole, listed once, as no
// change; a secret owner's end leaves it empty. A reader of what we keep
// that dies or stalls mid-transfer is let go, and the next one gets it all.
TEST_F(KeeperE2E, AnOwnerThatEndsLeavesItsContentOnTheClipboardButASecretOneLeavesItEmpty)
{
    const LogCapture log;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bild.png"));
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(200, 40, 90));
    ASSERT_TRUE(picture.save(file));
    const QString longText = QString(ModuleZ::kMaxText + 5000, QLatin1Char('l')) + QStringLiteral("ende");
    // A browser-like owner that quits cleanly: rich text, plain text, a type
    // of its own with any bytes, one larger than a property takes at once,
    // one it sends in chunks. Each must come back exactly.
    const QString browserText = QStringLiteral("Fett und Grüße");
    QByteArray big(600 * 1024, 'g'), own("\0\x01\xff privat \0", 12);
    for (qsizetype i = 0; i < big.size(); i += 97)
        big[i] = char('a' + i % 26);
    const std::map<QString, QByteArray> browser = {
        {QStringLiteral("text/html"), "<meta charset=\"utf-8\"><b>Fett</b> und Gr\xc3\xbc\xc3\x9f" "e"},
        {QStringLiteral("UTF8_STRING"), browserText.toUtf8()},
        {QStringLiteral("text/plain;charset=utf-8"), browserText.toUtf8()},
        {QStringLiteral("application/x-merkolo-test-privat"), own},
        {QStringLiteral("text/x-gross"), big},
        {QStringLiteral("text/x-stueckweise"), big.left(5000)}};
    QStringList browserArgs = {QStringLiteral("save")};
    for (const auto &[type, bytes] : browser) {
        const QString path = dir.filePath(QString::number(browserArgs.size()));
        writeFile(path, bytes);
        browserArgs << type + (type == QStringLiteral("text/x-stueckweise") ? QStringLiteral("=%") : QStringLiteral("=@")) + path;
    }
    // The text of an owner that empties the clipboard and runs on.
    const QString cleared = dir.filePath(QStringLiteral("geleert"));
    writeFile(cleared, "geleert, l\xc3\xa4uft weiter");
    const struct {
        const char *owner;
        QString text; // none: the picture
        const char *reader = nullptr; // first a reader of the large kept type that "dies" or "stalls" mid-transfer
    } rows[] = {{"gtk", QStringLiteral("aus GTK kopiert, dann beendet")}, {"gtk", {}}, {"xclip", QStringLiteral("xclip wird beendet")},
                {"xclip", longText}, {"secret", QStringLiteral("geheim")}, {"browser", browserText},
                {"browser", browserText, "dies"}, {"browser", browserText, "stalls"},
                {"clears", QStringLiteral("geleert, läuft weiter")}};
    for (const auto &r : rows) {
        SCOPED_TRACE((QLatin1String(r.owner) + QLatin1Char(' ') + r.text.left(30) + QLatin1Char(' ') + QLatin1String(r.reader))
                         .toStdString());
        const int before = desktop->clipboard.snapshots();
        const qsizetype listed = entries().count(r.text.left(ModuleZ::kMaxText));
        const bool gtk = r.owner == std::string("gtk"), saves = r.owner == std::string("browser"),
                   clears = r.owner == std::string("clears");
        // A running program that empties the clipboard on purpose gets nothing back, as a secret's owner that ends.
        const bool empty = r.owner == std::string("secret") || clears;
        if (saves)
            started.start(QStringLiteral(OFFER_OWNER), browserArgs, "owner");
        else if (clears)
            started.start(QStringLiteral(OFFER_OWNER), {QStringLiteral("clear"), QStringLiteral("UTF8_STRING=@") + cleared}, "owner");
        else if (gtk)
            started.start(QStringLiteral("/usr/bin/python3"), // where python3-gi is installed
                          {GTK_COPY, r.text.isEmpty() ? "picture" : "text", r.text.isEmpty() ? file : r.text, "300"}, "copied");
        else if (r.owner == std::string("secret"))
            started.start(QStringLiteral(SECRET_OWNER), {QStringLiteral("secret"), r.text}); // its text read once, for its fingerprint
        else
            x11::setClipboardText(r.text);
        ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.snapshots() > before; }));
        const int snapshots = desktop->clipboard.snapshots(), beeps = desktop->beeper.count;
        if (gtk) { // it quits by itself
            ASSERT_TRUE(x11::waitUntil([&] { return started.list.back()->state() == QProcess::NotRunning; }, 10000));
        }
        if (saves) { // it asks us to keep all it offers, then quits
            QProcess &owner = *started.list.back();
            owner.closeWriteChannel();
            ASSERT_TRUE(x11::waitUntil([&] { return owner.state() == QProcess::NotRunning; }, 10000));
            EXPECT_EQ(owner.readAllStandardOutput(), "saved\n");
            if (r.reader) { // ended by its window's end at once, or after the patience while it lives on
                const bool dies = r.reader == std::string("dies");
                const QString why = dies ? QStringLiteral("reader's window is gone") : QStringLiteral("reader took nothing");
                const qsizetype ended = log.all().filter(why).size();
                QProcess &reader = started.start(QStringLiteral(STALLED_READER), {QStringLiteral("text/x-gross")}, "stalled");
                if (dies) {
                    reader.kill();
                    reader.waitForFinished();
                }
                EXPECT_TRUE(x11::waitUntil([&] { return log.all().filter(why).size() > ended; }, 15000)) << why.toStdString();
                EXPECT_EQ(reader.state() == QProcess::Running, !dies);
            }
            for (const auto &[type, bytes] : browser) {
                const QByteArray back = x11::readClipboard(type);
                EXPECT_TRUE(back == bytes) << type.toStdString() << ": " << back.size() << " bytes back of " << bytes.size();
            }
        }
        if (clears)
            started.list.back()->closeWriteChannel();
        else {
            x11::stopClipboardOwners(); // SIGKILL, as started's end
            for (auto &p : started.list)
                p->kill();
        }
        if (empty) {
            EXPECT_TRUE(x11::waitUntil([&] { return desktop->beeper.count > beeps; })) << "an empty clipboard";
            EXPECT_EQ(selectionOwner("CLIPBOARD"), 0u);
            continue;
        }
        // A picture comes back as the image store's copy offers it: PNG and BMP.
        EXPECT_TRUE(x11::waitUntil([&] {
            return r.text.isEmpty() ? QImage::fromData(x11::readClipboard(QStringLiteral("image/png")), "PNG").convertToFormat(QImage::Format_RGB32) == picture
                                          && QImage::fromData(x11::readClipboard(QStringLiteral("image/bmp")), "BMP").convertToFormat(QImage::Format_RGB32) == picture
                                    : QString::fromUtf8(x11::readClipboard()) == r.text;
        }));
        EXPECT_TRUE(r.text.isEmpty() || entries().count(r.text.left(ModuleZ::kMaxText)) == listed + 1) << "listed once, cut to the limit";
        // The next copy is the next change: putting back was none, and no empty clipboard came before or after it.
        const QString next = QStringLiteral("danach %1").arg(&r - rows);
        desktop->clipboard.SetText(next); // a copy of our own, as "Kopiere" makes
        EXPECT_TRUE(x11::waitUntil([&] { return entries().value(entries().size() - 1) == next; }));
        EXPECT_EQ(desktop->clipboard.snapshots(), snapshots + 1) << "putting back is no change";
        EXPECT_EQ(desktop->beeper.count, beeps + 1) << "no empty clipboard";
    }
}

// Beside another manager that keeps the role and puts nothing back, what an
// ended owner left empty comes back from us all the same, once.
TEST_F(KeeperE2E, AnotherClipboardManagerKeepsTheRoleAndNothingIsLost)
{
    ASSERT_TRUE(desktop->clipboard.keeping());
    started.start(QStringLiteral(MANAGER_OWNER), {QStringLiteral("silent")}, "manager");
    const quint32 other = selectionOwner("CLIPBOARD_MANAGER");
    EXPECT_TRUE(x11::waitUntil([&] { return !desktop->clipboard.keeping(); }));
    {
        X11Clipboard second; // a start while another manager holds the role
        ASSERT_TRUE(x11::waitUntil([&] { return second.snapshots() > 0; }));
        EXPECT_FALSE(second.keeping());
        EXPECT_EQ(selectionOwner("CLIPBOARD_MANAGER"), other);
    }

    int putBack = 0;
    QObject::connect(&desktop->clipboard, &X11Clipboard::putBack, [&] { ++putBack; });
    const QString text = QStringLiteral("neben einem anderen Verwalter");
    const int before = desktop->clipboard.snapshots();
    x11::setClipboardText(text);
    ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.snapshots() > before && entries().contains(text); }));
    x11::stopClipboardOwners();
    EXPECT_TRUE(x11::waitUntil([&] { return QString::fromUtf8(x11::readClipboard()) == text; }));
    EXPECT_TRUE(x11::waitUntil([&] { return putBack > 0; }));
    EXPECT_EQ(putBack, 1);
    EXPECT_EQ(entries().count(text), 1);
    // The other manager ends: the role is ours again.
    started.list.front()->kill();
    EXPECT_TRUE(x11::waitUntil([&] { return desktop->clipboard.keeping(); }));
}

// The real program, ended by SIGTERM while it holds the clipboard, beside a
// manager that keeps it or one that never answers.
TEST(KeeperEndE2E, EndingHandsTheClipboardToARunningManagerWithoutWaitingLong)
{
    if (!x11::available())
        GTEST_SKIP() << "needs the Xvfb desktop of scripts/test";
    // A manager that keeps what it is handed, one that does so slowly (longer
    // in all than it is ever silent), one that never answers, one that
    // refuses, and one that waits for our role and takes it at our end.
    // The program logs each change it read, and what it kept of it.
    QProcessEnvironment logging = QProcessEnvironment::systemEnvironment();
    logging.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("merkolo.clipboard.info=true"));
    for (const char *mode : {"keep", "slow", "silent", "refuse", "wait"}) {
        SCOPED_TRACE(mode);
        Started started;
        const QString copied = QStringLiteral("von Merkolo gehalten");
        e2e::Program program(QStringLiteral(MERKOLO_BINARY), logging, QFileInfo(QStringLiteral(MERKOLO_BINARY)).absolutePath());
        ASSERT_TRUE(x11::waitUntil([] { return selectionOwner("CLIPBOARD_MANAGER") != 0; }, 10000));
        x11::setClipboardText(copied);
        // Ended before it answered, xclip takes its text along; once read, the text is the program's.
        const QByteArray read = "text of " + QByteArray::number(copied.size()) + " characters; passed on";
        ASSERT_TRUE(x11::waitUntil([&] { return program.log().contains(read); }, 10000)) << "read by the program";
        x11::stopClipboardOwners(); // the program puts it back and owns it
        ASSERT_TRUE(x11::waitUntil([&] { return QString::fromUtf8(x11::readClipboard()) == copied; }));
        const bool waits = QByteArray(mode) == "wait";
        QProcess &manager = started.start(QStringLiteral(MANAGER_OWNER),
                                          waits ? QStringList{QStringLiteral("keep"), QStringLiteral("wait")}
                                                : QStringList{QString::fromLatin1(mode)},
                                          waits ? "waiting" : "manager");
        ::kill(static_cast<pid_t>(program.pid()), SIGTERM);
        EXPECT_TRUE(program.waitForEnd(3000).has_value()) << "the end is held up";
        if (QByteArray(mode) == "keep" || QByteArray(mode) == "slow") {
            EXPECT_TRUE(x11::waitUntil([&] { return manager.readAllStandardOutput().contains("saved"); }));
            EXPECT_EQ(QString::fromUtf8(x11::readClipboard()), copied);
        }
        if (waits) {
            EXPECT_TRUE(x11::waitUntil([&] { return manager.readAllStandardOutput().contains("manager"); }));
            EXPECT_NE(selectionOwner("CLIPBOARD_MANAGER"), 0u);
        }
    }
}

} // namespace
