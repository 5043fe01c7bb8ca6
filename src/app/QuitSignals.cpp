// QuitSignals.cpp -- a self-pipe: the handler writes the signal number, the event loop reads it.
#include "app/QuitSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace tessaly {

namespace {

volatile sig_atomic_t gWriteEnd = -1;

void onSignal(int number) {
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(number);
    if (gWriteEnd >= 0)
        (void)!::write(gWriteEnd, &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create the signal pipe");
    gWriteEnd = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::readPipe);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
}

QuitSignals::~QuitSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
    gWriteEnd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void QuitSignals::readPipe() {
    unsigned char byte = 0;
    while (::read(pipe_[0], &byte, 1) == 1)
        emit quitRequested(byte);
}

} // namespace tessaly
