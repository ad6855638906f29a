// The image store's window behaviours: hover texts, the auto width of
// "Auto-Maus", dragging by a thumbnail or by the background, and the buttons
// that open the image viewer and the text store.

#include "Formbilder.h"

#include "Bilderramen.h"

#include "forms/forms.h"
#include "forms/keys.h"
#include "textstore/Textform.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QThreadPool>

void Formbilder::wireBehaviours()
{
    for (int n = 0; n < kSlots; ++n) {
        ControlEvents *e = events(Picture2[n]);
        connect(e, &ControlEvents::MouseMove, this,
                [this, n](int button, int shift, int x, int y) { Picture2_MouseMove(n, button, shift, x, y); });
        connect(e, &ControlEvents::MouseDown, this,
                [this, n](int button, int shift, int x, int y) { Picture2_MouseDown(n, button, shift, x, y); });
    }
    connect(events(Command15), &ControlEvents::MouseMove, this, &Formbilder::Command15_MouseMove);
    connect(events(Command27), &ControlEvents::MouseMove, this, &Formbilder::Command27_MouseMove);
    connect(events(Command17), &ControlEvents::MouseMove, this, &Formbilder::Command17_MouseMove);
    connect(events(Command19), &ControlEvents::MouseMove, this, &Formbilder::Command19_MouseMove);
    connect(events(Picture7), &ControlEvents::MouseMove, this, &Formbilder::Picture7_MouseMove);
    connect(Command22, &QPushButton::clicked, this, &Formbilder::Command22_Click);
    connect(Command24, &QPushButton::clicked, this, &Formbilder::Command24_Click);
}

void Formbilder::Picture2_MouseMove(int index, int, int, int, int)
{
    if (const auto k = currentSlot())
        setPlainToolTip(Picture2[*k], QStringLiteral("Mit Doppelklick: Kopie in Zwischenablage kopieren von (Bild-")
                                          + Text1->Text() + QStringLiteral(" Speicher)"));
    if (Check4->Value() == 0)
        return;
    if (index >= 0 && index < static_cast<int>(kAutoWidths.size()))
        setWidth(kAutoWidths[index]);
}

void Formbilder::Picture2_MouseDown(int, int button, int, int, int)
{
    if (button == 1)
        MoveWindow(hWnd());
}

void Formbilder::mouseMoveEvent(QMouseEvent *event)
{
    Form::mouseMoveEvent(event);
    // A control that does not take the pointer passes its moves on to the
    // window; only those over no control are the window's own.
    const QPoint p = event->position().toPoint();
    if (!childAt(p))
        Form_MouseMove(keys::buttonState(event->buttons()), keys::shiftState(event->modifiers()), p.x(), p.y());
}

void Formbilder::Form_MouseMove(int button, int, int, int)
{
    if (button == 1)
        MoveWindow(hWnd());
}

void Formbilder::MoveWindow(HWND hwnd)
{
    ReleaseCapture();
    SendMessageA(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void Formbilder::Command15_MouseMove(int, int, int, int)
{
    setPlainToolTip(Command15, QStringLiteral("Alle Bild-Speicher mit Klick löschen"));
}

void Formbilder::Command27_MouseMove(int, int, int, int)
{
    setPlainToolTip(Command27, QStringLiteral("Bild-") + Text1->Text() + QStringLiteral("-Speicher mit Klick löschen"));
}

void Formbilder::Command17_MouseMove(int, int, int, int)
{
    setPlainToolTip(Command17,
                    QStringLiteral("Zwischenablage einfügen in (Bild-") + Text1->Text() + QStringLiteral(" Speicher)"));
}

void Formbilder::Command19_MouseMove(int, int, int, int)
{
    setPlainToolTip(Command19, QStringLiteral("Kopie in Zwischenablage kopieren von (Bild-") + Text1->Text()
                                   + QStringLiteral(" Speicher)"));
}

void Formbilder::Picture7_MouseMove(int, int, int, int)
{
    setPlainToolTip(Picture7, QStringLiteral("Zwischenablage"));
}

void Formbilder::Command18_Click()
{
    // Referring to the viewer loads it if needed; this does not show it.
    Bilderramen &viewer = forms().get<Bilderramen>();
    if (const auto n = currentSlot())
        showInViewer(viewer, *n);
}

void Formbilder::showInViewer(Bilderramen &viewer, int n)
{
    const StoredPicture &slot = Bildx[n]->stored();
    m_forViewer = slot.identity();
    // The viewer keeps the pixels of the picture it shows: a refresh of the
    // same picture decodes nothing.
    if (slot.is(m_inViewer) && viewer.Image1->Picture().size() == slot.size()) {
        viewer.Image1->setPicture(viewer.Image1->Picture());
        return;
    }
    if (slot.isNull() || slot.hasPixels()) {
        viewer.Image1->setPicture(slot.pixels());
        m_inViewer = m_forViewer;
        return;
    }
    // A picture held as its bytes is decoded on a worker (a 4K picture takes
    // a good part of a second); the viewer shows it when it is done.
    if (slot.is(m_decoding))
        return;
    m_decoding = slot.identity();
    QThreadPool::globalInstance()->start([store = QPointer<Formbilder>(this), slot] {
        const QImage pixels = slot.pixels();
        QMetaObject::invokeMethod(
            qApp, [store, slot, pixels] {
                if (store)
                    store->viewerDecoded(slot, pixels);
            },
            Qt::QueuedConnection);
    });
}

void Formbilder::viewerDecoded(const StoredPicture &picture, const QImage &pixels)
{
    if (picture.is(m_decoding))
        m_decoding.reset();
    Bilderramen *viewer = forms().find<Bilderramen>();
    // Another picture was asked for meanwhile, or the viewer has closed.
    if (!picture.is(m_forViewer) || !viewer || viewer->isUnloaded())
        return;
    viewer->Image1->setPicture(pixels);
    m_inViewer = m_forViewer;
    // A refresh that came before the picture fitted the view to the one before.
    if (!viewer->Timer1->isActive())
        viewer->ApplyViewMode();
}

void Formbilder::Command22_Click()
{
    Bilderramen &viewer = forms().get<Bilderramen>();
    viewer.Show();
    if (const auto k = currentSlot())
        showInViewer(viewer, *k);
    viewer.Timer1->start();
}

void Formbilder::Command24_Click()
{
    forms().get<Textform>().Show();
}
