#include "platform/keptcontent.h"

KeptContent KeptContent::of(const SelectionFetcher::Result &r)
{
    KeptContent k;
    if (r.text && !r.textCut)
        k.text = r.text;
    if (!r.image.isNull() && !r.refused) {
        k.picture = StoredPicture::encoded(r.imageBytes, r.imageType, r.image);
        k.picture.forgetPixels();
    }
    return k;
}
