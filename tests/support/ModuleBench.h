#pragma once
// A sample bench with a module, connected as the automatic connection leaves it: the sample
// protocol files in the data folder, the adapter, then the product and its module identified,
// their panels read, and every machine at rest.

#include <memory>
#include <string>

#include "support/ScenarioRig.h"

namespace dravik::test {

// The rig on data/benches/<benchFile>; nullptr with error set when any step fails.
std::unique_ptr<ScenarioRig> connectModuleBench(const char* benchFile, std::string& error);

// Runs until no process is in progress, at most ms.
bool restModuleBench(ScenarioRig& rig, int ms = 120000);

}  // namespace dravik::test
