// The image slots and the history: what was kept is shown when the window
// loads, from the kept renderings, so that no picture is decoded for it;
// from then on every slot filled or emptied and every change of the current
// slot is handed on.

#include "Formbilder.h"

#include "forms/twips.h"
#include "forms/vbnum.h"
#include "platform/history/history.h"
#include "platform/services/services.h"

namespace {

// The box shows `rendering` as it was drawn: its device pixels at the same place.
void showRendering(PictureBox &box, const QImage &rendering)
{
    box.clearSurface();
    if (rendering.isNull())
        return;
    const double ratio = rendering.devicePixelRatio();
    box.paintStretched(rendering, QRect(0, 0, qRound(rendering.width() / ratio), qRound(rendering.height() / ratio)));
}

// What the box shows now, as drawn, with its pixel ratio.
QImage renderingOf(const PictureBox &box)
{
    QImage rendering = box.surface();
    rendering.setDevicePixelRatio(box.surfaceRatio());
    return rendering;
}

} // namespace

void Formbilder::keepHistory()
{
    History *history = services().history;
    if (!history)
        return;
    const KeptPictures kept = history->takePictures();
    for (int n = 0; n < kSlots; ++n) {
        const std::optional<HistorySlot> &slot = kept.pictures[static_cast<size_t>(n)];
        if (!slot)
            continue;
        Bildx[n]->setPicture(StoredPicture::kept(slot->bytes, slot->type));
        showRendering(*Picture2[n], slot->thumbnail);
    }
    if (kept.lastStored >= 0 && kept.lastStored < kSlots && kept.pictures[static_cast<size_t>(kept.lastStored)]) {
        Picture1->setPicture(Bildx[kept.lastStored]->stored());
        showRendering(*Picture7, kept.pictures[static_cast<size_t>(kept.lastStored)]->preview);
        twips::setWidth(Picture7, kPreviewWidth);
        twips::setHeight(Picture7, kPreviewHeight);
    }
    // Capture goes on from the slot it had reached.
    const auto current = vbnum::toInt16(kept.currentSlot);
    if (current && *current >= 0 && *current < kSlots) {
        Text1->setText(kept.currentSlot);
        Option1[*current]->setValue(true);
    }
}

void Formbilder::slotToHistory(int n)
{
    History *history = services().history;
    if (!history || n < 0 || n >= kSlots)
        return;
    const StoredPicture &picture = Bildx[n]->stored();
    if (picture.isNull()) {
        history->slotCleared(n);
        return;
    }
    HistorySlot slot;
    slot.bytes = picture.bytes();
    slot.type = picture.type();
    if (slot.bytes.isEmpty())
        slot.pixels = picture.pixels();
    slot.thumbnail = renderingOf(*Picture2[n]);
    slot.preview = renderingOf(*Picture7);
    history->slotStored(n, slot);
}

void Formbilder::historyAttached()
{
    for (int n = 0; n < kSlots; ++n)
        slotToHistory(n);
    if (History *history = services().history)
        history->currentSlotChanged(Text1->Text());
}
