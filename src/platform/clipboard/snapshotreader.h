#pragma once
// A clipboard read by a route of its own (X11, Wayland): each change is
// delivered as one snapshot, the text and the picture of the same change,
// and the capture reads that snapshot until the next one.

#include "platform/services/services.h"

#include <utility>

template <class Base> class SnapshotReader : public Base
{
public:
    bool GetFormat(int format) override
    {
        return format == vbCFText ? m_text.has_value() : format == vbCFBitmap && !m_picture.isNull();
    }
    std::optional<QString> GetText() override { return m_text; }
    QImage GetData() override { return m_picture.pixels(); }
    StoredPicture GetPicture() override { return m_picture; }

    // Snapshots delivered so far; the first is what the clipboard held at start.
    int snapshots() const { return m_snapshots; }

protected:
    // The change at hand: its handlers read it now. The capture then holds
    // its pixels; the snapshot keeps only the picture's bytes.
    void deliver(std::optional<QString> text, StoredPicture picture)
    {
        m_text = std::move(text);
        m_picture = std::move(picture);
        ++m_snapshots;
        emit this->changed();
        m_picture.forgetPixels();
    }

private:
    std::optional<QString> m_text;
    StoredPicture m_picture;
    int m_snapshots = 0;
};
