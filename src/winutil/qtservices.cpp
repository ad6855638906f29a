#include "qtservices.h"

#include "imageoffer.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>

namespace {
QClipboard *board()
{
    return QGuiApplication::clipboard();
}
} // namespace

QtClipboard::QtClipboard(bool announce)
{
    if (announce)
        connect(board(), &QClipboard::dataChanged, this, &Clipboard::changed);
    // Only X11 serves other programs; elsewhere the clipboard is in-process.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        m_offer = std::make_unique<ImageOffer>();
}

QtClipboard::~QtClipboard() = default;

bool QtClipboard::offerPending() const
{
    return m_offer && m_offer->pending();
}

bool QtClipboard::GetFormat(int format)
{
    const QMimeData *data = board()->mimeData(QClipboard::Clipboard);
    if (!data)
        return false;
    if (format == vbCFText)
        return data->hasText();
    if (format == vbCFBitmap)
        return data->hasImage() || data->hasFormat(QStringLiteral("image/png")); // our own offer is PNG only
    return false;
}

std::optional<QString> QtClipboard::GetText()
{
    const QMimeData *data = board()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}

QImage QtClipboard::GetData()
{
    return board()->image(QClipboard::Clipboard);
}

void QtClipboard::SetText(const QString &text)
{
    if (m_offer)
        m_offer->cancel();
    board()->setText(text, QClipboard::Clipboard);
}

void QtClipboard::SetData(const QImage &image)
{
    if (m_offer)
        m_offer->offer(image);
    else
        board()->setImage(image, QClipboard::Clipboard);
}

void QtClipboard::Clear()
{
    if (m_offer)
        m_offer->cancel();
    board()->clear(QClipboard::Clipboard);
}

int QtMessageBox::show(const QString &text, int style, const QString &title)
{
    QMessageBox box;
    box.setWindowTitle(title.isEmpty() ? kAppTitle : title);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    if (style == vbYesNo) {
        QPushButton *yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? vbYes : vbNo;
    }
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return vbOK;
}

void QtBeeper::beep()
{
    QApplication::beep();
}

QDateTime SystemClock::now()
{
    return QDateTime::currentDateTime();
}

ProcessRoots::ProcessRoots(const QString &userFolder, const QString &sharedFolder)
    : m_user(userFolder)
    , m_shared(sharedFolder)
{
}

QString ProcessRoots::programFolder()
{
    return m_user.isEmpty() ? QCoreApplication::applicationDirPath() : m_user;
}

QString ProcessRoots::currentDirectory()
{
    return m_user.isEmpty() ? QDir::currentPath() : m_user;
}

QString ProcessRoots::sharedFolder()
{
    return m_shared;
}
