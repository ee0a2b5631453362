#pragma once
// Per-frame counters of the process beside the wall clock: CPU time of all
// its threads, page faults, heap allocations made by the program's own code
// and the primitives sent to GL.

#include <atomic>
#include <cstdint>

// Incremented by the timedemo's replaced operator new for calls from code
// linked into the executable (the drivers' own allocations are not the
// game's). Stays 0 where operator new is not replaced.
extern std::atomic<std::uint64_t> ProgramAllocations;
// Set by the executable that replaces operator new.
extern bool ProgramAllocationsCounted;

struct CounterSample {
    double cpuMs = 0.0;
    std::uint64_t pageFaults = 0;
    std::uint64_t allocations = 0;
};

CounterSample SampleCounters();

// A GL query of the primitives generated between begin and end; needs a
// current context; release it before the context goes. Counts 0 where the driver has no such query.
class PrimitiveCounter {
public:
    PrimitiveCounter();
    ~PrimitiveCounter();
    PrimitiveCounter(const PrimitiveCounter&) = delete;
    PrimitiveCounter& operator=(const PrimitiveCounter&) = delete;

    bool available() const { return query_ != 0; }
    void begin();
    std::uint64_t end();
    // Deletes the query while its context is still current.
    void release();

private:
    unsigned int query_ = 0;
};
