// Where the program's windows stand and what fills them on the real desktop
// (openbox), at the scale the test runs at (scripts/test: 1, 1.5 and 2).
// All positions are the X server's, in device pixels.

#include "realdesktop.h"
#include "program.h"
#include "sway.h"
#include "x11.h"

#include "imagestore/Bilderramen.h"
#include "imagestore/Formbilder.h"
#include "textstore/Textform.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

QString xwininfo(const QWidget &w)
{
    return QString::fromLatin1(
        x11::run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(w.windowHandle()->winId())}));
}

QRect client(const QWidget &w)
{
    const QString info = xwininfo(w);
    auto n = [&](const char *label) {
        return QRegularExpression(QString::fromLatin1(label) + QStringLiteral(":\\s*(-?\\d+)")).match(info).captured(1).toInt();
    };
    return QRect(n("Absolute upper-left X"), n("Absolute upper-left Y"), n("Width"), n("Height"));
}

QPoint device(const QWidget *w, QPoint at)
{
    return w->mapToGlobal(at) * w->devicePixelRatioF();
}

void xdo(const QString &what, QPoint p = {})
{
    x11::run(QStringLiteral("xdotool"), what == QLatin1String("mousemove")
                 ? QStringList{what, QString::number(p.x()), QString::number(p.y())} : QStringList{what, QStringLiteral("1")});
}

class PlacementE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!x11::available())
            GTEST_SKIP() << "needs the Xvfb desktop of scripts/test";
        desktop = std::make_unique<RealDesktop>();
    }
    void TearDown() override { desktop.reset(); }
    // Shown (where the window manager places it), framed and settled.
    void show(Form &w)
    {
        if (!w.isVisible())
            w.Show();
        ASSERT_TRUE(x11::waitUntil([&] { return xwininfo(w).contains("IsViewable"); }));
        settle(w);
    }
    // Settled: the window stands where the X server has it, as the toolkit has heard.
    static void settle(const QWidget &w)
    {
        // Within a device pixel: the toolkit's places are whole points.
        EXPECT_TRUE(x11::waitUntil([&] {
            const QPoint d = device(&w, QPoint()) - client(w).topLeft();
            return std::abs(d.x()) <= 1 && std::abs(d.y()) <= 1;
        }))
            << testing::PrintToString(device(&w, QPoint()) - client(w).topLeft());
    }
    std::unique_ptr<RealDesktop> desktop;
};

} // namespace

// "vordergrund" hides the store, moves it a twip and shows it again: it stays
// where the user dragged it, within a device pixel, through every toggle.
TEST_F(PlacementE2E, VordergrundLeavesADraggedStoreWhereItStands)
{
    Formbilder &f = desktop->forms->get<Formbilder>();
    Textform &t = desktop->forms->get<Textform>();
    auto titleBar = [](Form &w) { return client(w).topLeft() + QPoint(40, -w.frameDevicePx().top() / 2); };
    auto background = [&] {
        int x = 2;
        while (f.childAt(x, f.height() - 4))
            x += 3;
        return device(&f, QPoint(x, f.height() - 4));
    };
    const struct {
        Form *store;
        CheckBox *box;
        std::function<QPoint()> handle;
        QPoint by;
    } rows[] = {
        {&f, f.Check2, [&] { return titleBar(f); }, {37, 223}},
        {&f, f.Check2, background, {-23, 41}},
        {&f, f.Check2, [&] { return device(f.Picture2[3], f.Picture2[3]->rect().center()); }, {61, -17}},
        {&t, t.Check3, [&] { return titleBar(t); }, {151, 93}},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(&r - rows);
        show(*r.store);
        const QPoint from = r.handle(), before = client(*r.store).topLeft();
        xdo(QStringLiteral("mousemove"), from);
        xdo(QStringLiteral("mousedown"));
        ASSERT_TRUE(x11::caughtUp()); // each step seen where the press went
        for (int step = 1; step <= 4; ++step) {
            xdo(QStringLiteral("mousemove"), from + r.by * step / 4);
            ASSERT_TRUE(x11::caughtUp());
        }
        xdo(QStringLiteral("mouseup"));
        // The window goes along from the first motion or a drag distance later.
        ASSERT_TRUE(x11::waitUntil([&] { return (client(*r.store).topLeft() - before - r.by).manhattanLength() <= 20; }));
        settle(*r.store);
        const QPoint stands = client(*r.store).topLeft();
        for (int toggle = 1; toggle <= 5; ++toggle) {
            r.box->click();
            show(*r.store);
            const QPoint d = client(*r.store).topLeft() - stands;
            EXPECT_TRUE(std::abs(d.x()) <= 1 && std::abs(d.y()) <= 1) << toggle << ": " << testing::PrintToString(d);
        }
        r.store->Hide();
    }
}

// The viewer opens centred unless the always-on-top image store would cover
// some of it: then nearby, clear of the store where the screen has room for
// it, else with its title bar clear to drag it by, and on the screen.
TEST_F(PlacementE2E, TheViewerOpensClearOfTheImageStore)
{
    Formbilder &f = desktop->forms->get<Formbilder>();
    show(f);
    const double dpr = f.devicePixelRatioF();
    const QMargins frame = f.frameDevicePx();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect screen(area.topLeft() * dpr, area.size() * dpr);
    // The store across the middle of the centred viewer.
    const int top = qRound(area.center().y() * dpr) - 60;
    f.move(QPoint(10, qRound(top / dpr)));
    ASSERT_TRUE(x11::waitUntil([&] { return std::abs(client(f).y() - frame.top() - top) <= 2; }));
    const QRect store = client(f).marginsAdded(frame);
    f.Command22_Click();
    Bilderramen &v = desktop->forms->get<Bilderramen>();
    show(v);
    const QRect viewer = client(v).marginsAdded(v.frameDevicePx());
    const QRect bar(viewer.topLeft(), QSize(viewer.width(), v.frameDevicePx().top()));
    const bool room = store.top() - screen.top() >= viewer.height() || screen.bottom() - store.bottom() >= viewer.height()
                      || store.left() - screen.left() >= viewer.width() || screen.right() - store.right() >= viewer.width();
    if (room) {
        EXPECT_FALSE(viewer.adjusted(1, 1, -1, -1).intersects(store)) << testing::PrintToString(viewer);
    }
    EXPECT_FALSE(bar.intersects(store)) << testing::PrintToString(bar);
    EXPECT_TRUE(screen.adjusted(-1, -1, 1, 1).contains(bar));
}

// The text store's controls fill its client area whatever the frame: in the
// small layout nothing of the boxes beneath the icon bar shows at its edges;
// in the large one no white beyond the design's margins (15 twips at the
// right, 45 under the bottom row).
TEST_F(PlacementE2E, TheTextStoresControlsFillItsClientArea)
{
    Textform &t = desktop->forms->get<Textform>();
    show(t);
    const double dpr = t.devicePixelRatioF();
    auto seen = [&](const QString &name) {
        settle(t);
        const QRect c = client(t);
        const QImage img = QImage::fromData(
            x11::run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                                                QStringLiteral("%1x%2+%3+%4").arg(c.width()).arg(c.height()).arg(c.x()).arg(c.y()),
                                                QStringLiteral("ppm:-")}), "PPM");
        if (const QString dir = qEnvironmentVariable("MERKOLO_SCREENSHOT_DIR"); !dir.isEmpty())
            img.save(dir + QStringLiteral("/textspeicher-%1-%2.png").arg(name).arg(dpr));
        return img.convertToFormat(QImage::Format_RGB32);
    };
    // A list box shows whole rows only.
    auto wholeRows = [&] {
        const QWidget *v = t.List1[0]->viewport();
        const QModelIndex last = t.List1[0]->indexAt(QPoint(2, v->height() - 1));
        return last.isValid() && v->rect().contains(t.List1[0]->visualRect(last));
    };
    for (int i = 0; i < 9; ++i)
        t.List1[0]->AddItem(QStringLiteral("Eintrag %1").arg(i));
    QImage img = seen(QStringLiteral("klein"));
    EXPECT_TRUE(wholeRows());
    int bare = 0;
    for (int y = 0; y < img.height(); ++y)
        bare += img.pixel(img.width() - 1, y) == qRgb(0, 192, 192);
    for (int x = 0; x < img.width(); ++x)
        bare += img.pixel(x, img.height() - 1) == qRgb(64, 64, 64);
    EXPECT_EQ(bare, 0) << "pixels of the boxes at the small layout's edges";
    // An entry picked, the window opens to Text2 beneath the icon bar: all
    // of it in sight, and no more white under it than the design's margin.
    t.List1[0]->setListIndex(0);
    ASSERT_EQ(t.Height(), 1950);
    img = seen(QStringLiteral("klein-gewaehlt"));
    const int inText2 = qRound((t.Text2->x() + t.Text2->width() * 3 / 4) * dpr);
    const int edge = static_cast<int>(std::ceil(2 * dpr));
    int covered = 0;
    for (int y = qRound(t.Text2->y() * dpr) + edge; y < qRound((t.Text2->y() + t.Text2->height()) * dpr) - edge; ++y)
        covered += img.pixel(inText2, y) != qRgb(64, 64, 64);
    EXPECT_EQ(covered, 0) << "rows of Text2 under the icon bar";
    int white = 0;
    while (white < img.height() && img.pixel(inText2, img.height() - 1 - white) == qRgb(255, 255, 255))
        ++white;
    EXPECT_LE(white, std::ceil(3 * dpr) + 1) << "white rows under Text2";
    t.Picture3_Click();
    img = seen(QStringLiteral("gross"));
    EXPECT_TRUE(wholeRows());
    const int right = img.width() - 1 - static_cast<int>(std::ceil(dpr));
    for (QWidget *box : {static_cast<QWidget *>(t.Text1), static_cast<QWidget *>(t.List1[0]), static_cast<QWidget *>(t.Text2)})
        EXPECT_NE(img.pixel(right, qRound((box->y() + box->height() / 2) * dpr)), qRgb(255, 255, 255)) << box->y();
    const int column = qRound((t.Command5->x() + t.Command5->width() / 2) * dpr);
    int band = 0;
    while (band < img.height() && img.pixel(column, img.height() - 1 - band) == qRgb(255, 255, 255))
        ++band;
    EXPECT_LE(band, std::ceil(3 * dpr) + 1) << "white rows under the bottom row";
}

// A click on the large layout's bottom row counts wherever on a button it
// lands, also while the list has the focus: the press takes the focus from
// the list, which shortens the window, and nothing moves until the release.
TEST_F(PlacementE2E, TheBottomRowTakesAClickAnywhereOnItsButtonsAfterAPick)
{
    Textform &t = desktop->forms->get<Textform>();
    t.List1[0]->AddItem(QStringLiteral("gewählt"));
    const struct {
        QPushButton *button;
        bool lower;
    } rows[] = {{t.Command5, false}, {t.Command5, true}, {t.Command4, false}, {t.Command4, true}};
    for (const auto &r : rows) {
        SCOPED_TRACE(&r - rows);
        t.Picture3_Click();
        show(t);
        t.List1[0]->setListIndex(-1);
        const QRect entry = t.List1[0]->visualRect(t.List1[0]->model()->index(0, 0));
        e2e::click(device(t.List1[0]->viewport(), entry.center()));
        ASSERT_TRUE(x11::waitUntil([&] { return t.List1[0]->hasFocus() && t.Height() == 3675; }));
        const size_t boxes = desktop->messages.calls.size();
        const QRect b = r.button->rect();
        e2e::click(device(r.button, QPoint(b.center().x(), r.lower ? b.bottom() - 1 : 1)));
        EXPECT_TRUE(x11::waitUntil([&] {
            return r.button == t.Command5 ? desktop->messages.calls.size() > boxes : t.Check2->Value() == 1;
        }));
    }
}

// On a tiling window manager (sway, the program on its Xwayland) the stores,
// the selector and the viewer float at their design sizes, with no setting
// of the user's. sway centres each of them whatever place it states: a
// store opened from the selector lies clear of it all the same.
TEST(SwayE2E, TheStoresTheSelectorAndTheViewerFloatAtTheirDesignSizes)
{
    if (!x11::available())
        GTEST_SKIP() << "needs the Xvfb desktop of scripts/test";
    Sway sway;
    if (!sway.problem().isEmpty() || sway.x11Display().isEmpty())
        GTEST_SKIP() << "sway with Xwayland cannot start here: " << sway.problem().toStdString();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), sway.x11Display());
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_SCALE_FACTOR"));
    env.insert(QStringLiteral("SWAYSOCK"), sway.socket());
    e2e::Program program(QStringLiteral(MERKOLO_BINARY), env, QFileInfo(QStringLiteral(MERKOLO_BINARY)).absolutePath());
    auto view = [&](const QString &title) {
        for (const Sway::View &v : sway.views()) {
            if (v.x11 && v.title.startsWith(title))
                return std::optional<Sway::View>(v);
        }
        return std::optional<Sway::View>();
    };
    // A click into a window once sway has given it the focus (and raised
    // it), at a point of the window wherever it stands by then.
    auto click = [&](const QString &title, const QPoint &at) {
        sway.message({QStringLiteral("[title=\"^%1\"] focus").arg(title)});
        QProcess xdotool;
        xdotool.setProcessEnvironment(env);
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--name"), QLatin1Char('^') + title,
                                                  QStringLiteral("mousemove"), QStringLiteral("--window"), QStringLiteral("%1"),
                                                  QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
                                                  QStringLiteral("1")});
        xdotool.waitForFinished(5000);
    };
    const struct {
        const char *title;
        const char *from;  // the window clicked to open it
        QPoint at;         // where, from the top left of its client area (a negative y: its bottom left)
        QSize design;      // its client area
    } rows[] = {
        {"Merkolo-Auswahl", nullptr, {}, {6345 / 15, 750 / 15}},
        {"Merkolo, Quenta", "Merkolo-Auswahl", {64, -7}, {12210 / 15, 1455 / 15}}, // "Bilder-Speicher-Liste"
        // The small layout, 3100 x 1000 twips with a nominal frame: 45 pixels high,
        // less than the 50 of sway's smallest floating window.
        {"Merkolo-Text", "Merkolo-Auswahl", {192, -7}, {201, 50}},                  // "Text-Speicher-Liste"
        {"Orginal Bilder Gr", "Merkolo, Quenta", {(6480 + 1215 / 2) / 15, (960 + 375 / 2) / 15}, {7365 / 15, 5460 / 15}},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.title);
        if (r.from) {
            const std::optional<Sway::View> from = view(QString::fromUtf8(r.from));
            ASSERT_TRUE(from);
            click(QString::fromUtf8(r.from), r.at.y() < 0 ? QPoint(r.at.x(), from->content.height() + r.at.y()) : r.at);
        }
        std::optional<Sway::View> v;
        ASSERT_TRUE(x11::waitUntil([&] { return (v = view(QString::fromUtf8(r.title))).has_value(); }, 15000));
        EXPECT_TRUE(v->floating);
        EXPECT_EQ(v->content.size(), r.design);
        // A store leaves the selector's buttons free, its title bar too.
        if (r.from && QByteArray(r.from) == "Merkolo-Auswahl") {
            EXPECT_TRUE(x11::waitUntil([&] {
                v = view(QString::fromUtf8(r.title));
                const std::optional<Sway::View> selector = view(QString::fromUtf8(r.from));
                return v && selector && !v->frame.intersects(selector->content);
            })) << testing::PrintToString(v->frame);
        }
    }
}

// Without a notification area the selector stays in sight after a store
// opens; the store opens clear of it, its place stated, which a window
// manager that places windows itself keeps (openbox here, kwin alike).
TEST(NoTrayE2E, AStoreOpensClearOfTheSelectorAndItsMenuBar)
{
    if (!x11::available())
        GTEST_SKIP() << "needs the Xvfb desktop of scripts/test";
    const x11::OwnDesktop own(QStringLiteral("openbox"), {});
    ASSERT_TRUE(own.problem().isEmpty()) << own.problem().toStdString();
    // The helpers' programs (xdotool, xwininfo) and the program go to our own desktop, until the end.
    const struct Shared {
        QByteArray display = qgetenv("DISPLAY");
        ~Shared() { qputenv("DISPLAY", display); }
    } shared;
    qputenv("DISPLAY", own.display().toLocal8Bit());
    {
        e2e::Program program;
        const QString selector = QStringLiteral("Merkolo-Auswahl: Quenta");
        for (const auto &row : {std::pair{"Merkolo, Quenta", 64}, std::pair{"Merkolo-Text", 192}}) {
            // Named apart: lambdas below take them, which a structured binding may not be for clang 14.
            const char *const store = row.first;
            const int label = row.second;
            SCOPED_TRACE(store);
            std::optional<QRect> s, opened;
            ASSERT_TRUE(x11::waitUntil([&] { return (s = e2e::visibleWindow(selector)).has_value(); }, 15000));
            e2e::click(QPoint(s->left() + label, s->bottom() - 6)); // "Bilder-" or "Text-Speicher-Liste"
            ASSERT_TRUE(x11::waitUntil([&] {
                s = e2e::visibleWindow(selector);
                opened = e2e::visibleWindow(QString::fromUtf8(store));
                return s && opened && s->height() > 750 / 15; // the store, and the selector's menu bar
            }, 10000));
            const QList<QByteArray> frame = x11::run(QStringLiteral("xprop"), {QStringLiteral("-name"), QString::fromUtf8(store),
                                                                              QStringLiteral("_NET_FRAME_EXTENTS")})
                                                .split('=').value(1).split(',');
            ASSERT_EQ(frame.size(), 4);
            const QRect outer = opened->adjusted(-frame[0].trimmed().toInt(), -frame[2].trimmed().toInt(),
                                                 frame[1].trimmed().toInt(), frame[3].trimmed().toInt());
            EXPECT_FALSE(outer.intersects(*s)) << testing::PrintToString(outer) << testing::PrintToString(*s);
        }
    }
}
