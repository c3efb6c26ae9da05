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
    {
        std::lock_guard lock(mutex_);
        deadline_ = std::chrono::steady_clock::now() + limit;
        armed_ = true;
        fired_ = false;
        ++generation_;
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    changed_.notify_all();
}

bool Watchdog::disarm()
{
    std::unique_lock lock(mutex_);
    armed_ = false;
    ++generation_;
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
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!armed_) {
            changed_.wait(lock);
            continue;
        }
        const unsigned long generation = generation_;
        const auto ended = [&] { return stopping_ || generation_ != generation; };
        if (changed_.wait_until(lock, deadline_, ended))
            continue;
        cancel(lock, Attachment::Cancel::Raise);
        if (ended() || changed_.wait_for(lock, Grace, ended))
            continue;
        cancel(lock, Attachment::Cancel::Abort);
        changed_.wait(lock, ended);
    }
}

} // namespace data::fb
