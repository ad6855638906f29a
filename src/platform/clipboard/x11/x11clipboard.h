#pragma once
// The clipboard on X11. The content of each change is fetched on a worker
// thread with a connection of its own and a deadline, so that an owner that
// is slow or never answers, a huge transfer or a slow image decode cannot
// freeze the program. Each change is delivered as one snapshot (text and
// bitmap of the same change), in the order of the changes. Writing goes
// through Qt, which then owns and serves the clipboard.
//
// The clipboard also outlives the programs that fill it: while no other
// clipboard manager runs, the last content read whole goes back on the
// clipboard when its owner ends, or when an owner about to quit asks for it
// (SAVE_TARGETS); see clipboardkeeper.h. Putting it back is no change of
// the clipboard for the program: nothing is delivered for it.

#include "platform/clipboard/x11/clipboardkeeper.h"
#include "platform/clipboard/clipboardwriter.h"
#include "platform/clipboard/keptcontent.h"
#include "platform/clipboard/snapshotreader.h"
#include "platform/clipboard/x11/selectionfetcher.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QMimeData;

class X11Clipboard : public SnapshotReader<ClipboardWriter>
{
    Q_OBJECT
public:
    // Fetches what the clipboard holds at start, so that joining the viewer
    // chain captures it. Reads nothing unless connected().
    X11Clipboard();
    ~X11Clipboard() override;

    // True when the worker has a connection of its own to the X server.
    bool connected() const;

    void SetText(const QString &text) override;
    void SetData(const QImage &image) override;
    void SetPicture(const StoredPicture &picture) override;
    void Clear() override;
    void keepAfterEnd() override;

    // True while the program holds the clipboard manager role.
    bool keeping() const { return m_keeper && m_keeper->manager(); }

    // Longest wait for the owner's next step, and for one change in all.
    static constexpr int kPatienceMs = ClipboardLimits{}.patienceMs;
    static constexpr int kOverallMs = ClipboardLimits{}.overallMs;
    // At the end, another clipboard manager is waited for while it answers:
    // it may fall silent this long at most, and take this long in all.
    static constexpr int kHandOverPatienceMs = 1000;
    static constexpr int kHandOverMs = 10000;
    // Beside another clipboard manager: how long it has to fill the
    // clipboard its owner left empty before the program puts back its own.
    static constexpr int kOtherManagerMs = 300;
    // How long the same content from the same owner counts as the same copy announced again.
    static constexpr int kRepeatMs = 400;

signals:
    // The last content went back on the clipboard after its owner ended.
    void putBack();

private:
    void arrived(const ChangeContent &r);
    // Logs what the change `r` brought and what became of it (`outcome`).
    static void noteChange(const ChangeContent &r, const char *outcome);
    void accept(const ChangeContent &r);
    void ownerGone(bool ended, bool manager, quint32 owner);
    void answerSave(const ClipboardKeeper::Save &save, const ChangeContent &r);
    void restore(const KeptContent &kept, std::function<void(bool)> done);
    // Puts our content on the clipboard through `set`: no change of its own.
    void place(const std::function<void()> &set);
    static quint32 clipboardOwner();
    void ownWrite();
    std::unique_ptr<SelectionFetcher> m_fetcher;
    std::unique_ptr<ClipboardKeeper> m_keeper;

    KeptClipboard m_kept;        // the last content read whole, and the window that served it
    unsigned m_writes = 0;       // changes accepted and own writes so far: a late put-back checks it
    bool m_placing = false;      // inside our own put-back's set call
    bool m_putBackShown = false; // the clipboard holds our put-back (not yet replaced)
    quint32 m_ownWindow = 0;     // the window through which the toolkit owns the clipboard
    bool m_first = true;         // no change has come yet: the next is the clipboard at the start
    bool m_emptyShown = false;   // the last change accepted left the clipboard empty
    quint32 m_acceptedOwner = 0; // the owner of the last change accepted
    unsigned m_writeRequests = 0; // fetch requests made before our latest own copy
    struct Gone {
        bool ended, manager;
        quint32 owner;
    };
    std::optional<Gone> m_pendingGone; // the keeper's word on an owner whose change is still being fetched
    std::optional<ChangeContent> m_last; // the last change accepted, for kRepeatMs
    QTimer m_lastTimer;
    struct PendingSave {
        ClipboardKeeper::Save save;
        unsigned generation;
    };
    std::vector<PendingSave> m_saves;
    std::function<void(bool)> m_handedOver;
};
