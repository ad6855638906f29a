#pragma once
// Fetches the X11 CLIPBOARD selection on a thread of its own: the offered
// targets, the text and the first image type Qt can decode, each request
// bounded by a deadline and a size limit. Requests are served one after
// another, in the order they were made.

#include <QByteArray>
#include <QByteArrayList>
#include <QImage>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class SelectionFetcher
{
public:
    struct Result {
        std::optional<QString> text;
        QImage image;
    };
    using Done = std::function<void(const Result &)>;

    // `imageTypes`: MIME types of images to ask for, most wanted first.
    SelectionFetcher(QByteArrayList imageTypes, int deadlineMs, Done done);
    ~SelectionFetcher();

    bool connected() const { return m_connected; }
    // Asks for one fetch; `done` runs on the worker thread when it ends.
    void request();

    // Limits of one transfer.
    static constexpr qsizetype kMaxTextBytes = 64 * 1024 * 1024;
    static constexpr qsizetype kMaxImageBytes = 256 * 1024 * 1024;

private:
    struct X;
    void run();
    Result fetch();

    std::unique_ptr<X> m_x;
    QByteArrayList m_imageTypes;
    int m_deadlineMs;
    Done m_done;
    bool m_connected = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_pending = 0;
    bool m_stop = false;
    std::thread m_thread;
};
