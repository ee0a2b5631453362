#include "platform/headless/headless.h"
#include "platform/headless/headless_internal.h"
#include "platform/internal.h"

#include <atomic>
#include <chrono>
#include <mutex>

namespace platform {
namespace {

struct VirtualTimer {
    int id = 0;  // 0: free; virtual timers count down from -1
    std::uint32_t period = 0;
    std::uint64_t due = 0;  // on the virtual clock
    TimerCallback callback = nullptr;
    void* user = nullptr;
};

constexpr int VirtualTimerCapacity = 8;

struct HeadlessMidi {
    std::atomic<bool> plugged{false};
    std::atomic<bool> open{false};
    std::atomic<bool> realTimers{false};
    std::chrono::steady_clock::time_point realStart;
    std::mutex recordMutex;
    std::vector<headless::MidiRecord> records;
    VirtualTimer timers[VirtualTimerCapacity];
    int nextVirtualId = -1;
};

HeadlessMidi& Midi() {
    static HeadlessMidi midi;
    return midi;
}

std::uint32_t RecordTime() {
    HeadlessMidi& m = Midi();
    if (m.realTimers)
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now() - m.realStart)
                                              .count());
    return Milliseconds();
}

VirtualTimer* FindVirtual(int id) {
    if (id >= 0) return nullptr;
    for (VirtualTimer& timer : Midi().timers)
        if (timer.id == id) return &timer;
    return nullptr;
}

}  // namespace

bool OpenMidiOutput() {
    HeadlessMidi& m = Midi();
    m.open = m.plugged.load();
    return m.open;
}

void CloseMidiOutput() { Midi().open = false; }
bool MidiOutputIsOpen() { return Midi().open; }

void SendMidiMessage(std::uint32_t message) {
    HeadlessMidi& m = Midi();
    if (!m.open) return;
    const std::uint32_t time = RecordTime();
    std::lock_guard<std::mutex> lock(m.recordMutex);
    m.records.push_back({time, message});
}

int StartPeriodicTimer(std::uint32_t periodMs, TimerCallback callback, void* user) {
    HeadlessMidi& m = Midi();
    if (m.realTimers) return StartThreadTimer(periodMs, callback, user);
    if (periodMs == 0 || !callback) return 0;
    for (VirtualTimer& timer : m.timers) {
        if (timer.id != 0) continue;
        timer = {m.nextVirtualId, periodMs, std::uint64_t{Milliseconds()} + periodMs, callback, user};
        m.nextVirtualId = m.nextVirtualId == -1'000'000 ? -1 : m.nextVirtualId - 1;
        return timer.id;
    }
    return 0;
}

void StopPeriodicTimer(int id) {
    if (id > 0) {
        StopThreadTimer(id);
        return;
    }
    if (VirtualTimer* timer = FindVirtual(id)) timer->id = 0;
}

bool TimerIsRunning(int id) {
    if (id > 0) return ThreadTimerIsRunning(id);
    return FindVirtual(id) != nullptr;
}

void SleepMilliseconds(std::uint32_t milliseconds) {
    if (Midi().realTimers)
        SleepRealMilliseconds(milliseconds);
    else
        headless::AdvanceClock(milliseconds);
}

namespace headless_detail {

void RunTimersUntil(std::uint32_t from, std::uint32_t to, void (*setClock)(std::uint32_t)) {
    HeadlessMidi& m = Midi();
    if (to < from) {
        // The clock went back: every timer counts a whole period from the new time.
        for (VirtualTimer& timer : m.timers)
            if (timer.id != 0) timer.due = std::uint64_t{to} + timer.period;
        return;
    }
    for (;;) {
        VirtualTimer* first = nullptr;
        for (VirtualTimer& timer : m.timers)
            if (timer.id != 0 && timer.due <= to && (!first || timer.due < first->due)) first = &timer;
        if (!first) return;
        setClock(static_cast<std::uint32_t>(first->due));
        first->due += first->period;
        first->callback(first->id, first->user);  // may stop or start timers
    }
}

void ResetMidi() {
    HeadlessMidi& m = Midi();
    m.plugged = false;
    m.open = false;
    m.realTimers = false;
    for (VirtualTimer& timer : m.timers) timer = {};
    std::lock_guard<std::mutex> lock(m.recordMutex);
    m.records.clear();
}

}  // namespace headless_detail

namespace headless {

void PlugMidiOutput() { Midi().plugged = true; }
void UnplugMidiOutput() { Midi().plugged = false; }

std::vector<MidiRecord> MidiMessages() {
    HeadlessMidi& m = Midi();
    std::lock_guard<std::mutex> lock(m.recordMutex);
    return m.records;
}

void ClearMidiMessages() {
    HeadlessMidi& m = Midi();
    std::lock_guard<std::mutex> lock(m.recordMutex);
    m.records.clear();
}

void UseRealTimers(bool real) {
    HeadlessMidi& m = Midi();
    m.realTimers = real;
    m.realStart = std::chrono::steady_clock::now();
}

}  // namespace headless
}  // namespace platform
