#include "platform/clipboard/keptcontent.h"

#include "platform/clipboard/picturetype.h"

#include <utility>

KeptContent KeptContent::of(const ChangeContent &r)
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

KeptContent::Form KeptContent::form() const
{
    if (text)
        return Form::Text;
    if (picture.isNull())
        return Form::Nothing;
    // By the bytes, not by the name they came under.
    return pictureTypeOf(picture.bytes()) == "image/png" ? Form::Png : Form::EncodedAsPng;
}

void KeptClipboard::keep(KeptContent content, quint32 owner)
{
    m_content = std::move(content);
    m_owner = owner;
}

std::optional<KeptContent> KeptClipboard::take(quint32 owner)
{
    if (owner != m_owner || m_content.empty())
        return std::nullopt;
    return std::exchange(m_content, {});
}
