// One program per user and display: a second start brings the running one
// forward and ends; what a crashed run left behind never blocks a start.

#include "support/logcapture.h"
#include "support/qtprint.h"
#include "support/testdesktop.h"

#include "app/program.h"
#include "app/runtimefolder.h"
#include "app/singleinstance.h"
#include "shell/Starter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using Start = SingleInstance::Start;

namespace {

const QString kDisplay = QStringLiteral(":7");

struct Outcome {
    Start start = Start::Unguarded;
    QString problem;
    qint64 ms = 0;
};

// A later start, as another process makes it: blocking, on a thread of its
// own, while this thread's event loop serves the running instance.
Outcome startElsewhere(const QString &folder, const QString &display = kDisplay, int reachMs = 3000, int answerMs = 5000,
                       const QByteArray &request = {})
{
    Outcome out;
    std::atomic<bool> done = false;
    std::thread other([&] {
        QElapsedTimer clock;
        clock.start();
        SingleInstance second(folder, display);
        second.setPatience(reachMs, answerMs);
        second.setRequest(request);
        out.start = second.start();
        out.problem = second.problem();
        out.ms = clock.elapsed();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    other.join();
    return out;
}

// A socket file with nobody listening, as a killed run leaves it.
void leaveDeadSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray p = QFile::encodeName(path);
    ASSERT_LT(size_t(p.size()), sizeof(addr.sun_path));
    memcpy(addr.sun_path, p.constData(), p.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)), 0);
    ::close(fd);
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

} // namespace

TEST(SingleInstance, ASecondStartIsForwardedToTheFirstForEachDisplayOnItsOwn)
{
    QTemporaryDir run;
    SingleInstance first(run.path(), kDisplay);
    ASSERT_EQ(first.start(), Start::First);
    EXPECT_TRUE(QFileInfo::exists(first.socketPath()));
    EXPECT_TRUE(QFileInfo::exists(first.lockPath()));
    QSignalSpy forwarded(&first, &SingleInstance::forwardRequested);

    for (int i = 1; i <= 2; ++i) {
        const Outcome second = startElsewhere(run.path(), QStringLiteral(":7.0")); // the same display
        EXPECT_EQ(second.start, Start::Forwarded);
        EXPECT_EQ(forwarded.count(), i);
    }
    // A start with a request hands it over instead of bringing the program forward.
    QSignalSpy requested(&first, &SingleInstance::requested);
    EXPECT_EQ(startElsewhere(run.path(), kDisplay, 3000, 5000, "verlauf=an").start, Start::Forwarded);
    ASSERT_EQ(requested.count(), 1);
    EXPECT_EQ(requested.at(0).at(0).toByteArray(), QByteArray("verlauf=an"));
    EXPECT_EQ(forwarded.count(), 2);
    // Another display has a program of its own.
    const Outcome elsewhere = startElsewhere(run.path(), QStringLiteral(":8"));
    EXPECT_EQ(elsewhere.start, Start::First);
    EXPECT_EQ(forwarded.count(), 2);
}

TEST(SingleInstance, AnEndedProgramLeavesNothingAndACrashedOneIsTakenOver)
{
    QTemporaryDir run;
    QString socket, lock;
    {
        SingleInstance first(run.path(), kDisplay);
        ASSERT_EQ(first.start(), Start::First);
        socket = first.socketPath();
        lock = first.lockPath();
    }
    EXPECT_FALSE(QFileInfo::exists(socket));
    EXPECT_FALSE(QFileInfo::exists(lock));

    // What a killed run leaves behind: its socket file and a lock naming a
    // process that is gone, or a lock file that no lock of ours wrote.
    for (const QByteArray &lockContent : {QByteArray("999999999\nmerkolo\n") + QSysInfo::machineHostName().toUtf8() + '\n',
                                         QByteArray("kein Inhalt einer Sperre"), QByteArray()}) {
        SCOPED_TRACE(lockContent.constData());
        leaveDeadSocket(socket);
        writeFile(lock, lockContent);
        SingleInstance next(run.path(), kDisplay);
        next.setPatience(300, 300);
        ASSERT_EQ(next.start(), Start::First);
        EXPECT_EQ(startElsewhere(run.path()).start, Start::Forwarded);
    }
}

TEST(SingleInstance, AForeignFileOrSocketInThePlaceOfTheSocketIsTakenOver)
{
    QTemporaryDir run;
    const QString socket = SingleInstance(run.path(), kDisplay).socketPath();
    writeFile(socket, "keine Steckdose");
    {
        SingleInstance first(run.path(), kDisplay);
        EXPECT_EQ(first.start(), Start::First);
        EXPECT_EQ(startElsewhere(run.path()).start, Start::Forwarded);
    }
    // Something else listens there, without any lock.
    QLocalServer foreign;
    ASSERT_TRUE(foreign.listen(socket));
    SingleInstance first(run.path(), kDisplay);
    EXPECT_EQ(first.start(), Start::First);
    EXPECT_EQ(startElsewhere(run.path()).start, Start::Forwarded);
}

TEST(SingleInstance, WhenNoGuardCanBeSetUpTheProgramRunsAndSaysWhy)
{
    QTemporaryDir run;
    // No runtime folder at all.
    SingleInstance none(QString(), kDisplay);
    EXPECT_EQ(none.start(), Start::Unguarded);
    EXPECT_TRUE(none.problem().startsWith(QStringLiteral("Merkolo kann nicht prüfen, ob es schon läuft:\n"
                                                         "Der Laufzeitordner des Benutzers fehlt (XDG_RUNTIME_DIR).")))
        << none.problem().toStdString();
    SingleInstance missing(run.path() + QStringLiteral("/weg"), kDisplay);
    EXPECT_EQ(missing.start(), Start::Unguarded);
    EXPECT_TRUE(missing.problem().contains(run.path() + QStringLiteral("/weg"))) << missing.problem().toStdString();

    // A folder that cannot be removed stands where the socket goes.
    SingleInstance blocked(run.path(), kDisplay);
    QDir().mkpath(blocked.socketPath() + QStringLiteral("/voll"));
    EXPECT_EQ(blocked.start(), Start::Unguarded);
    EXPECT_TRUE(blocked.problem().contains(QStringLiteral("Der Anschluss für einen zweiten Start lässt sich nicht anlegen:\n")
                                           + blocked.socketPath()))
        << blocked.problem().toStdString();
    EXPECT_TRUE(blocked.problem().endsWith(QStringLiteral("Merkolo startet trotzdem."))) << blocked.problem().toStdString();

    // A folder stands where the lock file goes.
    QTemporaryDir run2;
    SingleInstance lockBlocked(run2.path(), kDisplay);
    QDir().mkpath(lockBlocked.lockPath() + QStringLiteral("/voll"));
    EXPECT_EQ(lockBlocked.start(), Start::Unguarded);
    EXPECT_TRUE(lockBlocked.problem().contains(QStringLiteral("Die Sperrdatei lässt sich nicht anlegen:\n") + lockBlocked.lockPath()))
        << lockBlocked.problem().toStdString();
}

TEST(SingleInstance, ARunningProgramThatDoesNotAnswerIsNamedAndTheStartEnds)
{
    QTemporaryDir run;
    const SingleInstance names(run.path(), kDisplay);
    // A live holder of the lock whose socket never answers, then one with no socket at all.
    QLockFile held(names.lockPath());
    ASSERT_TRUE(held.tryLock(0));
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(names.socketPath()));
    const QString expected = QStringLiteral("Merkolo läuft bereits (Prozess %1), antwortet aber nicht.\n"
                                            "Beenden Sie dieses Merkolo und starten Sie es dann neu.")
                                 .arg(QCoreApplication::applicationPid());
    Outcome out = startElsewhere(run.path(), kDisplay, 300, 300);
    EXPECT_EQ(out.start, Start::Refused);
    EXPECT_EQ(out.problem, expected);
    EXPECT_TRUE(held.isLocked());

    silent.close();
    out = startElsewhere(run.path(), kDisplay, 300, 300);
    EXPECT_EQ(out.start, Start::Refused);
    EXPECT_EQ(out.problem, expected);
    EXPECT_GE(out.ms, 300);
    EXPECT_TRUE(QFileInfo::exists(names.lockPath()));
}

TEST(SingleInstance, ClientsThatSayNothingOrSomethingElseAreDroppedAndTheNextIsServed)
{
    QTemporaryDir run;
    SingleInstance first(run.path(), kDisplay);
    ASSERT_EQ(first.start(), Start::First);
    QSignalSpy forwarded(&first, &SingleInstance::forwardRequested);

    QLocalSocket mute, other, flood;
    for (QLocalSocket *s : {&mute, &other, &flood})
        s->connectToServer(first.socketPath());
    other.write("zeige\n");
    flood.write(QByteArray(100000, 'x'));
    QElapsedTimer clock;
    clock.start();
    while ((other.state() != QLocalSocket::UnconnectedState || flood.state() != QLocalSocket::UnconnectedState)
           && clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(other.state(), QLocalSocket::UnconnectedState);
    EXPECT_EQ(flood.state(), QLocalSocket::UnconnectedState);
    EXPECT_TRUE(other.readAll().isEmpty());
    EXPECT_EQ(forwarded.count(), 0);

    // The mute one, still connected, keeps nobody waiting.
    EXPECT_EQ(mute.state(), QLocalSocket::ConnectedState);
    EXPECT_EQ(startElsewhere(run.path()).start, Start::Forwarded);
    EXPECT_EQ(forwarded.count(), 1);
}

TEST(SingleInstance, DisplayNamesGiveSafeFileNames)
{
    // A Wayland desktop by its socket, relative to the runtime folder or not, through a link or not.
    QTemporaryDir run;
    const QString runtime = run.path() + QStringLiteral("/run");
    ASSERT_TRUE(QDir().mkpath(runtime));
    ASSERT_TRUE(QFile::link(runtime, run.path() + QStringLiteral("/link")));
    const QString elsewhere = QDir::cleanPath(run.path()) + QStringLiteral("/anderswo/wl-9");
    const QString elsewhereKey = QString(elsewhere).replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    const struct {
        const char *display;
        QString wayland;
        QString key;
    } cases[] = {
        {":0", {}, "_0"}, {":0.0", {}, "_0"}, {"unix:176", {}, "_176"}, {"unix:176.1", {}, "_176"},
        {"localhost:10.0", {}, "localhost_10"}, {"", {}, "default"}, {"../../x:1", {}, ".._.._x_1"},
        {"wayland-0", {}, "wayland-0"}, {":1", "wayland-1", "wayland-1"}, {"", runtime + "/wayland-1", "wayland-1"},
        {":2", run.path() + "/link/wayland-1", "wayland-1"}, {"", runtime + "/./wayland-1/", "wayland-1"},
        {"", elsewhere, elsewhereKey}, {"", "../anderswo/wl-9", elsewhereKey},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SingleInstance::displayKey(QString::fromLatin1(c.display), c.wayland, runtime), c.key)
            << c.display << " " << c.wayland.toStdString();
}

TEST(SingleInstance, ASecondStartBringsTheSelectorForwardAsTheIconsDoubleClickDoes)
{
    QTemporaryDir run;
    TestDesktop desk;
    SingleInstance first(run.path(), kDisplay);
    ASSERT_EQ(first.start(), Start::First);
    QObject::connect(&first, &SingleInstance::forwardRequested, &first, [&desk] { program::bringForward(*desk.forms); });

    Starter &s = desk.forms->get<Starter>();
    s.Show();
    s.Picture5_Click(); // to the notification area
    ASSERT_TRUE(s.isHidden());
    ASSERT_FALSE(s.menuBarVisible());
    ASSERT_FALSE(desk.tray.taskVisible());

    EXPECT_EQ(startElsewhere(run.path()).start, Start::Forwarded);
    EXPECT_TRUE(s.isVisible());
    EXPECT_TRUE(s.menuBarVisible());
    EXPECT_TRUE(desk.tray.taskVisible());
    EXPECT_EQ(desk.tray.icons.size(), 1u); // the one icon stays

    // A program that is ending ignores the request.
    s.Label3_Click();
    EXPECT_EQ(startElsewhere(run.path()).start, Start::Forwarded);
}

// Without XDG_RUNTIME_DIR the program picks the folder for its lock and
// socket itself, private to the user, and the toolkit says nothing.
TEST(RuntimeFolder, WithoutTheVariableAFolderOnlyTheUserMayEnterIsChosenSilently)
{
    QTemporaryDir t;
    auto mode = [&t](const char *name) {
        struct stat st {};
        return ::lstat(QFile::encodeName(t.filePath(QString::fromLatin1(name))).constData(), &st) == 0
                   ? int(st.st_mode & 07777) : -1;
    };
    QDir(t.path()).mkdir(QStringLiteral("weit"));
    ::chmod(QFile::encodeName(t.filePath(QStringLiteral("weit"))).constData(), 0755);
    QFile::link(t.filePath(QStringLiteral("weit")), t.filePath(QStringLiteral("link")));
    writeFile(t.filePath(QStringLiteral("datei")), "x");
    const uid_t me = geteuid();
    // Made or narrowed when the user's own; a link, a file or another user's folder is refused unchanged.
    const std::tuple<const char *, uid_t, bool, int> rows[] = {
        {"link", me, false, 0777}, {"weit", me + 1, false, 0755}, {"datei", me, false, 0644},
        {"neu/tiefer", me, true, 0700}, {"weit", me, true, 0700}};
    for (const auto &[name, owner, made, after] : rows) {
        EXPECT_EQ(runtimefolder::makePrivate(t.filePath(QString::fromLatin1(name)), owner), made) << name;
        EXPECT_EQ(mode(name), after) << name;
    }
    const QByteArray oldTemp = qgetenv("TMPDIR");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(t.path()));
    qunsetenv("XDG_RUNTIME_DIR");
    const LogCapture log;
    const QString chosen = runtimefolder::ensure();
    EXPECT_EQ(QFileInfo(chosen).dir(), QDir(t.path()));
    EXPECT_EQ(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), chosen);
    EXPECT_TRUE(log.all().filter(QStringLiteral("QStandardPaths")).isEmpty()) << log.all().join('|').toStdString();
    wasSet ? qputenv("XDG_RUNTIME_DIR", oldRuntime) : qunsetenv("XDG_RUNTIME_DIR");
    oldTemp.isEmpty() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", oldTemp);
}
