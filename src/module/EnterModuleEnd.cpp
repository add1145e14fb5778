// The end of every module operation, failed or not: a failure's reason, then the operation the
// chaining flags ask for next.

#include "module/EnterModule.h"
#include "product/OperationChain.h"

namespace dravik {

// A failed operation ends like any other: what was chained to it (a read-all's or a first
// connection's next read) still runs and writes over the progress label, so the reason shown there
// goes to the status log too.
void EnterModule::fail(const QString& logLine, const QString& progressText) {
    journalEnd(false, failureWords(logLine, progressText));
    if (!logLine.isEmpty()) d_.log.appendLog(logLine + kCrLf);
    if (!progressText.isEmpty() && progressText != logLine)
        d_.log.appendLog(progressText.endsWith(kCrLf) ? progressText : progressText + kCrLf);
    d_.progress.setProgressText(progressText, true);
    d_.progress.setProgressValue(0);
    // Processes stopped while a message box of the failure was open leave the machine at rest:
    // nothing chained may start behind that stop.
    if (d_.ms.EnterModule_state != MODULE_STOPPED) d_.ms.EnterModule_state = MODULE_OPERATION_END;
}

// The first connection after start-up reads all slots after the selection; then the operation the
// flags ask for starts, or the machine rests.
void EnterModule::operationEnd() {
    if (d_.cs.startUp == 1 && d_.prd.Prd_Module == 1)
        d_.fs.loadConfiguration_CheckedProtocol_flag = CHAIN_READ;
    d_.cs.startUp = 0;
    d_.ms.EnterModule_state = MODULE_STOPPED;
    journalEnd(true);
    const ModuleOperationHooks hooks{[this] { Write_SELECTION_Protocols_fnc(); },
                                     [this] { SetProtocol_fnc(); }, [this] { Read_ALL_Protocol_fnc(); },
                                     [this] { Read_SELECTION_Protocols_fnc(); }};
    if (const std::function<void()>* next = takeChainedOperation(d_.fs, hooks)) (*next)();
}

}  // namespace dravik
