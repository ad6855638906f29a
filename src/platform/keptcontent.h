#pragma once
// What of one clipboard change may go back on the clipboard once its owner
// has gone, on X11 and on Wayland alike: only what was read whole. A text cut
// at the transfer limit and a refused picture never go back; a change marked
// secret, or one whose fetch was given up, brought nothing to keep.

#include "platform/selectionfetcher.h"
#include "platform/storedpicture.h"

struct KeptContent {
    std::optional<QString> text;
    StoredPicture picture; // as its owner sent it: the bytes, no pixels kept
    bool empty() const { return !text && picture.isNull(); }

    // What of the change `r` brought may go back.
    static KeptContent of(const SelectionFetcher::Result &r);
};
