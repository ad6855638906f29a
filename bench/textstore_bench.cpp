// The text store's transfers on the real X11 desktop:
//  - "Kopiere" until another program (xclip -o) reads the copied text;
//  - Ctrl+V appending to a text list of 32766 entries (key to picked entry);
//  - saving a text of 32767 characters (Windows-1252 and UTF-8).
// Median and 90th percentile. Needs a display: run under scripts/xdesktop.
// Usage: bench_textstore [copies=100] [pastes=50] [saves=50]

#include "realdesktop.h"
#include "x11bench.h"

#include "textstore/Textform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// What another program (xclip -o) reads from the clipboard. The event loop
// waits for its end, so that this process answers its request at once.
QByteArray otherProgramReads()
{
    QProcess xclip;
    QEventLoop loop;
    QObject::connect(&xclip, &QProcess::finished, &loop, &QEventLoop::quit);
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                          QStringLiteral("-t"), QStringLiteral("UTF8_STRING"), QStringLiteral("-o")});
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    return xclip.readAllStandardOutput();
}

double timed(const std::function<void()> &step)
{
    QElapsedTimer t;
    t.start();
    step();
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!haveDisplay())
        return 1;
    const int copies = argc > 1 ? std::atoi(argv[1]) : 100;
    const int pastes = argc > 2 ? std::atoi(argv[2]) : 50;
    const int saves = argc > 3 ? std::atoi(argv[3]) : 50;

    RealDesktop desktop;
    x11::waitUntil([&] { return desktop.clipboard.snapshots() > 0; });
    Textform &t = desktop.forms->get<Textform>();
    t.Command12_Click();
    t.Show();
    x11::waitUntil([&] { return t.windowHandle() && t.windowHandle()->isExposed(); });
    ListBox &list = *t.List1[0];

    // "Kopiere" -> another program reads the text. One xclip run alone is the floor.
    std::vector<double> copyRead, xclipAlone;
    for (int i = 0; i < copies; ++i) {
        const QString text = QStringLiteral("Eintrag %1 zum Kopieren").arg(i);
        list.AddItem(text);
        list.setListIndex(list.ListCount() - 1);
        const QByteArray want = text.toUtf8();
        bool read = false;
        const double ms = timed([&] {
            t.Command3_Click();
            for (int tries = 0; tries < 200 && !read; ++tries)
                read = otherProgramReads() == want;
        });
        if (read)
            copyRead.push_back(ms);
        else
            std::fprintf(stderr, "copy %d was not read\n", i);
        xclipAlone.push_back(timed([] { otherProgramReads(); }));
    }
    reportMs("\"Kopiere\" -> xclip -o reads the text", copyRead);
    reportMs("  one xclip -o run alone (floor)", xclipAlone);

    // Ctrl+V into a list of 32766 entries: append, pick, show in Text2.
    list.Clear();
    for (int i = list.ListCount(); i < 32766; ++i)
        list.AddItem(QStringLiteral("Eintrag %1").arg(i));
    desktop.clipboard.SetText(QStringLiteral("eingefügter Text"));
    x11::waitUntil([&] { return desktop.clipboard.GetText() == QStringLiteral("eingefügter Text"); });
    list.setFocus();
    std::vector<double> paste;
    for (int i = 0; i < pastes; ++i) {
        paste.push_back(timed([&] {
            QTest::keyClick(&list, Qt::Key_V, Qt::ControlModifier);
            QApplication::processEvents(); // the repaint of list and window
        }));
        if (list.ListCount() != 32767)
            std::fprintf(stderr, "paste %d did not append\n", i);
        list.RemoveItem(32766);
    }
    reportMs("Ctrl+V into 32766 entries (append, pick, show)", paste);

    // Saving 32767 characters.
    std::vector<double> ansi, utf8;
    const QString latin(32767, QChar(0xFC));
    const QString hebrew(32767, QChar(0x05D0));
    for (int i = 0; i < saves; ++i) {
        t.Text2->setText(latin);
        ansi.push_back(timed([&] { t.Command5_Click(); }));
        t.Text2->setText(hebrew);
        utf8.push_back(timed([&] { t.Command5_Click(); }));
    }
    reportMs("save 32767 characters, Windows-1252", ansi);
    reportMs("save 32767 characters, UTF-8 with mark", utf8);
    x11::stopClipboardOwners();
    return 0;
}
