#pragma once
// Lets GoogleTest print Qt values readably in failure messages.

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray &bytes, std::ostream *out)
{
    *out << "QByteArray(\"" << bytes.toPercentEncoding(" ").toStdString() << "\")";
}

inline void PrintTo(const QPoint &p, std::ostream *out)
{
    *out << '(' << p.x() << ", " << p.y() << ')';
}

inline void PrintTo(const QSize &s, std::ostream *out)
{
    *out << s.width() << 'x' << s.height();
}

inline void PrintTo(const QRect &r, std::ostream *out)
{
    *out << r.width() << 'x' << r.height() << '+' << r.x() << '+' << r.y();
}

inline void PrintTo(const QStringList &list, std::ostream *out)
{
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", " : "") << '"' << list.at(i).left(80).toStdString() << '"';
    *out << '}';
}
