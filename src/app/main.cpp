#include "app/shell.h"

#include <cstdlib>

int main() {
    // Also runs when something ends the process early through exit().
    std::atexit(ReleaseProgramObjects);
    return RunProgram();
}
