#include "connection/ProductConnection.h"

#include "connection/AutoConnection.h"
#include "connection/InterfaceConnection.h"
#include "connection/MbusSetup.h"

namespace dravik {

namespace {
const QString kProductNotFound = QStringLiteral("Product not found !");
constexpr std::uint32_t kIdentificationWithModuleConfig = 44;
constexpr std::uint32_t kIdentificationDefaultSettings = 37;
constexpr std::uint32_t kIdentificationConfiguration = 63;
constexpr std::uint8_t kTestModeOn = 0x01;
QString dec(unsigned v) { return QString::number(v); }
}  // namespace

ProductDatabase ProductConnection::database(QStringList& refusals) {
    return ProductDatabase(d_.cs.Main_directory, d_.cs.Language_type, d_.onDatabaseFatal,
                           [&refusals](const QString& message) { refusals << message; });
}

void ProductConnection::EnterProduct() {
    int& state = d_.ms.EnterProduct_state;
    switch (state) {
        case PRODUCT_IDLE:
            break;
        case PRODUCT_START:
            start();
            break;
        case PRODUCT_SEND:
            if (d_.handler.WatchBus(d_.hs.SendingCmd, true) == RESULT_ACCEPTED) {
                d_.hs.Rx_timeout_val = kRxTimeoutTicks;
                state = PRODUCT_WAIT_ANSWER;
            }
            break;
        case PRODUCT_WAIT_ANSWER:
            waitAnswer();
            break;
        default:
            state = PRODUCT_START;
            break;
    }
}

// Supply off at the chosen speed, then on, then identify.
void ProductConnection::start() {
    ProductState& p = d_.prd;
    p.baudrate = p.Prd_Speed != 0 ? p.Prd_Speed : 1;
    p.RetryNum = 0;
    d_.hs.Output_value = kOutputsAllOff;
    d_.hs.Baudrate_value = p.baudrate;
    d_.hs.SendingCmd = MBUS_SETUP;
    loadMbusScript(d_.cs, {kOutputsProductOn, p.baudrate, MBUS_SETUP}, {0, 0, IDENTIFICATION});
    d_.ms.EnterProduct_state = PRODUCT_SEND;
}

void ProductConnection::waitAnswer() {
    switch (d_.handler.WatchBus(0, false)) {
        case RESULT_ANSWER_OK:
            onAnswer();
            break;
        case RESULT_TIMEOUT:
            d_.hs.release();
            onTimeout();
            break;
        default:
            break;
    }
}

void ProductConnection::onAnswer() {
    int& state = d_.ms.EnterProduct_state;
    switch (d_.hs.SendingCmd) {
        case MBUS_SETUP:
            // Both pauses come before the next request; the pump holds its next run that long.
            d_.pump.hold(kPauseBeforeSetupMs + kPauseAfterSetupMs);
            if (Mbus_setup_SM(d_.cs, d_.hs) == 1) state = PRODUCT_SEND;
            break;
        case IDENTIFICATION:
            productLookup();
            break;
        case TEST_MODE:
            d_.hs.SendingCmd = d_.prd.Prd_Id1 == kIdentificationWithModuleConfig ? AUX_MODULE_CONFIG : AUX_MODULE_INFO;
            state = PRODUCT_SEND;
            break;
        case AUX_MODULE_CONFIG:
            d_.hs.SendingCmd = AUX_MODULE_INFO;
            state = PRODUCT_SEND;
            break;
        case AUX_MODULE_INFO:
            moduleLookup();
            break;
        default:
            break;
    }
}

void ProductConnection::onTimeout() {
    switch (d_.hs.SendingCmd) {
        case IDENTIFICATION:
            identificationTimedOut();
            break;
        case AUX_MODULE_INFO:
        case TEST_MODE:
        case AUX_MODULE_CONFIG:
            // A module that does not take part is a module that did not answer: the connection
            // goes on without it (otherwise the functions machine would wait for it for ever).
            d_.log.appendLog(QStringLiteral("No answer to ") + commandLogName(d_.hs.SendingCmd) +
                             QStringLiteral(": no module") + kCrLf);
            d_.mod.Mod_timeout = 1;
            d_.cs.Actual_communication = 2;
            break;
        case MBUS_SETUP:
            d_.log.appendLog(QStringLiteral("RX error on Mbus_Setup_Request!") + kCrLf);
            notFound();
            break;
        default:
            break;
    }
}

// Two identifications per baud code, codes rising to the highest.
void ProductConnection::identificationTimedOut() {
    ProductState& p = d_.prd;
    if (p.Prd_connected == 1) {
        d_.log.appendLog(QStringLiteral("RX error product not connecting!") + kCrLf);
        notFound();
    } else if (p.RetryNum < 1) {
        ++p.RetryNum;
        d_.ms.EnterProduct_state = PRODUCT_SEND;
    } else {
        p.RetryNum = 0;
        if (p.baudrate < kHighestBaudCode) {
            ++p.baudrate;
            d_.hs.Output_value = kOutputsAllOff;
            d_.hs.Baudrate_value = p.baudrate;
            d_.hs.SendingCmd = MBUS_SETUP;
            loadMbusScript(d_.cs, {kOutputsProductOn, 0, MBUS_SETUP}, {0, 0, IDENTIFICATION});
            d_.ms.EnterProduct_state = PRODUCT_SEND;
        } else {
            p.baudrate = 1;
            d_.hs.Output_value = kOutputsAllOff;
            d_.hs.Baudrate_value = 0;
            notFound();
        }
    }
}

void ProductConnection::notFound() {
    d_.progress.setProgressText(kProductNotFound, true);
    d_.handler.ResetAllProcesses();
}

// The product's supply goes off again; the answer finds the queue empty. Nothing is there for the
// functions and module machines: they rest, so the process ends once the supply is off.
void ProductConnection::switchOff() {
    loadMbusScript(d_.cs, {}, {});
    d_.hs.Output_value = kOutputsAllOff;
    d_.hs.Baudrate_value = 0;
    d_.hs.SendingCmd = MBUS_SETUP;
    d_.ms.EnterProduct_state = PRODUCT_SEND;
    d_.ms.EnterFunctions_state = kEnterFunctionsWaiting;
    d_.ms.EnterModule_state = kEnterModuleWaiting;
}

// A description the program cannot use ends the connection, with the table, key and reason for
// the user; the connection is not retried until the user asks again.
void ProductConnection::refuse(const QStringList& refusals) {
    for (const QString& refusal : refusals) d_.log.appendLog(refusal + kCrLf);
    d_.progress.setProgressText(QStringLiteral("Product database error"), true);
    d_.dialogs.message(refusals.join(QLatin1Char('\n')), QStringLiteral("Product database"), Dialogs::Buttons::Ok,
                       Dialogs::Icon::Error);
}

void ProductConnection::productLookup() {
    ProductState& p = d_.prd;
    const dataBuffer& rx = d_.hs.RxBuffer_usb;
    p.Prd_Id1 = rx[10];
    p.Prd_Version = rx[11];
    p.Prd_Subversion = rx[12];
    p.Prd_Ver_Subver = std::uint32_t{p.Prd_Version} * 256 + p.Prd_Subversion;
    p.Prd_Speed = p.baudrate;
    // Connected means described: an answer that matches no description clears an earlier match.
    p.Prd_connected = 0;
    QStringList refusals;
    database(refusals).findProduct(static_cast<std::uint8_t>(p.Prd_Id1), p.Prd_Ver_Subver, p);
    if (d_.handler.halted()) return;  // the database failed: the program ends
    if (!refusals.isEmpty()) p.Prd_connected = 0;

    if (p.Prd_connected != 1) {
        d_.view.setProductLabel(QStringLiteral("( Id: ") + dec(p.Prd_Id1) + QStringLiteral(", ver. ") +
                                    dec(p.Prd_Version) + QStringLiteral(", subver. ") + dec(p.Prd_Subversion) +
                                    QStringLiteral(" )"),
                                Tone::Red);
        switchOff();
        d_.log.appendLog(QStringLiteral("Product not defined! ") + kCrLf);
        if (!refusals.isEmpty()) refuse(refusals);
        return;
    }

    p.Fnc_OperationToDo = 1;
    d_.view.setProductLabel(QStringLiteral("Product: ") + p.Prd_Name + QStringLiteral(". ( Id: ") + dec(rx[9]) +
                                dec(rx[10]) + QStringLiteral(", ver. ") + dec(rx[11]) + QStringLiteral(", subver. ") +
                                dec(rx[12]) + QStringLiteral(" )"),
                            Tone::Green);
    if (p.Prd_Id1 == kIdentificationDefaultSettings) {
        d_.view.addProductMenu(p.Prd_Name, static_cast<int>(p.Prd_Id1));
    } else if (p.Prd_Id1 == kIdentificationConfiguration) {
        d_.view.setFileButtonsEnabled(true);
        d_.view.addProductMenu(p.Prd_Name, static_cast<int>(p.Prd_Id1));
    }
    if (p.Prd_Module != 0) {
        d_.hs.TxBuffer_usb[kData] = kTestModeOn;
        d_.hs.SendingCmd = TEST_MODE;
        d_.ms.EnterProduct_state = PRODUCT_SEND;
    }
    d_.journal.productFound();
    d_.log.appendLog(QStringLiteral("Found product ") + kCrLf);
}

void ProductConnection::moduleLookup() {
    ModuleState& m = d_.mod;
    const dataBuffer& rx = d_.hs.RxBuffer_usb;
    m.Mod_HardwareVersion = rx[9];
    m.Mod_SoftwareType = rx[10];
    m.Mod_SoftwareVersion = rx[11];
    m.Mod_connected = 0;
    QStringList refusals;
    database(refusals).findModule(m.Mod_SoftwareType, m);
    if (d_.handler.halted()) return;
    if (!refusals.isEmpty()) {
        m.Mod_connected = 0;
        d_.prd.Prd_connected = 0;
        switchOff();
        refuse(refusals);
        return;
    }
    if (m.Mod_connected != 1) {
        // A module type the database does not describe is treated as no module: the product's
        // functions go on without it.
        d_.log.appendLog(QStringLiteral("Module type %1 not described: no module").arg(m.Mod_SoftwareType) + kCrLf);
        m.Mod_timeout = 1;
        d_.cs.Actual_communication = 2;
        return;
    }

    d_.view.setModuleLabel(QStringLiteral("Module: ") + m.Mod_Name + QStringLiteral(". ( Id: ") +
                               QString::number(rx[10], 16) + QStringLiteral(", hw ver. ") + dec(rx[9]) +
                               QStringLiteral(", fw ver. ") + dec(rx[11]) + QStringLiteral(" )"),
                           Tone::Green);
    d_.journal.moduleFound();
    if (d_.prd.Prd_Module_DirectConnection == 1 && m.Mdl_DirectConnection == 1 &&
        d_.hs.Cable_Module_DirectConnection.load() == 1) {
        d_.view.addModuleMenu(m.Mod_Name);
        if (m.Mod_Name == QStringLiteral("VRAK-2")) d_.view.showEventsLogPage();
    }
}

// "Power off" takes over from an automatic check like every user operation; refused, it changes
// nothing and says so where the user looks.
void ProductConnection::closeToolStripMenuItem_Click() {
    takeOverFromAutoConnection(d_.cs, d_.handler);
    if (d_.handler.WatchBus(0, true) != RESULT_IDLE) {
        const QString refused = QStringLiteral("Wait until the previous command is completed!");
        d_.log.appendLog(refused + kCrLf);
        d_.progress.setProgressText(refused, true);
        return;
    }
    d_.view.removeProtocolAndLogPages();
    d_.prd.Prd_connected = 0;
    d_.hs.Output_value = kOutputsAllOff;
    d_.hs.Baudrate_value = 0;
    d_.hs.SendingCmd = MBUS_SETUP;
    if (d_.cs.Actual_communication == 2)
        d_.log.appendLog(QStringLiteral("AutoConn: EnterFunc_sta = 3 EnterFunc_WAITING ") + kCrLf);
    // Both machines rest whichever device the link was set up for: a module behind the product
    // works over the product's link, and its operation would otherwise stay half-way with nothing
    // left to step it.
    d_.ms.EnterFunctions_state = kEnterFunctionsWaiting;
    d_.ms.EnterModule_state = kEnterModuleWaiting;
    d_.iface.Clear_Form();
    d_.iface.Reset_Tools();
    // The supply really goes off: the product machine sends the setup and, with the script
    // emptied, rests after its answer. The pump steps that machine only for a product connection.
    if (d_.cs.Interface_connected) {
        d_.handler.startOperation([this] {
            loadMbusScript(d_.cs, {}, {});
            d_.cs.Device_connection_request = true;
            d_.ms.EnterProduct_state = PRODUCT_SEND;
        });
    }
}

}  // namespace dravik
