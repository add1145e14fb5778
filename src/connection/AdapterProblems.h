#pragma once
// Why the adapter cannot be used, told apart so that the technician knows what to do: an adapter
// the user may not open (the access rule is missing), no adapter at all, an adapter the system
// refuses for another reason, an adapter that is open but does not answer, and an adapter unplugged
// in the middle of an operation.

#include <QString>

namespace dravik {

struct AdapterProblem {
    QString field;  // status-bar interface field, shown in red
    QString log;    // one status-log line with the fix, ending in CR LF
};

// For a BSL_initialize_BSL result other than 0.
AdapterProblem adapterOpenProblem(int openResult);
// The adapter was opened but did not answer its identification.
AdapterProblem adapterSilentProblem();
// The adapter went away while an operation ran. Its field goes to the progress label, where the
// operation showed its progress: the status bar already says that no adapter is connected.
AdapterProblem adapterGoneProblem();

}  // namespace dravik
