#pragma once
// What the stores hold, kept across runs when the user asks for it. The
// windows tell the history what changed in their own terms (an entry added
// at the end, the entry at a position removed, a slot filled or emptied, the
// current slot); the history knows none of them. Every call returns at
// once: the writing happens elsewhere.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// A filled image slot: the picture as the bytes and MIME type it came as
// (a picture that came as pixels alone is kept as PNG), and the renderings
// the store showed of it (each as drawn, in device pixels with their
// ratio), so that a start decodes no picture.
struct HistorySlot {
    QByteArray bytes;
    QByteArray type;
    QImage pixels; // a picture without bytes of its own
    QImage thumbnail;
    QImage preview;
};

// The image store's part of what was kept.
struct KeptPictures {
    static constexpr int kSlots = 10;
    std::array<std::optional<HistorySlot>, kSlots> pictures;
    // The text of the current slot's number box, empty when none was kept.
    QString currentSlot;
    // The slot stored last, whose preview the store showed; -1 when none.
    int lastStored = -1;
};

class History
{
public:
    virtual ~History() = default;

    // The kept texts in order, at most `max` of them, for the text list to
    // show when it loads; from then on positions given to textRemoved()
    // count in that list. Handed out once: a later call returns none.
    virtual QStringList takeTexts(int max) = 0;
    // The kept slots, handed out once as well.
    virtual KeptPictures takePictures() = 0;

    virtual void textAppended(const QString &text) = 0;
    virtual void textRemoved(int index) = 0;
    // The list now holds exactly `texts` (a list that had been shown before
    // the history was switched on, or one emptied).
    virtual void textsReplaced(const QStringList &texts) = 0;
    virtual void slotStored(int slot, const HistorySlot &content) = 0;
    virtual void slotCleared(int slot) = 0;
    virtual void currentSlotChanged(const QString &text) = 0;
};
