#include "fakeservices.h"

bool FakeClipboard::GetFormat(int format)
{
    if (format == vbCFText)
        return text.has_value();
    if (format == vbCFBitmap)
        return !image.isNull();
    return false;
}

std::optional<QString> FakeClipboard::GetText()
{
    ++reads;
    if (unreadable)
        return std::nullopt;
    return text;
}

QImage FakeClipboard::GetData()
{
    ++reads;
    if (unreadable)
        return {};
    return image;
}

void FakeClipboard::SetText(const QString &t)
{
    text = t;
    image = QImage();
    emit changed();
}

void FakeClipboard::SetData(const QImage &i)
{
    text.reset();
    image = i;
    emit changed();
}

void FakeClipboard::Clear()
{
    text.reset();
    image = QImage();
    emit changed();
}

void FakeClipboard::setFromOutside(const std::optional<QString> &t, const QImage &i)
{
    text = t;
    image = i;
    emit changed();
}

int FakeMessageBox::show(const QString &text, int style, const QString &title)
{
    calls.push_back({text, style, title.isEmpty() ? kAppTitle : title});
    if (whileOpen)
        whileOpen(text);
    if (style != vbYesNo)
        return vbOK;
    if (answers.empty())
        return vbYes;
    const int a = answers.front();
    answers.pop_front();
    return a;
}

QStringList FakeMessageBox::texts() const
{
    QStringList out;
    for (const auto &c : calls)
        out << c.text;
    return out;
}
