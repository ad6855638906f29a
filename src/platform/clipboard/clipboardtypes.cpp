#include "platform/clipboard/clipboardtypes.h"

#include "platform/services/log.h"

#include <QImageReader>

QByteArrayList textTypeNames()
{
    QByteArrayList out;
    for (const TextType &t : kTextTypes)
        out << t.name;
    return out << "COMPOUND_TEXT";
}

bool isTextType(const QByteArray &name)
{
    return textTypeNames().contains(name);
}

QByteArrayList imageTypes()
{
    QByteArrayList out = {"image/png", "image/bmp", "image/x-bmp", "image/x-MS-bmp", "image/tiff",
                          "image/x-portable-pixmap"};
    for (const QByteArray &t : QImageReader::supportedMimeTypes()) {
        if (!out.contains(t) && t != "image/svg+xml")
            out << t;
    }
    return out;
}

void logGiveUp(GiveUp why, const QByteArray &asked, const char *peer, int patienceMs, int overallMs)
{
    switch (why) {
    case GiveUp::Stopped:
        break;
    case GiveUp::Broken:
        qCWarning(lcClipboard).nospace() << "fetch aborted asking for " << asked << " - the connection to " << peer
                                         << " failed";
        break;
    case GiveUp::Overtaken:
        qCInfo(lcClipboard) << "fetch abandoned asking for" << asked << "- another program took the clipboard";
        break;
    case GiveUp::Silent:
        qCWarning(lcClipboard) << "fetch timed out asking for" << asked << "- the owner sent nothing for" << patienceMs
                               << "ms";
        break;
    case GiveUp::Overall:
        qCWarning(lcClipboard) << "fetch timed out asking for" << asked << "- not done after" << overallMs
                               << "ms in all";
        break;
    }
}
