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

void Watchdog::arm(std::chrono::milliseconds limit)
{
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        deadline_ = std::chrono::steady_clock::now() + limit;
        armed_ = true;
        fired_ = false;
        ++generation_;
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
        wake = deadline_ < wakesAt_;
    }
    if (wake)
        changed_.notify_all();
}

bool Watchdog::disarm()
{
    std::unique_lock lock(mutex_);
    armed_ = false;
    ++generation_;
    // The thread finds the call ended when it wakes at its deadline; only a cancel being made is waited for.
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
    std::shared_ptr<Attachment> attachment = attachment_;
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
    attachment.reset(); // an attachment its connection has dropped meanwhile is detached outside the lock
    lock.lock();
    cancelling_ = false;
    changed_.notify_all();
}

void Watchdog::run()
{
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(mutex_);
    // Sleeps until `until` (max: until woken) or a notification; true when the call armed as `generation`
    // is still running.
    const auto sleep = [&](Clock::time_point until, unsigned long generation) {
        wakesAt_ = until;
        if (until == Clock::time_point::max())
            changed_.wait(lock);
        else
            changed_.wait_until(lock, until);
        wakesAt_ = Clock::time_point::min(); // awake: it looks at the state before it sleeps again
        return !stopping_ && armed_ && generation_ == generation;
    };
    while (!stopping_) {
        if (!armed_) {
            sleep(Clock::time_point::max(), generation_);
            continue;
        }
        const unsigned long generation = generation_;
        if (Clock::now() < deadline_) {
            sleep(deadline_, generation);
            continue; // the deadline, the call's end or a new call: looked at afresh
        }
        cancel(lock, Attachment::Cancel::Raise);
        const Clock::time_point graceEnds = Clock::now() + Grace;
        bool running = !stopping_ && armed_ && generation_ == generation;
        while (running && Clock::now() < graceEnds)
            running = sleep(graceEnds, generation);
        if (!running)
            continue;
        cancel(lock, Attachment::Cancel::Abort);
        while (sleep(Clock::time_point::max(), generation)) {
        }
    }
}

} // namespace data::fb
