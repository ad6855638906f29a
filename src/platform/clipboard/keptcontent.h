#pragma once
// What of one clipboard change may go back on the clipboard once its owner
// has gone, on X11 and on Wayland alike: only what was read whole. A text cut
// at the transfer limit and a refused picture never go back; a change marked
// secret, or one whose fetch was given up, brought nothing to keep.

#include "platform/clipboard/change.h"
#include "platform/clipboard/storedpicture.h"

#include <QByteArrayList>

struct KeptContent {
    std::optional<QString> text;
    StoredPicture picture; // as its owner sent it: the bytes, no pixels kept
    bool empty() const { return !text && picture.isNull(); }

    // What of the change `r` brought may go back.
    static KeptContent of(const ChangeContent &r);

    // How it goes back: a text as the program copies one (the text when
    // both came, as the text store's copy offers it); PNG bytes (whatever
    // name they came under) as they are; any other picture encoded as PNG
    // once, away from the window's thread, and offered as such.
    enum class Form { Nothing, Text, Png, EncodedAsPng };
    Form form() const;
};

// The content kept for a put-back: the last one read whole, handed out once.
class KeptClipboard
{
public:
    // What of `change` may go back, and who served it (X11's owner window; 0 where the route names none).
    void keep(const ChangeContent &change, quint32 owner = 0) { keep(KeptContent::of(change), owner); }
    void keep(KeptContent content, quint32 owner = 0);
    void forget() { keep(KeptContent{}); }
    // The content for a put-back after `owner`'s change has gone, once:
    // nothing when another owner served it, or it went back already.
    std::optional<KeptContent> take(quint32 owner = 0);
    bool empty() const { return m_content.empty(); }

private:
    KeptContent m_content;
    quint32 m_owner = 0;
};
