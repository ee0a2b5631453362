#include "frame_counters.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <sys/resource.h>

#include <ctime>

std::atomic<std::uint64_t> ProgramAllocations{0};
bool ProgramAllocationsCounted = false;

CounterSample SampleCounters() {
    CounterSample sample;
    timespec cpu{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu) == 0)
        sample.cpuMs = static_cast<double>(cpu.tv_sec) * 1000.0 + static_cast<double>(cpu.tv_nsec) / 1e6;
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        sample.pageFaults =
            static_cast<std::uint64_t>(usage.ru_minflt) + static_cast<std::uint64_t>(usage.ru_majflt);
    sample.allocations = ProgramAllocations.load(std::memory_order_relaxed);
    return sample;
}

PrimitiveCounter::PrimitiveCounter() {
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenQueries(1, &query_);
    if (glGetError() != GL_NO_ERROR) query_ = 0;
}

PrimitiveCounter::~PrimitiveCounter() = default;

void PrimitiveCounter::release() {
    if (query_ != 0) glDeleteQueries(1, &query_);
    query_ = 0;
}

void PrimitiveCounter::begin() {
    if (query_ != 0) glBeginQuery(GL_PRIMITIVES_GENERATED, query_);
}

std::uint64_t PrimitiveCounter::end() {
    if (query_ == 0) return 0;
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint count = 0;
    glGetQueryObjectuiv(query_, GL_QUERY_RESULT, &count);
    return count;
}
