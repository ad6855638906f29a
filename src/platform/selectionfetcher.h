#pragma once
// Fetches the X11 CLIPBOARD selection on a thread of its own: the offered
// targets (a change whose owner offers a password manager's secret mark
// brings nothing, see secrethint.h), the text and the first image
// type Qt can decode. A change to another owner cancels the fetch in
// progress at once (the clipboard has moved on, and a change never waits
// for an older one); a fetch gives up when the owner stops making
// progress, and in any case after an overall limit.

#include <QByteArray>
#include <QByteArrayList>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

class SelectionFetcher
{
public:
    // A picture over the limits: its size when its header could be read,
    // and the bytes the owner offered (at least the transfer limit when cut).
    struct Refusal {
        QSize size;
        qint64 bytes = 0;
    };
    struct Result {
        std::optional<QString> text;
        bool textCut = false; // the text is only the start of a longer one
        QImage image;
        QByteArray imageBytes; // the picture as its owner sent it, in `imageType`
        QByteArray imageType;
        // The mark of this process's own picture offer, when the clipboard holds one; no image is fetched then.
        QByteArray ownMark;
        std::optional<Refusal> refused;
        quint32 owner = 0;       // the window that owned the clipboard when the fetch began
        unsigned generation = 0; // the last request this fetch serves
        bool change = true;      // it serves a notice of a change (not only a look of our own)
    };
    using Done = std::function<void(const Result &)>;

    struct Limits {
        int patienceMs = 1500; // longest wait for the owner's next step
        int overallMs = 8000;  // longest fetch, whatever the progress
        qsizetype textBytes = kMaxTextBytes; // the longest text taken; the rest is cut
    };

    // `imageTypes`: MIME types of images to ask for, most wanted first. A
    // change that carries this process's own picture mark brings the mark
    // instead of an image.
    SelectionFetcher(QByteArrayList imageTypes, Limits limits, Done done);
    ~SelectionFetcher();

    bool connected() const { return m_connected; }
    // Asks for a fetch of what the clipboard holds now; `done` runs on the
    // worker thread when it ends. A fetch still running from another owner
    // is abandoned; one from the same owner ends first. `change`: false when
    // the program only looks again (no change of the clipboard is noticed).
    // Returns the request's number, which the fetch serving it carries.
    unsigned request(bool change = true);

    // Limits of one transfer and of a picture.
    static constexpr qsizetype kMaxTextBytes = 64 * 1024 * 1024;
    static constexpr qsizetype kMaxImageBytes = 320 * 1024 * 1024;
    static constexpr int kMaxSide = 8192;
    static constexpr qint64 kMaxPixels = qint64(kMaxSide) * kMaxSide; // 256 MiB at 32 bits a pixel
    // True when a picture of `size` has more pixels than a picture may have.
    static bool tooManyPixels(const QSize &size) { return qint64(size.width()) * size.height() > kMaxPixels; }

    // The picture in `bytes` (nothing usable: a null image), or the refusal of one too big.
    static QImage decode(const QByteArray &bytes, bool cut, std::optional<Refusal> *refused);

    struct X; // the worker's own connection

private:
    void run();
    Result fetch(unsigned generation);

    std::unique_ptr<X> m_x;
    QByteArrayList m_imageTypes;
    Limits m_limits;
    Done m_done;
    bool m_connected = false;
    int m_wake = -1; // eventfd: a request or the end
    std::atomic<unsigned> m_requested{0};
    std::atomic<unsigned> m_changeRequested{0}; // the number of the latest request for a change
    unsigned m_served = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
