#include "floor_probe.h"

#include "frame_counters.h"
#include "platform/platform.h"

#include <GL/gl.h>

void FloorProbe::beginRecording() {
    if (list_ == 0) list_ = glGenLists(1);
    if (list_ == 0) return;
    while (glGetError() != GL_NO_ERROR) {
    }
    // Executed as well, so the frame on screen is the game's own.
    glNewList(list_, GL_COMPILE_AND_EXECUTE);
}

void FloorProbe::endRecording(bool drew) {
    if (list_ == 0) return;
    glEndList();
    if (glGetError() != GL_NO_ERROR || !drew) return;  // e.g. a level built lists of its own meanwhile

    glFinish();
    CounterSample before = SampleCounters();
    double started = platform::PreciseSeconds();
    glCallList(list_);
    glFinish();
    CounterSample after = SampleCounters();
    double ended = platform::PreciseSeconds();
    listCpuMs.push_back(after.cpuMs - before.cpuMs);
    listWallMs.push_back((ended - started) * 1000.0);

    before = SampleCounters();
    started = platform::PreciseSeconds();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glFinish();
    after = SampleCounters();
    ended = platform::PreciseSeconds();
    clearCpuMs.push_back(after.cpuMs - before.cpuMs);
    clearWallMs.push_back((ended - started) * 1000.0);
    glCallList(list_);  // the frame back on screen, for screenshots
}

void FloorProbe::release() {
    if (list_ != 0) glDeleteLists(list_, 1);
    list_ = 0;
}
