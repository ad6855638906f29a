#pragma once
// What one change of the clipboard brings, and how its offer is read: the
// same rules for every way of reading the clipboard. The X11 selection
// reader and the Wayland data-control reader only move the bytes of the
// types asked for (OfferTransfer); which types, in which order, up to which
// limits, and what a secret mark, a cut text or a refused picture mean is
// said here once.

#include <QByteArray>
#include <QByteArrayList>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

// A picture over the limits: its size when its header could be read, and
// the bytes the owner offered (at least the transfer limit when cut).
struct PictureRefusal {
    QSize size;
    qint64 bytes = 0;
};

// One type of an owner's offer kept whole, to be offered again exactly:
// the type asked for, the type and format the owner answered in, the bytes.
struct KeptTarget {
    QByteArray target;
    QByteArray type;
    int format = 8;
    QByteArray bytes;
};

struct ChangeContent {
    std::optional<QString> text;
    bool textCut = false; // the text is only the start of a longer one
    QImage image;
    QByteArray imageBytes; // the picture as its owner sent it, in `imageType`
    QByteArray imageType;
    // The mark of this process's own picture offer, when the clipboard holds one; no image is read then.
    QByteArray ownMark;
    std::optional<PictureRefusal> refused;
    bool givenUp = false; // the fetch was given up (a newer owner, a silent owner): nothing of it is kept
    quint32 owner = 0;       // X11: the window that owned the clipboard when the fetch began
    unsigned generation = 0; // X11: the last request this fetch serves
    bool change = true;      // it serves a notice of a change (not only a look of our own)
    // X11: every type an owner about to quit asked us to keep (readKeptTargets).
    std::vector<KeptTarget> savedTargets;
};

struct ClipboardLimits {
    int patienceMs = 1500;               // longest wait for the owner's next step
    int overallMs = 8000;                // longest fetch, whatever the progress
    qsizetype textBytes = kMaxTextBytes; // the longest text taken; the rest is cut

    // Limits of one transfer and of a picture.
    static constexpr qsizetype kMaxTextBytes = 64 * 1024 * 1024;
    static constexpr qsizetype kMaxImageBytes = 320 * 1024 * 1024;
    static constexpr int kMaxSide = 8192;
    static constexpr qint64 kMaxPixels = qint64(kMaxSide) * kMaxSide; // 256 MiB at 32 bits a pixel
    // True when a picture of `size` has more pixels than a picture may have.
    static bool tooManyPixels(const QSize &size) { return qint64(size.width()) * size.height() > kMaxPixels; }
    // Lets the image decoder take what a picture at the limit needs.
    static void allowPictureDecoding();
};

// True when `a` and `b` brought the same content (text, picture bytes and
// type, own mark), something at all: one copy announced twice by its owner
// (GNOME's bridge from Wayland to X11 announces each copy twice).
bool sameContent(const ChangeContent &a, const ChangeContent &b);

// The bytes of one type of the offer at hand, moved by a route.
class OfferTransfer
{
public:
    // How the owner answered, where the route tells (X11: the property's
    // type and format; a Wayland pipe says neither).
    struct Answer {
        QByteArray type;
        int format = 8;
    };
    virtual ~OfferTransfer() = default;
    // The bytes of `type`, at most `maxBytes` (*cut set when the owner had
    // more), or nothing when the owner refused it or the fetch was given up.
    virtual std::optional<QByteArray> read(const QByteArray &type, qsizetype maxBytes, bool *cut, Answer *answer) = 0;
    // True once the fetch is given up: nothing more is asked, and nothing of it is kept.
    virtual bool givenUp() const = 0;
};

// The most an owner that quits may leave with the program, all its types together.
inline constexpr qsizetype kMaxKeptBytes = 128 * 1024 * 1024;

// Reads every type of `offered` that an owner about to quit asked to be
// kept (`listed`; all it offers when that is empty), each whole, up to
// `totalBytes` in all: a type that does not fit is left out. The
// selection's own targets (TARGETS, MULTIPLE, ...) are no content; an offer
// marked secret, one with the text of a marked copy seen before, or a fetch
// given up, keeps nothing.
std::vector<KeptTarget> readKeptTargets(const QByteArrayList &offered, const QByteArrayList &listed,
                                        OfferTransfer &t, qsizetype totalBytes = kMaxKeptBytes);

// Reads an offer of the types `offered`: nothing at all when one of them is
// a password manager's secret mark (where `printMarked`, its text is read
// to keep its fingerprint, secretprints.h, and nothing else), nor when its
// text is that of a marked copy seen before; else the first text type of
// the table that is offered (up to `limits.textBytes`, the rest cut), the
// program's own picture mark where `askOwnMark`, and else the first of
// `imageTypes` that decodes to a picture within the limits. A fetch given
// up brings nothing: what it read may be half of the content.
ChangeContent readOffer(const QByteArrayList &offered, OfferTransfer &t, const QByteArrayList &imageTypes,
                        const ClipboardLimits &limits, bool askOwnMark, bool printMarked = false);

// What a change brought, in a few words for the log: "text of 12 characters",
// "picture 3840 x 2160 as image/png", "nothing the program keeps", ...
QString describeChange(const ChangeContent &c);

// The picture in `bytes` (nothing usable: a null image), or the refusal of one too big.
QImage decodePicture(const QByteArray &bytes, bool cut, std::optional<PictureRefusal> *refused);
