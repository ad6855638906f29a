#include "forms/form.h"

#include "forms/accessiblebutton.h"
#include "forms/forms.h"
#include "forms/keys.h"
#include "forms/modMain.h"
#include "forms/placement.h"
#include "forms/twips.h"
#include "platform/files/filereason.h"
#include "platform/services/log.h"
#include "platform/windows/x11window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>

#include <cmath>

Form::Form(Forms &forms)
    : QWidget(nullptr)
    , m_forms(forms)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_hWnd = user32::CreateWindowHandle(this);
    // The design places every window itself; a tiling manager may not centre it.
    x11window::keepPlaceWhenTiled(this);
    AccessibleButton::install();
    static const bool watching = [] {
        x11window::onFrameChanged([](QWindow *window) {
            if (auto *form = qobject_cast<Form *>(QWidget::find(window->winId())))
                form->frameArrived();
        });
        return true;
    }();
    Q_UNUSED(watching);
}

Form::~Form()
{
    user32::DestroyWindowHandle(m_hWnd);
}

Services &Form::services() const
{
    return m_forms.services();
}

void Form::runLoad()
{
    Form_Load();
}

void Form::Show()
{
    if (m_unloaded)
        return;
    const QList<QRect> keep = m_shownOnce ? QList<QRect>() : keptClearByOthers();
    if ((m_centre || !keep.isEmpty()) && !m_shownOnce) {
        if (const QScreen *s = QGuiApplication::primaryScreen()) {
            const QMargins f = frameDevicePx();
            const double dpr = devicePixelRatioF();
            const QSize outer(static_cast<int>(std::lround(width() + (f.left() + f.right()) / dpr)),
                              static_cast<int>(std::lround(height() + (f.top() + f.bottom()) / dpr)));
            const QRect avail = s->availableGeometry();
            // A window without a place of its own starts at the centre too.
            QPoint at = avail.center() - QPoint(outer.width() / 2, outer.height() / 2);
            const QList<QRect> others = (m_clearOfOthers ? othersShown() : QList<QRect>()) + keep;
            if (!others.isEmpty())
                at = placement::clearOf(QRect(at, outer), static_cast<int>(std::ceil(f.top() / dpr)), avail, others);
            // Stated, so that a window manager that places windows itself keeps it there.
            move(at);
        }
    } else if (m_shownOnce && !isVisible()) {
        keepPlace();
    }
    m_shownOnce = true;
    show();
    raise();
    // Hidden and shown again within one handler (as "vordergrund" does), the
    // window keeps the input focus, but the widget layer has forgotten that
    // it is active and no click would tell it again: focus events of its
    // controls (the options' lost focus) would never come.
    if (QGuiApplication::focusWindow() == windowHandle() && QApplication::activeWindow() != this)
        QApplication::setActiveWindow(this);
}

QList<QRect> Form::othersShown() const
{
    QList<QRect> others;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w != this && w->isVisible() && qobject_cast<Form *>(w))
            others << w->frameGeometry();
    }
    return others;
}

QList<QRect> Form::keptClearByOthers() const
{
    QList<QRect> keep;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *f = qobject_cast<Form *>(w); f && f != this) {
            if (const auto area = f->keptClear())
                keep << *area;
        }
    }
    return keep;
}

void Form::keepPlace()
{
    // The window manager places a window mapped again anew unless its
    // position is stated: a move to the pixel it stands on (a twip's nudge,
    // or none) changes nothing for the toolkit and states nothing, so the
    // place where the user left it is stated here.
    if (QWindow *native = windowHandle())
        native->setPosition(native->position());
}

void Form::Hide()
{
    hide();
}

bool Form::Unload(int reason)
{
    if (m_unloaded)
        return true;
    int cancel = 0;
    Form_QueryUnload(cancel, reason);
    if (cancel != 0 || m_unloaded)
        return m_unloaded;
    Form_Unload(cancel);
    if (cancel != 0)
        return false;
    m_unloaded = true;
    hide();
    setKeyPreview(false);
    user32::DestroyWindowHandle(m_hWnd);
    m_forms.forget(this);
    deleteLater();
    return true;
}

void Form::Form_QueryUnload(int &, int) {}
void Form::Form_Unload(int &) {}
void Form::Form_KeyDown(int, int) {}

void Form::escapeOrHelpKey(int keyCode)
{
    if (keyCode == keys::vbKeyEscape)
        Unload(vbFormCode);
    if (keyCode == keys::vbKeyF1 && !m_unloaded)
        modMain::OpenHelp(m_hWnd);
}

bool Form::makeFolder(const QString &folder)
{
    if (QDir().mkpath(folder) && QFileInfo(folder).isDir())
        return true;
    qCWarning(lcFiles) << "folder not made:" << folder;
    services().messages->show(filereason::folderMissing(folder), vbOKOnly, QString());
    return false;
}

void Form::reshowNudged(bool forward)
{
    Hide();
    const int step = forward ? 1 : -1;
    setLeft(Left() + step);
    setTop(Top() + step);
    Show();
}

void Form::setFixedBorder(bool on)
{
    m_fixedBorder = on;
    // A fixed size floats by its size hints alone.
    if (!on)
        x11window::setFloatingWhenTiled(this);
}

void Form::setKeyPreview(bool on)
{
    if (on == m_keyPreview)
        return;
    m_keyPreview = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool Form::event(QEvent *event)
{
    if (event->type() == QEvent::Show)
        watchExposure();
    const bool done = QWidget::event(event);
    // Where no window manager reports its frame by an event of its own, the
    // frame is known once the window is shown.
    if (event->type() == QEvent::Show && !x11window::active())
        refitToFrame(frameDevicePx());
    return done;
}

void Form::watchExposure()
{
    QWindow *native = windowHandle();
    if (!native || native == m_exposedWindow)
        return;
    m_exposedWindow = native;
    native->installEventFilter(this);
}

bool Form::eventFilter(QObject *watched, QEvent *event)
{
    // A window whose controls cover all of it gets no paintEvent of its own;
    // its exposure still counts as a paint of the window.
    if (watched == m_exposedWindow && event->type() == QEvent::Expose) {
        m_painted = false;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_painted && !m_unloaded && isVisible() && m_exposedWindow && m_exposedWindow->isExposed())
                    Form_Paint();
            },
            Qt::QueuedConnection);
        return false;
    }
    // A key ignored by a control travels on to its parents as the same event;
    // the window previews it once. A key release ends that key's journey,
    // unless it comes while the preview still runs (a message box it opened
    // is answered with a key): the press then travels on when the box closes.
    // The next key may arrive at the same address (a modifier held, then the
    // key), so the key and its time tell the events apart as well.
    struct Previewed {
        const QEvent *event = nullptr;
        int key = 0;
        quint64 time = 0;
    };
    static Previewed previewed;
    static int previewing = 0;
    if (event->type() == QEvent::KeyRelease) {
        if (previewing == 0)
            previewed = {};
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress || m_unloaded)
        return QWidget::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w || (w != this && !isAncestorOf(w))
        || (event == previewed.event && key->key() == previewed.key && key->timestamp() == previewed.time))
        return QWidget::eventFilter(watched, event);
    previewed = {event, key->key(), key->timestamp()};
    QPointer<Form> self(this);
    ++previewing;
    Form_KeyDown(keys::virtualKey(key->key()), keys::shiftState(key->modifiers()));
    --previewing;
    // A window unloaded by its own key stops the key here.
    return !self || m_unloaded;
}

void Form::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    m_painted = true;
    Form_Paint();
}

void Form::closeEvent(QCloseEvent *event)
{
    // The close box is a close request; the window decides and removes itself.
    event->ignore();
    Unload(vbFormControlMenu);
}

QMargins Form::frameDevicePx() const
{
    std::optional<QMargins> &seen = m_forms.seenFrame(m_fixedBorder);
    if (isVisible()) {
        if (const auto f = x11window::frameExtents(windowHandle())) {
            m_frame = *f;
            seen = *f;
            return *f;
        }
    }
    if (m_frame)
        return *m_frame;
    if (seen)
        return *seen;
    const double dpr = devicePixelRatioF();
    // A window manager known only to the toolkit (rounded to its pixels).
    if (isVisible() && !x11window::active()) {
        if (const QWindow *w = windowHandle(); w && !w->frameMargins().isNull()) {
            const QMargins m = w->frameMargins();
            return QMargins(qRound(m.left() * dpr), qRound(m.top() * dpr), qRound(m.right() * dpr),
                            qRound(m.bottom() * dpr));
        }
    }
    // No window manager (yet): a fixed single border at this scale.
    return QMargins(qRound(3 * dpr), qRound(19 * dpr), qRound(3 * dpr), qRound(3 * dpr));
}

twips::Axis Form::outerAxis(Qt::Orientation o, const QMargins &frame) const
{
    return o == Qt::Horizontal ? twips::horizontal(frame.left() + frame.right(), devicePixelRatioF())
                               : twips::vertical(frame.top() + frame.bottom(), devicePixelRatioF());
}

int Form::clientWidthFor(int outerTwips, const QMargins &frame) const
{
    return twips::toPixels(outerTwips, outerAxis(Qt::Horizontal, frame));
}

int Form::clientHeightFor(int outerTwips, const QMargins &frame) const
{
    return twips::toPixels(outerTwips, outerAxis(Qt::Vertical, frame));
}

void Form::frameArrived()
{
    if (const auto now = x11window::frameExtents(windowHandle()))
        refitToFrame(*now);
}

void Form::refitToFrame(const QMargins &now)
{
    if (m_unloaded)
        return;
    m_frame = now;
    m_forms.seenFrame(m_fixedBorder) = now;
    // Sizes set in twips with another frame, and not changed by other means since, follow this one.
    int w = width();
    int h = height();
    if (m_tw[2] && m_sizedWith[0] && *m_sizedWith[0] != now && clientWidthFor(*m_tw[2], *m_sizedWith[0]) == w)
        w = clientWidthFor(*m_tw[2], now);
    if (m_tw[3] && m_sizedWith[1] && *m_sizedWith[1] != now && clientHeightFor(*m_tw[3], *m_sizedWith[1]) == h)
        h = clientHeightFor(*m_tw[3], now);
    if (m_sizedWith[0])
        m_sizedWith[0] = now;
    if (m_sizedWith[1])
        m_sizedWith[1] = now;
    if (QSize(w, h) != size())
        applyClientSize(w, h);
}

int Form::Left() const
{
    return twips::recall(m_tw[0], pos().x(), twips::horizontal());
}

int Form::Top() const
{
    return twips::recall(m_tw[1], pos().y(), twips::vertical());
}

int Form::Width() const
{
    return twips::recall(m_tw[2], width(), outerAxis(Qt::Horizontal, frameDevicePx()));
}

int Form::Height() const
{
    return twips::recall(m_tw[3], height(), outerAxis(Qt::Vertical, frameDevicePx()));
}

void Form::setLeft(int v)
{
    m_tw[0] = v;
    move(twips::toPixelsX(v), pos().y());
}

void Form::setTop(int v)
{
    m_tw[1] = v;
    move(pos().x(), twips::toPixelsY(v));
}

void Form::setWidth(int v)
{
    m_tw[2] = v;
    m_sizedWith[0] = frameDevicePx();
    applyClientSize(clientWidthFor(v, *m_sizedWith[0]), height());
}

void Form::setHeight(int v)
{
    m_tw[3] = v;
    m_sizedWith[1] = frameDevicePx();
    applyClientSize(width(), clientHeightFor(v, *m_sizedWith[1]));
}

int Form::ScaleWidth() const
{
    return twips::toTwips(width(), twips::horizontal());
}

int Form::ScaleHeight() const
{
    return twips::toTwips(height(), twips::vertical());
}

void Form::setClientSizeTwips(int w, int h)
{
    applyClientSize(twips::toPixelsX(w), twips::toPixelsY(h));
}

void Form::applyClientSize(int w, int h)
{
    w = std::max(1, w);
    h = std::max(1, h);
    if (m_fixedBorder)
        setFixedSize(w, h);
    else
        resize(w, h);
}
