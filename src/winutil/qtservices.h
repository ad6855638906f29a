#pragma once
// The real desktop services, backed by Qt.

#include "services.h"

#include <memory>

class ImageOffer;

class QtClipboard : public Clipboard
{
    Q_OBJECT
public:
    // `announce`: raise `changed` for every change of the system clipboard.
    explicit QtClipboard(bool announce = true);
    ~QtClipboard() override;
    bool GetFormat(int format) override;
    std::optional<QString> GetText() override;
    QImage GetData() override;
    void SetText(const QString &text) override;
    // On X11 the picture reaches the clipboard a moment later, once encoded
    // for other programs (see imageoffer.h); elsewhere at once.
    void SetData(const QImage &image) override;
    void Clear() override;

    // True while a picture is being made ready for the clipboard.
    bool offerPending() const;

private:
    std::unique_ptr<ImageOffer> m_offer;
};

class QtMessageBox : public MessageBoxService
{
public:
    int show(const QString &text, int style, const QString &title) override;
};

class QtBeeper : public Beeper
{
public:
    void beep() override;
};

class SystemClock : public Clock
{
public:
    QDateTime now() override;
};

// Run from the build folder: the program's folder and the process's current
// directory. Installed: the per-user folder serves as both, and the files
// installed with the program come from its share folder.
class ProcessRoots : public Roots
{
public:
    ProcessRoots() = default;
    ProcessRoots(const QString &userFolder, const QString &sharedFolder);
    QString programFolder() override;
    QString currentDirectory() override;
    QString sharedFolder() override;

private:
    QString m_user;
    QString m_shared;
};
