#include "optionsfile.h"

#include "forms/vbnum.h"
#include "platform/files/filesave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace optionsfile {

namespace {
QString beside(const QString &programFolder, QString relative)
{
    // The relative part is written as on Windows, starting with a backslash.
    return QDir::cleanPath(programFolder + relative.replace(QLatin1Char('\\'), QLatin1Char('/')));
}
} // namespace

QString imagePath(const QString &programFolder)
{
    return beside(programFolder, QStringLiteral("\\einstellung\\optionen.txt"));
}

QString textPath(const QString &programFolder)
{
    return beside(programFolder, QStringLiteral("\\einstellung\\optionen2.txt"));
}

QByteArray format(const std::vector<int> &values)
{
    QByteArray out;
    for (int v : values) {
        // A non-negative number is printed with a blank in its sign position.
        if (v >= 0)
            out += ' ';
        out += QByteArray::number(v);
        out += " \r\n";
    }
    return out;
}

QStringList splitLines(const QByteArray &head, bool wholeFile, int count)
{
    QStringList lines;
    const qsizetype n = head.size();
    qsizetype start = 0;
    while (lines.size() < count && start < n) {
        qsizetype end = start;
        while (end < n && head.at(end) != '\r' && head.at(end) != '\n')
            ++end;
        if (end == n && !wholeFile)
            break;
        lines << QString::fromLatin1(head.constData() + start, end - start);
        if (end == n)
            break;
        if (head.at(end) == '\r') {
            if (end + 1 < n && head.at(end + 1) == '\n')
                ++end;
            else if (end + 1 == n && !wholeFile)
                break; // the LF of this CR LF may lie beyond what was read
        }
        start = end + 1;
    }
    return lines;
}

QStringList readLines(const QString &path, int count)
{
    // A pipe or a device by that name would block or never end.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(kReadLimit);
    return splitLines(head, file.atEnd(), count);
}

std::vector<std::optional<int>> assignments(const QStringList &lines, int reads)
{
    std::vector<std::optional<int>> out;
    std::optional<QString> last;
    for (int i = 0; i < reads; ++i) {
        if (i < lines.size())
            last = lines.at(i);
        out.push_back(last ? vbnum::toCheckValue(*last) : std::nullopt);
    }
    return out;
}

bool write(const QString &path, const QByteArray &content)
{
    return filesave::writeWhole(path, content);
}

} // namespace optionsfile
