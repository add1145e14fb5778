#include "connection/AdapterProblems.h"

#include "link/InterfaceLibrary.h"

namespace dravik {

AdapterProblem adapterOpenProblem(int openResult) {
    switch (openResult) {
        case kOpenNoPermission:
            return {QStringLiteral("Adapter found, but no permission to open it."),
                    QStringLiteral("Cannot open the adapter: permission denied. Fix: install the udev rule "
                                   "70-dravik.rules (the package does; from the sources: sudo cp "
                                   "data/udev/70-dravik.rules /etc/udev/rules.d/ && sudo udevadm control "
                                   "--reload-rules), then unplug and replug the adapter.\r\n")};
        case kOpenNoDevice:
            return {QStringLiteral("No adapter found."),
                    QStringLiteral("Cannot open the adapter: it is not plugged in. Plug it in.\r\n")};
        default:
            return {QStringLiteral("Adapter found, but it cannot be opened."),
                    QStringLiteral("Cannot open the adapter: the system refused it. Close any other program "
                                   "using it, then unplug and replug the adapter.\r\n")};
    }
}

AdapterProblem adapterSilentProblem() {
    return {
        QStringLiteral("Adapter not answering."),
        QStringLiteral("The adapter does not answer its identification. Unplug and replug the adapter.\r\n")};
}

AdapterProblem adapterGoneProblem() {
    return {QStringLiteral("Adapter unplugged: the operation was stopped."),
            QStringLiteral("The adapter was unplugged in the middle of an operation, which was stopped. Plug the "
                           "adapter in and start the operation again.\r\n")};
}

}  // namespace dravik
