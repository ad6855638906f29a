#include "platform/clipboard/secretprints.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QMutex>
#include <QRandomGenerator>

#include <algorithm>
#include <deque>

#include <string.h>

namespace secretprints {

namespace {

struct Prints {
    Prints()
        : salt(32, Qt::Uninitialized)
    {
        QRandomGenerator::system()->generate(reinterpret_cast<quint32 *>(salt.data()),
                                             reinterpret_cast<quint32 *>(salt.data() + salt.size()));
    }
    QMutex mutex; // the readers run on worker threads
    QByteArray salt; // drawn anew each run
    std::deque<QByteArray> seen; // the newest last
};

Prints &prints()
{
    static Prints p;
    return p;
}

QByteArray fingerprint(const QByteArray &salt, const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(salt);
    hash.addData(utf8);
    explicit_bzero(utf8.data(), static_cast<size_t>(utf8.size()));
    return hash.result();
}

} // namespace

void remember(QString &text)
{
    Prints &p = prints();
    const QMutexLocker lock(&p.mutex);
    QByteArray print = fingerprint(p.salt, text);
    wipe(text);
    if (std::find(p.seen.begin(), p.seen.end(), print) == p.seen.end())
        p.seen.push_back(std::move(print));
    while (p.seen.size() > static_cast<size_t>(kKept))
        p.seen.pop_front();
}

bool known(const QString &text)
{
    Prints &p = prints();
    const QMutexLocker lock(&p.mutex);
    if (p.seen.empty())
        return false;
    const QByteArray print = fingerprint(p.salt, text);
    return std::find(p.seen.begin(), p.seen.end(), print) != p.seen.end();
}

void wipe(QString &text)
{
    if (!text.isDetached()) {
        text.clear();
        return;
    }
    explicit_bzero(text.data(), static_cast<size_t>(text.size()) * sizeof(QChar));
    text.clear();
}

} // namespace secretprints
