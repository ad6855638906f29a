#include "program.h"

#include "x11.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <cstdio>

namespace e2e {

namespace {

struct XWindow {
    QString id;
    QString title;
    QString className;
    QRect rect; // absolute
    bool overrideRedirect = false;
};

// Every viewable window of the program's class with its absolute geometry.
std::vector<XWindow> programWindows()
{
    std::vector<XWindow> out;
    const QByteArray ids = x11::run(QStringLiteral("xdotool"),
                                    {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--classname"), QStringLiteral("^merkolo$")});
    for (const QByteArray &id : ids.split('\n')) {
        if (id.trimmed().isEmpty())
            continue;
        const QString info = QString::fromUtf8(x11::run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::fromLatin1(id.trimmed())}));
        auto number = [&](const char *label) {
            const QRegularExpression re(QString::fromLatin1(label) + QStringLiteral(":\\s*(-?\\d+)"));
            const auto m = re.match(info);
            return m.hasMatch() ? m.captured(1).toInt() : -1;
        };
        if (!info.contains(QStringLiteral("Map State: IsViewable")))
            continue;
        XWindow w;
        w.id = QString::fromLatin1(id.trimmed());
        const auto name = QRegularExpression(QStringLiteral("Window id: \\S+ \"(.*)\"")).match(info);
        w.title = name.hasMatch() ? name.captured(1) : QString();
        w.rect = QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"),
                       number("Height"));
        w.overrideRedirect = info.contains(QStringLiteral("Override Redirect State: yes"));
        out.push_back(w);
    }
    return out;
}

} // namespace

Program::Program()
    : Program(QStringLiteral(MERKOLO_BINARY), QProcessEnvironment::systemEnvironment(),
              QFileInfo(QStringLiteral(MERKOLO_BINARY)).absolutePath())
{
}

Program::Program(const QString &binary, const QProcessEnvironment &environment, const QString &workingDirectory)
{
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(workingDirectory);
    m_process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    QObject::connect(&m_process, &QProcess::readyReadStandardError, [this] {
        const QByteArray more = m_process.readAllStandardError();
        std::fwrite(more.constData(), 1, size_t(more.size()), stderr);
        m_log += more;
    });
    m_process.start(binary, {});
    EXPECT_TRUE(m_process.waitForStarted(10000)) << binary.toStdString() << " started";
}

Program::~Program()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool Program::copied(const QString &text)
{
    const QByteArray captured = "text of " + QByteArray::number(text.size()) + " characters; passed on to the capture";
    const qsizetype before = m_log.count(captured);
    x11::setClipboardText(text);
    return x11::waitUntil([&] { return m_log.count(captured) > before; }, 10000);
}

QProcessEnvironment withClipboardLog(QProcessEnvironment environment)
{
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("merkolo.clipboard.info=true"));
    return environment;
}

bool Program::running() const
{
    return m_process.state() != QProcess::NotRunning;
}

std::optional<int> Program::waitForEnd(int timeoutMs)
{
    if (!x11::waitUntil([this] { return !running(); }, timeoutMs))
        return std::nullopt;
    if (m_process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return m_process.exitCode();
}

std::optional<QRect> visibleWindow(const QString &title)
{
    for (const XWindow &w : programWindows()) {
        if (w.title == title && !w.overrideRedirect)
            return w.rect;
    }
    return std::nullopt;
}

std::optional<QString> windowState(const QString &title)
{
    for (const XWindow &w : programWindows()) {
        if (w.title == title && !w.overrideRedirect)
            return QString::fromLatin1(
                x11::run(QStringLiteral("xprop"), {QStringLiteral("-id"), w.id, QStringLiteral("_NET_WM_STATE")}));
    }
    return std::nullopt;
}

std::optional<QRect> trayIcon()
{
    const QRect s = screen();
    for (const XWindow &w : programWindows()) {
        // Docked icons are small and lie in the host at the lower right.
        if (w.rect.width() <= 32 && w.rect.height() <= 32 && w.rect.center().y() > s.height() * 3 / 4
            && w.rect.center().x() > s.width() / 2)
            return w.rect;
    }
    return std::nullopt;
}

std::optional<QRect> popUpMenu()
{
    for (const XWindow &w : programWindows()) {
        if (w.overrideRedirect && w.rect.height() > 100)
            return w.rect;
    }
    return std::nullopt;
}

QRect screen()
{
    const QStringList wh = QString::fromUtf8(x11::run(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")}))
                               .simplified()
                               .split(QLatin1Char(' '));
    return wh.size() == 2 ? QRect(0, 0, wh[0].toInt(), wh[1].toInt()) : QRect();
}

qint64 wakeUps(qint64 pid)
{
    qint64 sum = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.contains("ctxt_switches:"))
                sum += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return sum;
}

void click(const QPoint &at, int button, int count)
{
    x11::run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
    x11::run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(count),
                                         QStringLiteral("--delay"), QStringLiteral("80"), QString::number(button)});
}

} // namespace e2e
