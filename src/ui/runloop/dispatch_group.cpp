#include "ui/runloop/dispatch_group.h"

#include <ui/runloop/main_thread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

namespace ui {

struct DispatchGroup::State {
    std::mutex mutex;
    std::condition_variable emptied;
    std::size_t count = 0;
    std::vector<std::pair<DispatchQueue*, DispatchQueue::Block>> notifications;

    void enter() {
        std::lock_guard lock(mutex);
        ++count;
    }

    bool leave() {
        std::vector<std::pair<DispatchQueue*, DispatchQueue::Block>> ready;
        {
            std::lock_guard lock(mutex);
            if (count == 0) {
                KIVO_RUNLOOP_ASSERT(false, "DispatchGroup::leave() without a matching enter()");
                return false;
            }
            if (--count == 0) {
                ready.swap(notifications);
                emptied.notify_all();
            }
        }
        // Submitted outside the lock, in the order notify() was called.
        for (auto& [queue, block] : ready) {
            queue->async(std::move(block));
        }
        return true;
    }
};

namespace {

// The group's share of one task submitted through DispatchGroup::async: leaves the group exactly once, when
// the block has run or, failing that, when the last copy of the block is destroyed unrun.
class GroupTicket {
public:
    explicit GroupTicket(DispatchGroup group) : group_(std::move(group)) {}
    ~GroupTicket() { finish(); }
    GroupTicket(const GroupTicket&) = delete;
    GroupTicket& operator=(const GroupTicket&) = delete;

    void finish() {
        if (!finished_.exchange(true)) {
            group_.leave();
        }
    }

private:
    DispatchGroup group_;
    std::atomic<bool> finished_{false};
};

} // namespace

DispatchGroup::DispatchGroup() : state_(std::make_shared<State>()) {}

void DispatchGroup::enter() {
    state_->enter();
}

bool DispatchGroup::leave() {
    return state_->leave();
}

void DispatchGroup::async(DispatchQueue& queue, DispatchQueue::Block block) {
    if (!block) {
        return;
    }
    enter();
    auto ticket = std::make_shared<GroupTicket>(*this);
    queue.async([ticket = std::move(ticket), block = std::move(block)] {
        // Left after the block even if it throws.
        struct Finish {
            GroupTicket& ticket;
            ~Finish() { ticket.finish(); }
        } finish{*ticket};
        block();
    });
}

void DispatchGroup::notify(DispatchQueue& queue, DispatchQueue::Block block) {
    if (!block) {
        return;
    }
    {
        std::lock_guard lock(state_->mutex);
        if (state_->count != 0) {
            state_->notifications.emplace_back(&queue, std::move(block));
            return;
        }
    }
    queue.async(std::move(block));
}

bool DispatchGroup::wait(RealClock::duration timeout) {
    const RealClock::time_point limit = addSaturating(RealClock::now(), timeout);
    std::unique_lock lock(state_->mutex);
    while (state_->count != 0) {
        const RealClock::time_point now = RealClock::now();
        if (now >= limit) {
            return false;
        }
        // Sliced so that a "forever" timeout never hands the standard library an extreme deadline.
        state_->emptied.wait_until(lock, std::min(limit, now + std::chrono::hours(1)));
    }
    return true;
}

std::size_t DispatchGroup::pendingCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->count;
}

} // namespace ui
