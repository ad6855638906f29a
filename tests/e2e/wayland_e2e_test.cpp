// Capture and copy back through Wayland data control, on a headless sway of
// the test's own while a Wayland window (foot) has the keyboard focus, so
// that nothing reaches X11: wl-copy, wl-paste and wl_owner are the other
// programs. Skipped, saying why, only where sway cannot start.

#include "realdesktop.h"
#include "support/logcapture.h"
#include "sway.h"
#include "x11.h"

#include "capture/ModuleZ.h"
#include "capture/Zwischablage.h"
#include "imagestore/Formbilder.h"
#include "platform/clipboard/clipboardfactory.h"
#include "platform/clipboard/wayland/waylandclipboard.h"
#include "textstore/Textform.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QByteArray pngOf(const QImage &image)
{
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    return png;
}

class WaylandE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!x11::available())
            GTEST_SKIP() << "needs the Xvfb desktop of scripts/test";
        sway = std::make_unique<Sway>();
        if (!sway->problem().isEmpty())
            GTEST_SKIP() << "Wayland route untested, sway cannot start here: " << sway->problem().toStdString();
        qputenv("WAYLAND_DISPLAY", sway->display().toLocal8Bit());
        ASSERT_TRUE(x11::waitUntil([&] { return sway->focused() == QStringLiteral("merkolo-fokus"); }, 10000))
            << "no Wayland window has the focus";
        desktop = std::make_unique<DesktopWith<WaylandClipboard>>();
        ASSERT_TRUE(desktop->clipboard.connected()) << desktop->clipboard.problem().toStdString();
        ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.snapshots() > 0; }));
        text = &desktop->forms->get<Textform>();
        text->Check1->setValue(1);
    }
    void TearDown() override
    {
        desktop.reset();
        for (auto &p : owners) {
            p->kill();
            p->waitForFinished(2000);
        }
        sway.reset();
        qunsetenv("WAYLAND_DISPLAY");
    }

    // Another Wayland program takes the clipboard: wl-copy in the foreground
    // (so that its id is the one ended), or wl_owner with `types` once it says it owns it.
    void copy(const QByteArray &bytes, const QString &type = QStringLiteral("text/plain;charset=utf-8"))
    {
        QProcess &p = *owners.emplace_back(std::make_unique<QProcess>());
        p.start(QStringLiteral("wl-copy"), {QStringLiteral("--foreground"), QStringLiteral("--type"), type});
        p.write(bytes);
        p.closeWriteChannel();
    }
    QProcess &own(const QStringList &types)
    {
        QProcess &p = *owners.emplace_back(std::make_unique<QProcess>());
        p.start(QStringLiteral(WL_OWNER), types);
        EXPECT_TRUE(x11::waitUntil([&] { return p.canReadLine(); })) << types.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(p.readLine(), "owner\n");
        return p;
    }
    static QByteArray paste(const QString &type) { return x11::run(QStringLiteral("wl-paste"), {QStringLiteral("-n"), QStringLiteral("-t"), type}); }
    QStringList entries() const { return text->List1[0]->entries()->entries(); }
    bool entryArrives(const QString &t) { return x11::waitUntil([&] { return entries().value(entries().size() - 1) == t; }); }

    std::unique_ptr<Sway> sway;
    std::unique_ptr<DesktopWith<WaylandClipboard>> desktop;
    std::vector<std::unique_ptr<QProcess>> owners;
    Textform *text = nullptr;
};

} // namespace

TEST_F(WaylandE2E, TextsAndAPictureCopiedInWaylandProgramsReachTheStores)
{
    {
        const LogCapture log;
        EXPECT_NE(dynamic_cast<WaylandClipboard *>(makeClipboard().get()), nullptr);
        EXPECT_TRUE(log.texts(QStringLiteral("merkolo.clipboard"), QtInfoMsg)
                        .contains(QStringLiteral("clipboard route: Wayland data control, zwlr_data_control_manager_v1 v2")));
    }
    const QStringList texts = {QStringLiteral("erster Text"), QStringLiteral("Umlaute äöü ß und € – \U0001F600"),
                               QStringLiteral("<b>fett?</b> <img src=x onerror=alert(1)>"), QStringLiteral("Zeile 1\nZeile 2\n")};
    for (const QString &t : texts) {
        copy(t.toUtf8());
        ASSERT_TRUE(entryArrives(t)) << t.toStdString();
    }
    EXPECT_EQ(entries(), texts);

    // An X11 program's offer as kwin bridges it: X atom names as MIME types, STRING in Latin-1.
    QTemporaryFile latin1;
    latin1.open();
    latin1.write("Gr\xfc\xdf" "e");
    latin1.flush();
    own({QStringLiteral("TARGETS=\x01\x02\x03\x04"), QStringLiteral("TIMESTAMP=1234"), QStringLiteral("STRING=@") + latin1.fileName()});
    EXPECT_TRUE(entryArrives(QStringLiteral("Grüße")));

    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(qRgb(10, 120, 200));
    Zwischablage &viewer = desktop->forms->get<Zwischablage>();
    copy(pngOf(picture), QStringLiteral("image/png"));
    ASSERT_TRUE(x11::waitUntil([&] { return !viewer.Picture1->Picture().isNull(); }));
    EXPECT_EQ(viewer.Picture1->Picture().convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(entries().size(), texts.size() + 1);
}

TEST_F(WaylandE2E, CopyBackReachesWaylandProgramsAndComesBackAsAChange)
{
    for (const char *t : {"zum Zurückkopieren", "danach"}) {
        copy(t);
        ASSERT_TRUE(entryArrives(QString::fromUtf8(t)));
    }
    text->List1[0]->setListIndex(0);
    text->Command3_Click(); // "Kopiere"
    EXPECT_TRUE(x11::waitUntil([] { return paste(QStringLiteral("text/plain;charset=utf-8")) == "zum Zurückkopieren"; }));
    EXPECT_TRUE(entryArrives(QStringLiteral("zum Zurückkopieren")));
    EXPECT_EQ(paste(QStringLiteral("STRING")), QStringLiteral("zum Zurückkopieren").toLatin1());

    // "Kopieren" of a picture slot.
    QImage picture(300, 200, QImage::Format_RGB32);
    picture.fill(qRgb(200, 30, 60));
    Formbilder &store = desktop->forms->get<Formbilder>();
    store.Bildx[0]->setPicture(picture);
    store.Text1->setText(QStringLiteral("0"));
    store.Command19_Click();
    EXPECT_TRUE(x11::waitUntil([&] { return desktop->forms->get<Zwischablage>().Picture1->Picture().size() == picture.size(); }));
    EXPECT_EQ(QImage::fromData(paste(QStringLiteral("image/png")), "PNG").convertToFormat(QImage::Format_RGB32), picture);
}

// A change its owner marks secret is kept out, whatever the mark's value or
// the case of its name, and nothing of it is asked for. A source that never writes is
// given up after the wait for its next step, one that writes without end is
// cut at the text limit, one that writes slowly but steadily is waited for
// step by step. Another program offering the type our put-backs are known by
// makes an ordinary change. Each costs only its own change (one change
// message), the program goes on turning meanwhile, and the next copy is captured.
TEST_F(WaylandE2E, SecretSilentAndEndlessSourcesCostOnlyTheirChange)
{
    const LogCapture log(false);
    const QString text = QStringLiteral("text/plain;charset=utf-8=");
    const QString mark = QStringLiteral("x-kde-passwordManagerHint=");
    const struct {
        QStringList types;
        QString captured; // empty: nothing
        bool contentAsked;
        qsizetype read = -1; // the text's length as read, when not the captured one's
    } rows[] = {
        {{mark + QStringLiteral("secret"), text + QStringLiteral("Kennwort")}, {}, false},
        {{mark.toUpper() + QStringLiteral("other"), text + QStringLiteral("Kennwort")}, {}, false},
        {{text + QStringLiteral("!")}, {}, true},
        {{text + QStringLiteral("~")}, QString(32767, QLatin1Char('x')), true, ClipboardLimits::kMaxTextBytes},
        {{text + QStringLiteral("%tropfend")}, QStringLiteral("tropfend"), true},
        {{QStringLiteral("application/x-merkolo-bewahrt-0-1=x"), text + QStringLiteral("fremd")}, QStringLiteral("fremd"), true},
    };
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    for (const auto &r : rows) {
        const std::string row = r.types.join(QLatin1Char(' ')).left(60).toStdString();
        const QString before = QStringLiteral("vor ") + QString::fromStdString(row);
        copy(before.toUtf8());
        ASSERT_TRUE(entryArrives(before)) << row;
        const int delivered = desktop->bridge->delivered();
        ticks = 0;
        QProcess &owner = own(r.types);
        ASSERT_TRUE(x11::waitUntil([&] { return desktop->bridge->delivered() > delivered; }, 8000)) << row;
        const int ticksWhileFetched = ticks;
        EXPECT_TRUE(entries().last() == (r.captured.isEmpty() ? before : r.captured)) << row;
        EXPECT_EQ(desktop->clipboard.GetText().value_or(QString()).size(), r.read < 0 ? r.captured.size() : r.read) << row;
        const QByteArray asked = owner.readAll();
        EXPECT_EQ(asked.contains("asked"), r.contentAsked) << row;
        if (r.types.join(QString()).contains(QStringLiteral("!"))) {
            EXPECT_GE(ticksWhileFetched, 50) << row << ": the wait froze the program";
        }
        // One change message for it: the next copy is the very next.
        copy("danach");
        EXPECT_TRUE(entryArrives(QStringLiteral("danach"))) << row;
        EXPECT_EQ(desktop->bridge->delivered(), delivered + 2) << row;
    }
    const QString timedOut = QStringLiteral("fetch timed out asking for \"%1\" - the owner sent nothing for 1500 ms");
    EXPECT_EQ(log.texts(QStringLiteral("merkolo.clipboard"), QtWarningMsg),
              QStringList({timedOut.arg(QStringLiteral("text/plain;charset=utf-8"))}));
}

// An empty clipboard gets back what was read whole of the change before it, as no change (listed once,
// no beep): after its owner ended (a BMP picture as PNG), and once after a running program cleared it,
// which data control cannot tell apart. A secret-marked change, a text cut at the transfer limit and
// our own copy cleared stay gone.
TEST_F(WaylandE2E, TheLastContentReadWholeOutlivesItsOwnerOnce)
{
    QTemporaryDir dir;
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(30, 160, 90));
    ASSERT_TRUE(picture.save(dir.filePath(QStringLiteral("b.png"))) && picture.save(dir.filePath(QStringLiteral("b.bmp"))));
    const QString utf8 = QStringLiteral("text/plain;charset=utf-8"), png = QStringLiteral("image/png");
    const QString longText = QString(ModuleZ::kMaxText + 5000, QLatin1Char('l')) + QStringLiteral("ende");
    const struct {
        QStringList owner;    // wl_owner's types; none: wl-copy of `text`
        QString text, pasted; // pasted: the type read back; back: it comes back; clear: emptied, not ended
        bool back, clear;
        bool ours = false; // copied by the program
    } rows[] = {
        {{}, QStringLiteral("bleibt nach dem Ende äß"), QStringLiteral("UTF8_STRING"), true, false},
        {{}, longText, QStringLiteral("text/plain"), true, false},
        {{png + QStringLiteral("=@") + dir.filePath(QStringLiteral("b.png"))}, {}, png, true, false},
        {{QStringLiteral("image/bmp=@") + dir.filePath(QStringLiteral("b.bmp"))}, {}, png, true, false},
        {{utf8 + QStringLiteral("=~")}, {}, utf8, false, false},
        {{QStringLiteral("x-kde-passwordManagerHint=secret"), utf8 + QStringLiteral("=Kennwort")}, {}, utf8, false, false},
        {{utf8 + QStringLiteral("=geleert")}, QStringLiteral("geleert"), utf8, true, true},
        {{}, QStringLiteral("unsere Kopie"), utf8, false, true, true},
    };
    const auto clear = [] { x11::run(QStringLiteral("wl-copy"), {QStringLiteral("--clear")}); };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.owner.join(QLatin1Char(' ')).left(60).toStdString() + r.text.left(30).toStdString());
        const int before = desktop->bridge->delivered();
        r.ours ? desktop->clipboard.SetText(r.text) : r.owner.isEmpty() ? copy(r.text.toUtf8()) : void(own(r.owner));
        ASSERT_TRUE(x11::waitUntil([&] { return desktop->bridge->delivered() > before; }, 8000));
        const int delivered = desktop->bridge->delivered(), beeps = desktop->beeper.count, listed = entries().size();
        r.clear ? clear() : owners.back()->kill();
        if (r.back) {
            EXPECT_TRUE(x11::waitUntil([&] {
                return r.text.isEmpty() ? QImage::fromData(paste(png)).convertToFormat(QImage::Format_RGB32) == picture
                                        : paste(r.pasted) == r.text.toUtf8();
            }, 4000));
            if (r.clear)
                clear(); // our own put-back emptied stays empty
        }
        if (!r.back || r.clear) {
            EXPECT_TRUE(x11::waitUntil([&] { return desktop->beeper.count > beeps; })) << "an empty clipboard";
            EXPECT_TRUE(paste(r.pasted).isEmpty());
        }
        if (!r.back)
            continue;
        // The next copy is the next change: putting back was none, and no late change came after it.
        const QString next = QStringLiteral("danach %1").arg(&r - rows);
        copy(next.toUtf8());
        EXPECT_TRUE(entryArrives(next));
        EXPECT_EQ(desktop->bridge->delivered(), delivered + 1 + r.clear) << "putting back is no change";
        EXPECT_EQ(desktop->beeper.count, beeps + 1 + r.clear);
        EXPECT_EQ(entries().size(), listed + 1);
    }
}

// A picture goes out in the types X11 offers it in, PNG, BMP and its own type
// as the bytes it came as: put back once its owner ended, and copied back.
TEST_F(WaylandE2E, PicturesGoOutInPngBmpAndTheTypeTheyCameIn)
{
    QTemporaryDir dir;
    QImage picture(600, 400, QImage::Format_RGB32); // noise: more than a pipe holds at once, as JPEG
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (x ^ y) % 256));
    }
    const QString file = dir.filePath(QStringLiteral("b.jpg"));
    ASSERT_TRUE(picture.save(file, "JPEG"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray jpeg = f.readAll();
    ASSERT_GT(jpeg.size(), 65536);
    const QImage seen = QImage::fromData(jpeg).convertToFormat(QImage::Format_RGB32);
    own({QStringLiteral("image/jpeg=@") + file});
    ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.GetPicture().type() == "image/jpeg"; }));
    const StoredPicture captured = desktop->clipboard.GetPicture();
    for (const bool putBack : {true, false}) {
        SCOPED_TRACE(putBack ? "put back" : "copied back");
        putBack ? owners.back()->kill() : desktop->clipboard.SetPicture(captured);
        ASSERT_TRUE(x11::waitUntil([&] { return paste(QStringLiteral("image/jpeg")) == jpeg; }));
        const QList<QByteArray> types = x11::run(QStringLiteral("wl-paste"), {QStringLiteral("--list-types")}).split('\n');
        for (const char *t : {"image/png", "image/bmp"}) { // each in its own format
            EXPECT_TRUE(types.contains(t)) << t;
            EXPECT_EQ(QImage::fromData(paste(QString::fromLatin1(t)), t + 6).convertToFormat(QImage::Format_RGB32), seen) << t;
        }
        x11::run(QStringLiteral("wl-copy"), {QStringLiteral("--clear")});
        ASSERT_TRUE(x11::waitUntil([&] { return paste(QStringLiteral("image/jpeg")).isEmpty(); }));
    }
}

// The compositor goes: the clipboard says so once and reads through X11
// meanwhile; it comes back on the same socket: data control again, with
// the windows and the list as they were.
TEST_F(WaylandE2E, ALostCompositorIsToldOnceAndRejoinedWhenBack)
{
    copy("vorher");
    ASSERT_TRUE(entryArrives(QStringLiteral("vorher")));
    QStringList notices;
    QObject::connect(&desktop->clipboard, &Clipboard::notice, [&](const QString &t) { notices << t; });
    for (const char *meanwhile : {"über X11", "wieder über X11"}) {
        sway->end();
        ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.onX11Meanwhile(); }));
        x11::setClipboardText(QString::fromUtf8(meanwhile));
        EXPECT_TRUE(entryArrives(QString::fromUtf8(meanwhile)));
        const int delivered = desktop->bridge->delivered(); // the empty clipboard met on coming back is no change
        ASSERT_TRUE(sway->again()) << sway->problem().toStdString();
        ASSERT_TRUE(x11::waitUntil([&] { return !desktop->clipboard.lostConnection(); }, 10000));
        EXPECT_FALSE(desktop->clipboard.onX11Meanwhile());
        copy(QByteArray("danach ") + meanwhile);
        EXPECT_TRUE(entryArrives(QStringLiteral("danach ") + QString::fromUtf8(meanwhile)));
        EXPECT_EQ(desktop->bridge->delivered(), delivered + 1);
    }
    EXPECT_EQ(entries(), QStringList({QStringLiteral("vorher"), QStringLiteral("über X11"), QStringLiteral("danach über X11"),
                                      QStringLiteral("wieder über X11"), QStringLiteral("danach wieder über X11")}));
    ASSERT_EQ(notices.size(), 1) << "one word a run";
    EXPECT_TRUE(notices[0].contains(QStringLiteral("über X11"))) << notices[0].toStdString();
    x11::stopClipboardOwners();
}

// A put-back racing another program's copy gives way: right after the owner
// of a large picture ends, another program copies; the put-back is either
// dropped or made before that copy, and the newer copy stays. (Its types are
// made only when asked for, so the put-back is quick and the race narrow.)
TEST_F(WaylandE2E, APutBackRacingAnotherProgramsCopyGivesWay)
{
    const LogCapture log;
    QTemporaryDir dir;
    QImage noise(3000, 2000, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        std::generate_n(reinterpret_cast<QRgb *>(noise.scanLine(y)), noise.width(), [] { return QRandomGenerator::global()->generate(); });
    ASSERT_TRUE(noise.save(dir.filePath(QStringLiteral("n.bmp"))));
    const int before = desktop->bridge->delivered();
    own({QStringLiteral("image/bmp=@") + dir.filePath(QStringLiteral("n.bmp"))});
    ASSERT_TRUE(x11::waitUntil([&] { return desktop->bridge->delivered() > before; }, 8000));
    owners.back()->kill();
    owners.back()->waitForFinished(2000);
    copy("neuer");
    EXPECT_TRUE(entryArrives(QStringLiteral("neuer")));
    EXPECT_TRUE(x11::waitUntil([&] {
        const QStringList said = log.texts(QStringLiteral("merkolo.clipboard"), QtInfoMsg);
        return said.contains(QStringLiteral("the last content does not go back: the clipboard changed meanwhile"))
            || said.contains(QStringLiteral("the last clipboard content is back on the clipboard"));
    }, 10000));
    EXPECT_EQ(paste(QStringLiteral("text/plain;charset=utf-8")), "neuer");
}
