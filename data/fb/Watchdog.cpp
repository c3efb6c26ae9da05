#include "Watchdog.h"

#include <utility>

namespace data::fb {

Watchdog::~Watchdog()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void Watchdog::follow(std::shared_ptr<Attachment> attachment)
{
    std::shared_ptr<Attachment> previous;
    std::lock_guard lock(mutex_);
    previous = std::exchange(attachment_, std::move(attachment)); // released after the lock
}

// The thread is woken only where it must act sooner than it would wake by itself: when it waits for no call,
// for one that was cancelled, or until a limit later than the new call's. A call armed while the thread waits
// for an earlier call's limit, which comes first, is seen then: the many short calls of a fetch cost no
// wake-up.
void Watchdog::arm(std::chrono::milliseconds limit)
{
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        deadline_ = std::chrono::steady_clock::now() + limit;
        armed_ = true;
        wake = idle_ || fired_ || deadline_ < waitingUntil_;
        fired_ = false;
        ++generation_;
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    if (wake)
        changed_.notify_all();
}

bool Watchdog::disarm()
{
    std::unique_lock lock(mutex_);
    armed_ = false;
    ++generation_;
    if (fired_)
        changed_.notify_all();
    changed_.wait(lock, [this] { return !cancelling_; });
    return std::exchange(fired_, false);
}

bool Watchdog::fired()
{
    std::lock_guard lock(mutex_);
    return fired_;
}

void Watchdog::cancel(std::unique_lock<std::mutex> &lock, Attachment::Cancel how)
{
    const std::shared_ptr<Attachment> attachment = attachment_;
    if (!attachment)
        return;
    fired_ = true;
    cancelling_ = true;
    lock.unlock();
    try {
        attachment->cancelOperation(how);
    } catch (...) {
        // The call ends by itself or at the abort; an attachment already lost has nothing to cancel.
    }
    lock.lock();
    cancelling_ = false;
    changed_.notify_all();
}

void Watchdog::run()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!armed_) {
            idle_ = true;
            changed_.wait(lock);
            idle_ = false;
            continue;
        }
        // Until the limit of the call armed now, or sooner when a call is armed with an earlier limit.
        waitingUntil_ = deadline_;
        changed_.wait_until(lock, waitingUntil_, [this] { return stopping_ || deadline_ < waitingUntil_; });
        if (stopping_ || !armed_ || std::chrono::steady_clock::now() < deadline_)
            continue;
        const unsigned long generation = generation_;
        const auto ended = [&] { return stopping_ || generation_ != generation; };
        cancel(lock, Attachment::Cancel::Raise);
        if (ended() || changed_.wait_for(lock, grace_, ended))
            continue;
        cancel(lock, Attachment::Cancel::Abort);
        changed_.wait(lock, ended);
    }
}

} // namespace data::fb
