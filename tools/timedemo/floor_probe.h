#pragma once
// The floor under a frame's cost: the same frame's GL commands recorded into
// one display list and replayed, and a frame that only clears.

#include <vector>

class FloorProbe {
public:
    FloorProbe() = default;
    ~FloorProbe() = default;
    FloorProbe(const FloorProbe&) = delete;
    FloorProbe& operator=(const FloorProbe&) = delete;

    // Every 4th frame is recorded; its cost is the recording's, not the game's.
    static bool records(int frame) { return frame % 4 == 3; }
    // Around one turn of the main loop, with a current context.
    void beginRecording();
    // Replays what was recorded and a clear-only frame, timing both, when
    // the turn drew a frame (`drew`) and GL took the list without error.
    void endRecording(bool drew);
    // Deletes the list while its context is current.
    void release();

    std::vector<double> listCpuMs, listWallMs, clearCpuMs, clearWallMs;

private:
    unsigned int list_ = 0;
};
