#include "x11.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace x11 {

namespace {
std::vector<std::unique_ptr<QProcess>> &owners()
{
    static std::vector<std::unique_ptr<QProcess>> list;
    return list;
}
} // namespace

bool available()
{
    const bool there = !qEnvironmentVariableIsEmpty("DISPLAY") && QGuiApplication::platformName() == QLatin1String("xcb");
    // scripts/test always provides a desktop: there a missing one is a failure, not a skip.
    if (!there && !qEnvironmentVariableIsEmpty("MERKOLO_REQUIRE_DISPLAY"))
        ADD_FAILURE() << "no X display although scripts/test started one";
    return there;
}

QByteArray run(const QString &program, const QStringList &args, const QByteArray &input, int timeoutMs,
               int *exitCode)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(timeoutMs))
        return {};
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    QElapsedTimer t;
    t.start();
    // Keep our own event loop turning: the other program may be asking us for the clipboard.
    while (p.state() != QProcess::NotRunning && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        p.waitForFinished(5);
    }
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(1000);
    }
    if (exitCode)
        *exitCode = p.exitCode();
    return p.readAllStandardOutput();
}

void setClipboardData(const QByteArray &data, const QString &mimeType)
{
    auto p = std::make_unique<QProcess>();
    p->setProcessChannelMode(QProcess::MergedChannels);
    // In the foreground (-quiet) xclip stays the process we started, so it
    // can be ended by its id; it says when it owns the selection.
    p->start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                       QStringLiteral("clipboard"), QStringLiteral("-t"), mimeType,
                                       QStringLiteral("-i")});
    p->waitForStarted(5000);
    p->write(data);
    p->closeWriteChannel();
    QByteArray said;
    QElapsedTimer t;
    t.start();
    while (p->state() != QProcess::NotRunning && !said.contains("Waiting for selection") && t.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        p->waitForReadyRead(5);
        said += p->readAll();
    }
    owners().push_back(std::move(p));
}

void setClipboardText(const QString &text)
{
    setClipboardData(text.toUtf8(), QStringLiteral("UTF8_STRING"));
}

void setClipboardImage(const QImage &image)
{
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    image.save(&buf, "PNG");
    setClipboardData(png, QStringLiteral("image/png"));
}

QByteArray readClipboard(const QString &target)
{
    return run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                         QStringLiteral("-t"), target, QStringLiteral("-o")});
}

void stopClipboardOwners()
{
    // Only the owners this process started: anybody else's xclip lives on.
    for (auto &p : owners()) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(2000);
        }
    }
    owners().clear();
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

} // namespace x11
