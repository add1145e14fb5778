#pragma once
// A windowed program started from a console still answers on it (--help, --version, a script's
// output): Windows gives such a program no standard streams unless it attaches to its parent's
// console. Elsewhere the streams are always there.

namespace dravik {

void connectStandardStreams();

}  // namespace dravik
