#include "platform/secrethint.h"

namespace secrethint {

bool keepsOut(const std::optional<QByteArray> &value)
{
    if (!value || value->size() > kMaxBytes)
        return true;
    auto blank = [](char c) { return c == '\0' || c == ' ' || (c >= '\t' && c <= '\r'); };
    qsizetype from = 0;
    qsizetype to = value->size();
    while (from < to && blank(value->at(from)))
        ++from;
    while (to > from && blank(value->at(to - 1)))
        --to;
    // An owner that offers the mark but gives it no value may mean it: kept out too.
    return from == to || value->mid(from, to - from).compare("secret", Qt::CaseInsensitive) == 0;
}

} // namespace secrethint
