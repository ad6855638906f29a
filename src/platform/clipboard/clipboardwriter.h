#pragma once
// Writing the system clipboard, the same for every way of reading it: Qt
// owns and serves what the program puts there. On X11 a stored picture goes
// there at once as its own bytes, a picture made in the program is first
// encoded once for other programs (see imageoffer.h) and reaches the
// clipboard a moment later; elsewhere at once. Reading is the subclass's.

#include "platform/services/services.h"

#include <memory>

class ImageOffer;

class ClipboardWriter : public Clipboard
{
    Q_OBJECT
public:
    ClipboardWriter();
    ~ClipboardWriter() override;

    void SetText(const QString &text) override;
    void SetData(const QImage &image) override;
    void SetPicture(const StoredPicture &picture) override;
    void Clear() override;
    // True while a picture is being made ready for the clipboard.
    bool offerPending() const;

protected:
    // The stored picture this program put on the clipboard under `mark`, if it is the last one.
    StoredPicture ownPicture(const QByteArray &mark) const;

private:
    std::unique_ptr<ImageOffer> m_offer; // only where other programs read the clipboard (X11)
};
