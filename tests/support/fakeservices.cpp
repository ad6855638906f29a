#include "fakeservices.h"

#include "platform/services/modalgate.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

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
    stored = StoredPicture();
    emit changed();
}

void FakeClipboard::SetData(const QImage &i)
{
    text.reset();
    image = i;
    stored = StoredPicture();
    emit changed();
}

void FakeClipboard::Clear()
{
    text.reset();
    image = QImage();
    stored = StoredPicture();
    emit changed();
}

void FakeClipboard::setFromOutside(const std::optional<QString> &t, const QImage &i)
{
    text = t;
    image = i;
    stored = StoredPicture();
    emit changed();
}

StoredPicture FakeClipboard::GetPicture()
{
    if (stored.isNull() || unreadable)
        return StoredPicture(GetData());
    ++reads;
    return stored;
}

void FakeClipboard::SetPicture(const StoredPicture &picture)
{
    text.reset();
    image = picture.pixels();
    stored = picture;
    emit changed();
}

void FakeClipboard::setPictureFromOutside(const QByteArray &bytes, const QByteArray &type)
{
    SetPicture(StoredPicture::encoded(bytes, type, QImage()));
}

int FakeMessageBox::show(const QString &text, int style, const QString &title)
{
    ModalGate::Scope open(gate()); // as a real box: what arrives meanwhile waits for the answer
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

bool FakeTray::setIcon(int id, const QIcon &icon, const QString &tip)
{
    const bool added = !icons.count(id);
    icons[id] = {icon, tip};
    if (added) {
        ++adds;
        if (onAdd)
            onAdd();
    }
    return host;
}

void FakeTray::removeIcon(int id)
{
    if (icons.erase(id) == 0)
        return;
    ++removes;
    if (onRemove)
        onRemove();
}

void FakeTray::popUp(QMenu &menu)
{
    QStringList entries;
    QAction *chosen = nullptr;
    for (QAction *a : menu.actions()) {
        entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
        if (!a->isSeparator() && a->text() == choose)
            chosen = a;
    }
    popUps.push_back(entries);
    if (whileOpen)
        whileOpen();
    if (chosen)
        chosen->trigger();
}

void FakeTray::click(int message)
{
    if (!icons.empty())
        emit mouseMessage(icons.begin()->first, message);
}

void FakeTray::setHost(bool present)
{
    host = present;
    emit hostAvailableChanged(present);
}

void whenMessageBoxShows(std::function<void(QMessageBox *)> act)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act = std::move(act)] {
        QMessageBox *box = openMessageBox();
        if (!box || !box->windowHandle() || !box->windowHandle()->isExposed())
            return;
        poll->deleteLater();
        poll->stop();
        act(box);
    });
    poll->start(10);
}

QMessageBox *openMessageBox()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            return box;
    }
    return nullptr;
}
