#pragma once
// The signals that ask a program to end (SIGTERM at logout or from `kill`,
// SIGHUP when its terminal goes, SIGINT) end it as the EXIT entry does, so
// that its closing steps run; they are turned into an event of the window
// thread, where the end may safely run.

#include <QObject>

#include <functional>

class QSocketNotifier;

class EndSignals : public QObject
{
    Q_OBJECT
public:
    // `end` runs on the window thread once per signal received.
    explicit EndSignals(std::function<void()> end);
    ~EndSignals() override;

private:
    std::function<void()> m_end;
    QSocketNotifier *m_notifier = nullptr;
};
