#include "form.h"

#include "forms.h"
#include "keys.h"
#include "twips.h"

#include <QApplication>
#include <QCloseEvent>
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
    if (m_centre && !m_shownOnce) {
        if (const QScreen *s = QGuiApplication::primaryScreen()) {
            const QMargins m = frameMarginsPx();
            const QSize outer = size().grownBy(m);
            const QRect avail = s->availableGeometry();
            move(avail.center() - QPoint(outer.width() / 2, outer.height() / 2));
        }
    }
    m_shownOnce = true;
    show();
    raise();
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
    return QWidget::event(event);
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
    // the window previews it once. A key release ends that key's journey.
    // The next key may arrive at the same address (a modifier held, then the
    // key), so the key and its time tell the events apart as well.
    struct Previewed {
        const QEvent *event = nullptr;
        int key = 0;
        quint64 time = 0;
    };
    static Previewed previewed;
    if (event->type() == QEvent::KeyRelease) {
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
    Form_KeyDown(keys::virtualKey(key->key()), keys::shiftState(key->modifiers()));
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

QMargins Form::frameMarginsPx() const
{
    if (isVisible()) {
        if (const QWindow *w = windowHandle()) {
            const QMargins m = w->frameMargins();
            if (!m.isNull())
                return m;
        }
    }
    return {3, 19, 3, 3};
}

namespace {
int tw(double px, double perPixel)
{
    return static_cast<int>(std::lround(px * perPixel));
}
} // namespace

int Form::Left() const
{
    const int px = pos().x();
    return m_tw[0] && twips::toPixelsX(*m_tw[0]) == px ? *m_tw[0] : tw(px, twips::perPixelX());
}

int Form::Top() const
{
    const int px = pos().y();
    return m_tw[1] && twips::toPixelsY(*m_tw[1]) == px ? *m_tw[1] : tw(px, twips::perPixelY());
}

int Form::Width() const
{
    const QMargins m = frameMarginsPx();
    const int px = width() + m.left() + m.right();
    return m_tw[2] && twips::toPixelsX(*m_tw[2]) == px ? *m_tw[2] : tw(px, twips::perPixelX());
}

int Form::Height() const
{
    const QMargins m = frameMarginsPx();
    const int px = height() + m.top() + m.bottom();
    return m_tw[3] && twips::toPixelsY(*m_tw[3]) == px ? *m_tw[3] : tw(px, twips::perPixelY());
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
    const QMargins m = frameMarginsPx();
    applyClientSize(twips::toPixelsX(v) - m.left() - m.right(), height());
}

void Form::setHeight(int v)
{
    m_tw[3] = v;
    const QMargins m = frameMarginsPx();
    applyClientSize(width(), twips::toPixelsY(v) - m.top() - m.bottom());
}

int Form::ScaleWidth() const
{
    return tw(width(), twips::perPixelX());
}

int Form::ScaleHeight() const
{
    return tw(height(), twips::perPixelY());
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
