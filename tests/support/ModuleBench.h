#pragma once
// A sample bench with a module, connected as the automatic connection leaves it: the sample
// protocol files in the data folder, the adapter, then the product and its module identified,
// their panels read, and every machine at rest.

#include <QString>
#include <memory>
#include <string>

#include "support/ScenarioRig.h"

namespace dravik::test {

// The sample database and the sample protocol files in the rig's data folder; false with error
// set when a copy fails.
bool installSampleData(ScenarioRig& rig, std::string& error);

// The rig on data/benches/<benchFile>, or on a bench; nullptr with error set when any step fails.
std::unique_ptr<ScenarioRig> connectModuleBench(const char* benchFile, std::string& error);
std::unique_ptr<ScenarioRig> connectModuleBench(const sim::BenchConfig& bench, std::string& error);

// Runs until no process is in progress, at most ms.
bool restModuleBench(ScenarioRig& rig, int ms = 120000);

// Shows the first protocol of the module panel whose text contains text; false when none does.
bool chooseProtocol(EnterModule& module, const QString& text);

// Frames sent from the index from on with this command code.
int framesWithCode(ScenarioRig& rig, std::size_t from, std::uint8_t code);

}  // namespace dravik::test
