#pragma once
// The clipboard on X11. The content of each change is fetched on a worker
// thread with a connection of its own and a deadline, so that an owner that
// is slow or never answers, a huge transfer or a slow image decode cannot
// freeze the program. Each change is delivered as one snapshot (text and
// bitmap of the same change), in the order of the changes. Writing goes
// through Qt, which then owns and serves the clipboard.

#include "platform/clipboardwriter.h"
#include "platform/selectionfetcher.h"

#include <memory>

class X11Clipboard : public ClipboardWriter
{
    Q_OBJECT
public:
    // What one change brought.
    struct Snapshot {
        std::optional<QString> text;
        StoredPicture picture;
    };

    // Fetches what the clipboard holds at start, so that joining the viewer
    // chain captures it. Reads nothing unless connected().
    X11Clipboard();
    ~X11Clipboard() override;

    // True when the worker has a connection of its own to the X server.
    bool connected() const;

    bool GetFormat(int format) override;
    std::optional<QString> GetText() override;
    QImage GetData() override;
    StoredPicture GetPicture() override;

    // Snapshots delivered so far; the first one is what the clipboard held at start.
    int snapshots() const { return m_snapshots; }

    // Longest wait for the owner's next step, and for one change in all.
    static constexpr int kPatienceMs = SelectionFetcher::Limits{}.patienceMs;
    static constexpr int kOverallMs = SelectionFetcher::Limits{}.overallMs;

private:
    void deliver(Snapshot snapshot, const QByteArray &ownMark);

    Snapshot m_current;
    int m_snapshots = 0;
    std::unique_ptr<SelectionFetcher> m_fetcher;
};
