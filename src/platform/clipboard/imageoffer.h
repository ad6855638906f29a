#pragma once
// A picture put on the clipboard for other programs. Left to itself, Qt
// encodes the picture anew on the user-interface thread for every program
// that asks for it, in whatever image type it asks for: about a second for
// 3840 x 2160 and a quarter of a minute for 10000 x 10000, all that time with
// the program frozen. Here the picture is encoded once, as PNG, on a worker
// thread and then goes on the clipboard as those bytes, offered as image/png
// only; serving it is a plain transfer. Until then the clipboard keeps what it
// held. A newer write of the program, or another program taking the
// clipboard, drops an offer that is still being encoded.
//
// A picture stored with its bytes (offerStored) goes on the clipboard at
// once: its bytes under the type they really are, image/png and image/bmp
// (24 bits, 32 with alpha where it has transparency) converted on a worker
// from the moment it is offered where the bytes are not that type
// (pictureOffer). The toolkit answers a reader from the window's
// thread and cannot answer later, so a conversion started only at the
// request would hold the window for its whole length; started at once it is
// mostly done before a reader asks, and one asking earlier waits only for
// the rest. The conversions go with the offer when the clipboard moves on.
// A mark of its own (kMarkTarget) tells this program its own copy
// when the copy comes back through the capture.

#include "platform/clipboard/storedpicture.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

class QMimeData;

class ImageOffer : public QObject
{
    Q_OBJECT
public:
    explicit ImageOffer(QObject *parent = nullptr);
    ~ImageOffer() override;

    // Starts encoding `image`; it goes on the clipboard when done, unless dropped before.
    void offer(const QImage &image);
    // `picture` on the clipboard now, its bytes as they are.
    void offerStored(const StoredPicture &picture);
    // The picture of `mark` when it is the last this object put on the clipboard, else a null picture.
    StoredPicture own(const QByteArray &mark) const;
    // Drops the offer still being encoded, if any.
    void cancel();
    bool pending() const { return m_job != nullptr; }

    // PNG bytes of `image`, fast to write rather than small; empty when
    // `stop` is true or turns true on the way, or the picture cannot be encoded.
    static QByteArray encode(const QImage &image, const std::atomic<bool> &stop);
    // Clipboard content holding `png` as image/png only. Readers in this
    // process asking for the picture get it decoded.
    static QMimeData *mimeData(const QByteArray &png);

    // The target holding a stored offer's mark, and whether a mark is this process's.
    static constexpr const char *kMarkTarget = "application/x-merkolo-picture";
    static bool isOwnMark(const QByteArray &mark);
    // Writes the BMP file of a picture; offers carry image/bmp only once it is set.
    using BitmapWriter = std::function<bool(const QImage &, QIODevice &)>;
    static void setBitmapWriter(BitmapWriter writer);
    static bool writesBitmaps();
    // The BMP file of `image`; empty without a writer or when it fails.
    static QByteArray bitmap(const QImage &image);

signals:
    // The encoded picture is on the clipboard now.
    void offered();

private:
    struct Job {
        std::atomic<bool> dropped{false};
    };
    void finish(const std::shared_ptr<Job> &job, const QByteArray &png);

    std::shared_ptr<Job> m_job;
    StoredPicture m_stored; // the last stored picture offered
    QByteArray m_mark;      // and its mark
    quint64 m_marks = 0;
    // Set only when this object goes: encodings stop half-way then. A dropped
    // offer's encoding runs to its end instead, since Qt's PNG writer leaks
    // a little memory when it is stopped by a failing write.
    std::atomic<bool> m_stopping{false};
    QThreadPool m_pool;
};
