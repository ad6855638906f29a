#include "platform/keptcontent.h"

KeptContent KeptContent::of(const SelectionFetcher::Result &r)
{
    KeptContent k;
    if (r.text && !r.textCut)
        k.text = r.text;
    if (!r.image.isNull() && !r.refused) {
        k.image = r.image;
        if (r.imageType == "image/png")
            k.png = r.imageBytes;
    }
    return k;
}
