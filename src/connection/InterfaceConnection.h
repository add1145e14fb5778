#pragma once
// Finding the adapter (device count, plug and unplug), opening and identifying it, and the common
// reset of everything behind it.

#include <functional>

#include "connection/AsyncRunner.h"
#include "connection/ConnectionState.h"
#include "connection/ConnectionView.h"
#include "link/CommandHandler.h"
#include "link/InterfaceLibrary.h"
#include "link/Views.h"
#include "database/ProductState.h"

namespace dravik {

struct AdapterProblem;

class InterfaceConnection {
public:
    // While no adapter is found the count alternates between the two product ids; this pause
    // between two empty counts keeps the search from spinning a core.
    static constexpr int kEmptyCountPauseMs = 250;

    struct Deps {
        HandlerState& hs;
        MachineStates& ms;
        ConnectionState& cs;
        ProductState& prd;
        ModuleState& mod;
        CommandHandler& handler;
        InterfaceLibrary& lib;
        ConnectionView& view;
        LogView& log;
        ProgressView& progress;
        AsyncRunner& counter;
        // First connection of a run: make sure the data folders exist (with their messages) and
        // return the language read from the settings file.
        std::function<int()> prepareDataFolders;
        // The firmware download worker, when one runs, holds off device counts.
        std::function<bool()> firmwareBusy;
        // Process's current working folder.
        std::function<QString()> currentFolder;
    };

    explicit InterfaceConnection(Deps d) : d_(std::move(d)) {}

    // The firmware upgrade: its worker holds counts off; a count that finds the adapter in its
    // loader hands over to it; one that finds it in standard mode tells it (after an upgrade the
    // new application has to be connected).
    void setFirmwareHooks(std::function<bool()> busy, std::function<void()> bootModeFound,
                          std::function<void()> standardModeFound);
    // A device change that came while counting was held off: count now.
    void countIfPending();

    // Window start-up: register for notifications and count, or report the failure.
    void registerAndCount();
    void onDeviceChange();
    void startCount();
    void onCountDone(int count);

    void EnterInterface();
    // Removes the module pages, disables read-all and set-all, and in standard mode starts the
    // operation whose start state setStartState sets (none: only wakes the pump).
    void Restart(const std::function<void()>& setStartState = {});
    void connect_interface_Click();
    void Reset_connection();
    void Clear_Form();
    void Reset_Tools();
    // The part of the 100 ms tick that reconnects from the test page.
    void testPageReconnect();

    // "0x301" -> "0x0301".
    static QString fillId(const QString& id);
    QString deviceText() const;

    // Told the result of every device count, after the count's own reset (the automatic
    // connection reacts to the changed device set through it).
    std::function<void(int)> onDeviceCount;

private:
    // Why the adapter cannot be used: status bar and status log.
    void showProblem(const AdapterProblem& problem);
    // The adapter went away under an operation: progress label and status log say so.
    void showOperationCutOff();

    Deps d_;
    std::function<void()> bootModeFound_;
    std::function<void()> standardModeFound_;
    bool lastCountEmpty_ = false;
};

}  // namespace dravik
