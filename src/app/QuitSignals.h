// QuitSignals.h -- SIGINT and SIGTERM turned into a Qt signal, so quitting runs its clean-up.
#pragma once

#include <QObject>

#include <csignal>

class QSocketNotifier;

namespace tessaly {

// While an object lives, SIGINT and SIGTERM only wake the event loop, which emits quitRequested;
// the earlier handlers come back when it is destroyed. One object at a time.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void quitRequested(int signalNumber);

private:
    void readPipe();

    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

} // namespace tessaly
