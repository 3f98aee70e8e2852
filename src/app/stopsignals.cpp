// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/stopsignals.h"

#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace torvane {

namespace {

sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

void StopSignals::Block() {
    const sigset_t set = StopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

StopSignals::StopSignals(MessageLoop& loop, std::function<void()> on_stop)
    : loop_(loop), on_stop_(std::move(on_stop)) {
    Block();
    const sigset_t set = StopSet();
    fd_ = UniqueFd(signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK));
    if (!fd_.Valid()) throw std::system_error(errno, std::generic_category(), "signalfd");
    id_ = loop_.Watch(fd_.Get(), kWatchRead, [this](int, uint32_t, int) { Read(); });
}

StopSignals::~StopSignals() {
    if (id_) loop_.Unwatch(id_);
}

void StopSignals::Read() {
    signalfd_siginfo info;
    bool stop = false;
    while (read(fd_.Get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) stop = true;
    loop_.Reenable(id_, kWatchRead);
    if (stop) on_stop_();
}

}  // namespace torvane
