#include "platform/internal.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

struct TimerSlot {
    std::thread thread;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> finished{true};
    int id = 0;  // 0: free
};

constexpr int TimerCapacity = 8;

struct TimerTable {
    std::mutex mutex;
    TimerSlot slots[TimerCapacity];
    int nextId = 1;

    // Threads still running at exit would call into objects being destroyed.
    ~TimerTable() {
        for (TimerSlot& slot : slots) {
            slot.cancelled = true;
            if (slot.thread.joinable() && slot.thread.get_id() != std::this_thread::get_id())
                slot.thread.join();
        }
    }
};

TimerTable& Table() {
    static TimerTable table;
    return table;
}

void RunTimer(TimerSlot* slot, int id, std::uint32_t periodMs, TimerCallback callback, void* user) {
    const auto period = std::chrono::milliseconds(periodMs);
    auto next = Clock::now() + period;
    while (!slot->cancelled.load(std::memory_order_acquire)) {
        std::this_thread::sleep_until(next);
        if (slot->cancelled.load(std::memory_order_acquire)) break;
        callback(id, user);
        next += period;
        // After a long stall, carry on from now instead of firing a burst.
        const auto now = Clock::now();
        if (next + 5 * period < now) next = now + period;
    }
    slot->finished.store(true, std::memory_order_release);
}

TimerSlot* FindSlot(TimerTable& table, int id) {
    if (id <= 0) return nullptr;
    for (TimerSlot& slot : table.slots)
        if (slot.id == id) return &slot;
    return nullptr;
}

}  // namespace

int StartThreadTimer(std::uint32_t periodMs, TimerCallback callback, void* user) {
    if (periodMs == 0 || !callback) return 0;
    TimerTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    TimerSlot* free = nullptr;
    for (TimerSlot& slot : table.slots) {
        // A timer that stopped itself left its thread to be collected here.
        if (slot.id != 0 && slot.cancelled && slot.finished && slot.thread.joinable()) {
            slot.thread.join();
            slot.id = 0;
        }
        if (!free && slot.id == 0 && !slot.thread.joinable()) free = &slot;
    }
    if (!free) return 0;
    const int id = table.nextId++;
    if (table.nextId <= 0) table.nextId = 1;
    free->id = id;
    free->cancelled = false;
    free->finished = false;
    try {
        free->thread = std::thread(RunTimer, free, id, periodMs, callback, user);
    } catch (...) {
        free->id = 0;
        free->finished = true;
        return 0;
    }
    return id;
}

void StopThreadTimer(int id) {
    TimerTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    TimerSlot* slot = FindSlot(table, id);
    if (!slot) return;
    slot->cancelled.store(true, std::memory_order_release);
    if (slot->thread.get_id() == std::this_thread::get_id())
        return;  // from its own callback: it ends on return
    if (slot->thread.joinable()) slot->thread.join();
    slot->id = 0;
}

bool ThreadTimerIsRunning(int id) {
    TimerTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    const TimerSlot* slot = FindSlot(table, id);
    return slot && !slot->finished.load(std::memory_order_acquire);
}

void SleepRealMilliseconds(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace platform
