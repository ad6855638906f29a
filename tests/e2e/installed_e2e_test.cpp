// The program installed into a staging folder and started from there, as a
// user would start it from the desktop menu: its files go into a folder of
// the user's own, the install tree stays as it was, and a second start only
// brings the running program forward.

#include "program.h"
#include "support/files.h"
#include "support/qtprint.h"
#include "x11.h"

#include "app/historycontrol.h"
#include "app/singleinstance.h"
#include "platform/history/sqlitehistory.h"
#include "shell/optionsfile.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <map>

#include <csignal>

namespace {

const QString kSelector = QStringLiteral("Merkolo-Auswahl: Quenta");
const QString kTextStore = QStringLiteral("Merkolo-Text");
const QString kOneEntry = QStringLiteral("Speicher Liste: 1 Einträg in der Liste !");

QPoint at(const QRect &client, int left, int top)
{
    return client.topLeft() + QPoint(left / 15, top / 15);
}

void press(const QString &keys)
{
    x11::run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
}

// Every file and folder below `root` with its size and time of change.
std::map<QString, QString> snapshot(const QString &root)
{
    std::map<QString, QString> out;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo f(it.next());
        out[f.filePath()] = QString::number(f.size()) + QLatin1Char(' ') + f.lastModified().toString(Qt::ISODateWithMs);
    }
    return out;
}

class InstalledE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!x11::available())
            GTEST_SKIP() << "needs the X11 desktop of scripts/xdesktop";
        ASSERT_TRUE(work.isValid());
        // Staged as a package build would: DESTDIR, then the prefix.
        QProcess install;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), stage());
        install.setProcessEnvironment(env);
        install.start(QStringLiteral(CMAKE_COMMAND),
                      {QStringLiteral("--install"), QStringLiteral(MERKOLO_BUILD_DIR), QStringLiteral("--prefix"),
                       QStringLiteral("/usr")});
        ASSERT_TRUE(install.waitForFinished(60000));
        ASSERT_EQ(install.exitCode(), 0) << install.readAllStandardError().toStdString();
        ASSERT_TRUE(QFileInfo(binary()).isExecutable());
        QDir().mkpath(home());
        QDir().mkpath(runtime());
        QFile::setPermissions(runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // No text on the clipboard: what the store captures is what the test copies.
        x11::setClipboardImage(QImage(8, 8, QImage::Format_RGB32));
        // The desktop's file opener, recording what it is asked to open.
        QDir().mkpath(work.filePath(QStringLiteral("bin")));
        QFile opener(work.filePath(QStringLiteral("bin/xdg-open")));
        ASSERT_TRUE(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + opened().toUtf8() + "\"\n");
        opener.close();
        opener.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    void TearDown() override { x11::stopClipboardOwners(); }

    QString stage() const { return work.filePath(QStringLiteral("stage")); }
    QString binary() const { return stage() + QStringLiteral("/usr/bin/merkolo"); }
    QString home() const { return work.filePath(QStringLiteral("home")); }
    QString runtime() const { return work.filePath(QStringLiteral("run")); }
    QString userFolder() const { return home() + QStringLiteral("/.local/share/merkolo"); }
    QString opened() const { return work.filePath(QStringLiteral("opened.txt")); }
    QStringList openedUrls() const
    {
        QFile f(opened());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                           : QStringList();
    }

    // A user of their own: a home folder and a runtime folder, nothing else of the tester's.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), home());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        env.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
        env.insert(QStringLiteral("PATH"), work.filePath(QStringLiteral("bin")) + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
        // Each change it reads is logged: a copy is waited for until it is in.
        return e2e::withClipboardLog(env);
    }

    // Starts the installed program from its own bin folder, so that anything
    // written relative to the working folder would land in the install tree.
    std::unique_ptr<e2e::Program> start()
    {
        return std::make_unique<e2e::Program>(binary(), environment(), QFileInfo(binary()).absolutePath());
    }

    // Clicks "Text-Speicher-Liste" and waits for the text store.
    QRect openTextStore(const QRect &selector)
    {
        e2e::click(at(selector, 2040 + 847, 510 + 127));
        std::optional<QRect> store;
        EXPECT_TRUE(x11::waitUntil([&] { return (store = e2e::visibleWindow(kTextStore)).has_value(); }, 10000));
        EXPECT_TRUE(x11::caughtUp()); // placed and framed by the window manager
        return store.value_or(QRect());
    }

    QTemporaryDir work;
};

} // namespace

TEST_F(InstalledE2E, KeepsItsFilesInAFolderPerUserAndASecondStartBringsItForward)
{
    const auto installed = snapshot(stage());
    // A crashed run's leftovers in the runtime folder do not block the start.
    const SingleInstance names(runtime(), qEnvironmentVariable("DISPLAY"));
    for (const QString &left : {names.socketPath(), names.lockPath()}) {
        QFile f(left);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("999999999\nmerkolo\n");
    }

    auto program = start();
    std::optional<QRect> selector;
    ASSERT_TRUE(x11::waitUntil([&] { return (selector = e2e::visibleWindow(kSelector)).has_value(); }, 15000));
    // Created on the first start.
    for (const char *sub : {"einstellung", "text", "bilder"})
        EXPECT_TRUE(QFileInfo(userFolder() + QLatin1Char('/') + QLatin1String(sub)).isDir()) << sub;
    // The help picture opens the installed help page.
    e2e::click(at(*selector, 120 + 187, 187));
    EXPECT_TRUE(x11::waitUntil([&] { return !openedUrls().isEmpty(); }, 5000));
    EXPECT_EQ(openedUrls(), QStringList{QUrl::fromLocalFile(stage() + QStringLiteral("/usr/share/merkolo/mk-hilfe/index.html")).toString()});
    // The text store's "Automatisch", read from the user's options file.
    ASSERT_TRUE(optionsfile::write(optionsfile::textPath(userFolder()), optionsfile::format({1})));

    QRect store = openTextStore(*selector);
    ASSERT_FALSE(store.isNull());
    const QString copied = QStringLiteral("im Installierten gemerkt");
    ASSERT_TRUE(program->copied(copied));
    e2e::click(at(store, 1200, 60)); // the first entry
    std::optional<QRect> counted;
    ASSERT_TRUE(x11::waitUntil([&] { return (counted = e2e::visibleWindow(kOneEntry)).has_value(); }, 5000));

    // "Speichern" in the large layout writes into the user's text folder.
    e2e::click(at(*counted, 2850, 150));
    ASSERT_TRUE(x11::waitUntil([&] {
        counted = e2e::visibleWindow(kOneEntry);
        return counted && counted->width() > 5000 / 15;
    }, 5000));
    e2e::click(at(*counted, 540, 3150));
    ASSERT_TRUE(x11::waitUntil([&] { return e2e::visibleWindow(QStringLiteral("Merkolo")).has_value(); }, 5000));
    const QStringList saved = QDir(userFolder() + QStringLiteral("/text")).entryList(QDir::Files);
    ASSERT_EQ(saved.size(), 1);
    QFile text(userFolder() + QStringLiteral("/text/") + saved.at(0));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(text.readAll(), copied.toLatin1() + "\r\n");
    press(QStringLiteral("Return"));
    ASSERT_TRUE(x11::waitUntil([&] { return !e2e::visibleWindow(QStringLiteral("Merkolo")).has_value(); }, 5000));

    // Escape closes the store (it stays on top of everything); the program
    // lives on in the notification area.
    e2e::click(at(*counted, 2000, 900));
    press(QStringLiteral("Escape"));
    ASSERT_TRUE(x11::waitUntil([&] { return !e2e::visibleWindow(kOneEntry).has_value(); }, 5000));

    // A second start while the selector is in the notification area: it comes
    // forward, and the second program ends at once with status 0.
    ASSERT_FALSE(e2e::visibleWindow(kSelector).has_value());
    QProcess second;
    second.setProcessEnvironment(environment());
    second.setWorkingDirectory(home());
    second.start(binary(), {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    std::optional<QRect> back;
    // Back where it was, with the menu bar above the unchanged client area.
    ASSERT_TRUE(x11::waitUntil([&] {
        back = e2e::visibleWindow(kSelector);
        return back && back->height() > selector->height();
    }, 5000));
    EXPECT_EQ(back->topLeft(), selector->topLeft());
    EXPECT_TRUE(program->running());
    EXPECT_TRUE(e2e::trayIcon().has_value());

    // "Exit" below the menu bar ends it; nothing is left in the runtime folder.
    const int bar = back->height() - selector->height();
    e2e::click(at(back->adjusted(0, bar, 0, 0), 5760 + 307, 510 + 127));
    const std::optional<int> exitCode = program->waitForEnd(15000);
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0);
    EXPECT_TRUE(QDir(runtime()).isEmpty());
    EXPECT_EQ(snapshot(stage()), installed) << "the install tree changed";
    EXPECT_TRUE(QFileInfo::exists(userFolder() + QStringLiteral("/einstellung/optionen2.txt")));
}

TEST_F(InstalledE2E, APerUserFolderThatCannotBeMadeIsNamedAndCaptureGoesOn)
{
    // A file where the user's folder belongs.
    QDir().mkpath(home() + QStringLiteral("/.local/share"));
    QFile blocker(userFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const auto installed = snapshot(stage());

    auto program = start();
    std::optional<QRect> selector;
    ASSERT_TRUE(x11::waitUntil([&] {
        return e2e::visibleWindow(QStringLiteral("Merkolo")) && (selector = e2e::visibleWindow(kSelector)).has_value();
    }, 15000));
    press(QStringLiteral("Return"));
    ASSERT_TRUE(x11::waitUntil([&] { return !e2e::visibleWindow(QStringLiteral("Merkolo")).has_value(); }, 5000));

    // The text store takes in what is copied (paste icon; "Automatisch" is off).
    const QRect store = openTextStore(*selector);
    ASSERT_FALSE(store.isNull());
    ASSERT_TRUE(program->copied(QStringLiteral("trotzdem aufgenommen")));
    e2e::click(at(store, 180, 127));
    e2e::click(at(store, 1200, 60));
    EXPECT_TRUE(x11::waitUntil([&] { return e2e::visibleWindow(kOneEntry).has_value(); }, 5000));
    EXPECT_TRUE(program->running());
    EXPECT_TRUE(QFileInfo(userFolder()).isFile());
    EXPECT_EQ(snapshot(stage()), installed);
}

// With the history on, a program killed after its captures comes back with
// the same list and the same slots, and capture goes on from the next slot.
TEST_F(InstalledE2E, WithTheHistoryOnAKilledProgramComesBackWithItsListAndSlots)
{
    ASSERT_TRUE(optionsfile::write(optionsfile::textPath(userFolder()), optionsfile::format({1})));
    ASSERT_TRUE(optionsfile::write(optionsfile::imagePath(userFolder()), optionsfile::format({0, 1})));
    writeFile(historyswitch::settingPath(userFolder()), "an\n");
    const QString file = historyswitch::historyPath(userFolder());
    const QStringList texts = {QStringLiteral("zuerst gemerkt"), QStringLiteral("dann gemerkt: Grüße")};
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(qRgb(30, 120, 200));
    picture.setPixel(5, 7, qRgb(255, 0, 0));

    // Each store from the selector, which reads its options; the selector
    // hides once a store shows, and a second start brings it back.
    const auto openStores = [&](const QString &imageStore) {
        std::optional<QRect> selector, images;
        EXPECT_TRUE(x11::waitUntil([&] { return (selector = e2e::visibleWindow(kSelector)).has_value(); }, 15000));
        const QRect text = openTextStore(selector.value_or(QRect()));
        EXPECT_EQ(start()->waitForEnd(), 0);
        EXPECT_TRUE(x11::waitUntil([&] { return (selector = e2e::visibleWindow(kSelector)).has_value(); }, 5000));
        e2e::click(at(selector.value_or(QRect()), 967, 637)); // "Bilder-Speicher-Liste"
        EXPECT_TRUE(x11::waitUntil([&] { return (images = e2e::visibleWindow(imageStore)).has_value(); }, 10000));
        return std::make_pair(images.value_or(QRect()), text);
    };

    auto program = start();
    openStores(QStringLiteral("Merkolo, Quenta"));
    for (const QString &t : texts) {
        x11::setClipboardText(t);
        ASSERT_TRUE(x11::waitUntil([&] { return SqliteHistory(file).takeTexts(10).contains(t); }, 5000));
    }
    x11::setClipboardImage(picture);
    ASSERT_TRUE(x11::waitUntil([&] { return SqliteHistory(file).takePictures().pictures[0].has_value(); }, 5000));
    ::kill(pid_t(program->pid()), SIGKILL);
    program->waitForEnd();
    x11::stopClipboardOwners();

    program = start();
    // The image store shows the slot capture had gone on to.
    const auto [images, store] = openStores(QStringLiteral("Merkolo: Achtung [ Bild-1]  Speicher ist Aktiv !"));
    e2e::click(at(store, 1200, 60)); // the first entry
    const QString counted = QStringLiteral("Speicher Liste: 2 Einträg in der Liste !");
    ASSERT_TRUE(x11::waitUntil([&] { return e2e::visibleWindow(counted).has_value(); }, 5000));
    e2e::click(at(store, 200, 430)); // the copy icon
    EXPECT_TRUE(x11::waitUntil([&] { return x11::readClipboard() == texts[0].toUtf8(); }, 5000));
    // Slot 0 holds the picture: a click on "Bild 0", then "Kopieren".
    e2e::click(at(images, 1320 + 547, 720 + 120));
    e2e::click(at(images, 1320 + 487, 960 + 187));
    EXPECT_TRUE(x11::waitUntil([&] {
        return QImage::fromData(x11::readClipboard(QStringLiteral("image/png"))).convertToFormat(QImage::Format_RGB32) == picture;
    }, 5000));
}
