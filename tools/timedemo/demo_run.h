#pragma once
// One run of the game: start-up, the frames, shut-down.

#include "options.h"
#include "report.h"
#include "script.h"

#include <string>
#include <vector>

// Fills `report` and returns the exit status: 0 after a completed run, 1 when
// the game failed to start or stopped at its fatal error box, 2 when the options cannot be carried out (with
// `error`). Warnings (a screenshot frame never reached...) go to `warnings`.
int RunDemo(const DemoOptions& options, const std::vector<ScriptEvent>& script, RunReport& report,
            std::vector<std::string>& warnings, std::string& error);
