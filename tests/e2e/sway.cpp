#include "sway.h"

#include "x11.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

Sway::Sway()
{
    if (QStandardPaths::findExecutable(QStringLiteral("sway")).isEmpty()) {
        m_problem = QStringLiteral("sway is not installed (scripts/setup installs it)");
        return;
    }
    m_uid = ::getuid();
    m_gid = ::getgid();
    if (m_uid == 0) {
        const QString name = QStringLiteral("merkolo-sway-%1").arg(::getpid());
        int rc = -1;
        x11::run(QStringLiteral("useradd"), {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                                             QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"), name},
                 {}, 10000, &rc);
        const passwd *pw = rc == 0 ? ::getpwnam(name.toLocal8Bit().constData()) : nullptr;
        if (!pw) {
            m_problem = QStringLiteral("no user for sway (useradd %1 failed)").arg(name);
            return;
        }
        m_user = name;
        m_uid = pw->pw_uid;
        m_gid = pw->pw_gid;
    }
    QByteArray folder = QDir::temp().filePath(QStringLiteral("merkolo-sway-XXXXXX")).toLocal8Bit();
    if (!::mkdtemp(folder.data()) || ::chown(folder.constData(), m_uid, m_gid) != 0) {
        m_problem = QStringLiteral("no runtime folder for sway");
        return;
    }
    m_folder = QString::fromLocal8Bit(folder); // mkdtemp made it 0700
    QFile config(m_folder + QStringLiteral("/config"));
    config.open(QIODevice::WriteOnly);
    // Xwayland at once, and its DISPLAY told in a file once root (the
    // test, when sway runs as the user made for it) may connect to it.
    const bool xwayland = !QStandardPaths::findExecutable(QStringLiteral("Xwayland")).isEmpty();
    const QString allowRoot = m_user.isEmpty() ? QString() : QStringLiteral("xhost +si:localuser:root >/dev/null; ");
    config.write(xwayland ? "xwayland force\n" : "xwayland disable\n");
    if (xwayland)
        config.write(("exec sh -c '" + allowRoot + "printf %s \"$DISPLAY\" > " + m_folder + "/x11-display.new && mv " + m_folder
                      + "/x11-display.new " + m_folder + "/x11-display'\n").toLocal8Bit());
    config.close();

    launch();
}

void Sway::launch()
{
    const QString wanted = m_display;
    m_display.clear();
    // What an earlier sway of this folder told is told anew.
    QFile::remove(m_folder + QStringLiteral("/x11-display"));
    m_x11Display.clear();
    const bool xwayland = !QStandardPaths::findExecutable(QStringLiteral("Xwayland")).isEmpty();
    m_sway = start(QStringLiteral("sway"), {QStringLiteral("-c"), m_folder + QStringLiteral("/config")},
                   QStringLiteral("sway.log"));
    const QDir dir(m_folder);
    x11::waitUntil([&] {
        for (const QString &e : dir.entryList({QStringLiteral("wayland-*")}, QDir::System)) {
            if (!e.endsWith(QStringLiteral(".lock")))
                m_display = dir.filePath(e);
        }
        return !m_display.isEmpty() || m_sway->state() == QProcess::NotRunning;
    }, 10000);
    if (m_display.isEmpty() || (!wanted.isEmpty() && m_display != wanted)) {
        QFile log(dir.filePath(QStringLiteral("sway.log")));
        log.open(QIODevice::ReadOnly);
        m_problem = QStringLiteral("sway did not start: ") + QString::fromLocal8Bit(log.readAll().right(600)).trimmed();
        return;
    }
    m_problem.clear();
    QFile told(dir.filePath(QStringLiteral("x11-display")));
    if (xwayland && x11::waitUntil([&] { return told.exists(); }, 10000) && told.open(QIODevice::ReadOnly))
        m_x11Display = QString::fromLocal8Bit(told.readAll()).trimmed();
    m_window = start(QStringLiteral("foot"),
                     {QStringLiteral("-a"), QStringLiteral("merkolo-fokus"), QStringLiteral("sleep"), QStringLiteral("600")},
                     QStringLiteral("foot.log"));
}

std::unique_ptr<QProcess> Sway::start(const QString &program, const QStringList &args, const QString &log)
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env;
    const QStringList vars = {QStringLiteral("PATH=") + qEnvironmentVariable("PATH"), QStringLiteral("HOME=") + m_folder,
                              QStringLiteral("XDG_RUNTIME_DIR=") + m_folder, QStringLiteral("WAYLAND_DISPLAY=") + m_display,
                              QStringLiteral("WLR_BACKENDS=headless"), QStringLiteral("WLR_RENDERER=pixman"),
                              QStringLiteral("WLR_LIBINPUT_NO_DEVICES=1")};
    for (const QString &v : vars)
        env.insert(v.section(QLatin1Char('='), 0, 0), v.section(QLatin1Char('='), 1));
    p->setProcessEnvironment(env);
    // Started in its own folder: the user made for sway may not enter the
    // folder the tests run in (a checkout under a home of mode 0700).
    p->setWorkingDirectory(m_folder);
    p->setStandardOutputFile(m_folder + QLatin1Char('/') + log);
    p->setStandardErrorFile(m_folder + QLatin1Char('/') + log);
    // The program itself runs as the user: its id is the one ended.
    if (!m_user.isEmpty())
        p->setChildProcessModifier([uid = m_uid, gid = m_gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(127);
        });
    p->start(program, args);
    p->waitForStarted(5000);
    return p;
}

Sway::~Sway()
{
    end();
    if (!m_folder.isEmpty())
        QDir(m_folder).removeRecursively();
    if (!m_user.isEmpty())
        x11::run(QStringLiteral("userdel"), {m_user});
}

void Sway::end()
{
    for (QProcess *p : {m_window.get(), m_sway.get()}) {
        if (p && p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished(2000);
            }
        }
    }
}

bool Sway::again()
{
    end();
    // A socket left by a killed sway would pass for the new one.
    const QDir dir(m_folder);
    for (const QString &e : dir.entryList({QStringLiteral("wayland-*")}, QDir::System))
        QFile::remove(dir.filePath(e));
    launch();
    return m_problem.isEmpty();
}

QString Sway::socket() const
{
    const QDir dir(m_folder);
    const QStringList ipc = dir.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
    return ipc.isEmpty() ? QString() : dir.filePath(ipc.first());
}

QByteArray Sway::message(const QStringList &args) const
{
    const QString ipc = socket();
    if (ipc.isEmpty())
        return {};
    return x11::run(QStringLiteral("swaymsg"), QStringList{QStringLiteral("-s"), ipc} + args);
}

QList<Sway::View> Sway::views() const
{
    QList<View> views;
    std::function<void(const QJsonObject &, bool)> walk = [&](const QJsonObject &node, bool floating) {
        if (node.contains(QStringLiteral("pid"))) {
            auto rect = [&](const char *key) {
                const QJsonObject r = node.value(QLatin1String(key)).toObject();
                return QRect(r.value(QStringLiteral("x")).toInt(), r.value(QStringLiteral("y")).toInt(),
                             r.value(QStringLiteral("width")).toInt(), r.value(QStringLiteral("height")).toInt());
            };
            // rect leaves out the title bar above it; window_rect lies within rect.
            const QRect r = rect("rect"), w = rect("window_rect");
            views << View{node.value(QStringLiteral("name")).toString(),
                          node.value(QStringLiteral("shell")).toString() == QStringLiteral("xwayland"), floating,
                          w.translated(r.topLeft()), r.adjusted(0, -rect("deco_rect").height(), 0, 0)};
        }
        for (const QJsonValue &kid : node.value(QStringLiteral("nodes")).toArray())
            walk(kid.toObject(), floating);
        for (const QJsonValue &kid : node.value(QStringLiteral("floating_nodes")).toArray())
            walk(kid.toObject(), true);
    };
    walk(QJsonDocument::fromJson(message({QStringLiteral("-t"), QStringLiteral("get_tree")})).object(), false);
    return views;
}

QString Sway::focused() const
{
    const QByteArray tree = message({QStringLiteral("-t"), QStringLiteral("get_tree")});
    if (tree.isEmpty())
        return {};
    std::function<QString(const QJsonObject &)> walk = [&](const QJsonObject &node) {
        QString found = node.value(QStringLiteral("focused")).toBool() ? node.value(QStringLiteral("app_id")).toString() : QString();
        for (const char *kids : {"nodes", "floating_nodes"}) {
            for (const QJsonValue &kid : node.value(QLatin1String(kids)).toArray())
                found = found.isEmpty() ? walk(kid.toObject()) : found;
        }
        return found;
    };
    return walk(QJsonDocument::fromJson(tree).object());
}
