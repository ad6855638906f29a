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

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QThreadPool>

#include <atomic>
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
    // Drops the offer still being encoded, if any.
    void cancel();
    bool pending() const { return m_job != nullptr; }

    // PNG bytes of `image`, fast to write rather than small; empty when
    // `stop` is true or turns true on the way, or the picture cannot be encoded.
    static QByteArray encode(const QImage &image, const std::atomic<bool> &stop);
    // Clipboard content holding `png` as image/png only. Readers in this
    // process asking for the picture get it decoded.
    static QMimeData *mimeData(const QByteArray &png);

signals:
    // The encoded picture is on the clipboard now.
    void offered();

private:
    struct Job {
        std::atomic<bool> dropped{false};
    };
    void finish(const std::shared_ptr<Job> &job, const QByteArray &png);

    std::shared_ptr<Job> m_job;
    // Set only when this object goes: encodings stop half-way then. A dropped
    // offer's encoding runs to its end instead, since Qt's PNG writer leaks
    // a little memory when it is stopped by a failing write.
    std::atomic<bool> m_stopping{false};
    QThreadPool m_pool;
};
