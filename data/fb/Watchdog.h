#pragma once
// A time limit on the calls made on an attachment, kept by a thread of its own.

#include "Attachment.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace data::fb {

/// Cancels the operation of the attachment it follows when that has run past the limit it was armed with:
/// first the server's way (Attachment::Cancel::Raise), and when the call has still not returned Grace
/// later (a server that does not answer: a stopped process, a broken network), by closing the connection
/// on the client's side (Cancel::Abort). One armed call at a time; the thread starts at the first arm() and
/// ends with the object.
class Watchdog {
public:
    /// How long a cancelled call may take to end before its connection is closed.
    static constexpr std::chrono::seconds Grace{5};

    Watchdog() = default;
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;
    ~Watchdog();

    /// The attachment whose operations arm() watches from now on; null for none. The watchdog keeps it
    /// alive until it follows another.
    void follow(std::shared_ptr<Attachment> attachment);
    /// Starts the clock for a call that must end within `limit`.
    void arm(std::chrono::milliseconds limit);
    /// Stops the clock; returns whether the limit had passed and the call was cancelled. A cancel that is
    /// being made when disarm() is called is waited for, so it cannot reach a later call.
    bool disarm();
    /// Whether the limit of the call armed now has passed.
    bool fired();

private:
    void run();
    /// Cancels the followed attachment's operation `how`; the lock is released during the cancel.
    void cancel(std::unique_lock<std::mutex> &lock, Attachment::Cancel how);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::shared_ptr<Attachment> attachment_;
    std::chrono::steady_clock::time_point deadline_;
    /// When the thread wakes next by itself: arming and disarming wake it only when it would wake too
    /// late, so that a call costs no switch of threads.
    std::chrono::steady_clock::time_point wakesAt_ = std::chrono::steady_clock::time_point::max();
    unsigned long generation_ = 0; ///< counts the arms and disarms
    bool armed_ = false;
    bool fired_ = false;
    bool cancelling_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace data::fb
