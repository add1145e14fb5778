#pragma once
// The product function machine: builds the product panel from the database, reads every
// function's value from the product, writes changed values back (read-modify-write under each
// function's mask), writes single text and action functions and asks for the default settings.
// One step per pump cycle; every operation starts by checking with an identification that the
// product is still the one identified.

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "connection/ConnectionState.h"
#include "connection/ConnectionView.h"
#include "link/CommandHandler.h"
#include "link/OperationJournal.h"
#include "link/Views.h"
#include "product/FunctionState.h"
#include "product/OperationChain.h"
#include "database/ProductDatabase.h"
#include "product/ProductPanel.h"
#include "database/ProductState.h"
#include "product/ValueEncoding.h"

class QWidget;

namespace dravik {

class InterfaceConnection;

class EnterFunctions {
  public:
    // Device pauses: after an M-Bus setup answer (before and after the next queue entry) and
    // after the identification before the first memory command.
    static constexpr int kPauseBeforeSetupMs = 600;
    static constexpr int kPauseAfterSetupMs = 750;
    static constexpr int kPauseAfterIdentificationMs = 800;
    static constexpr std::uint8_t kRxTimeoutTicks = 10;
    // Rows built per machine step: a long panel is built over several steps, so that the window
    // keeps answering.
    static constexpr int kRowsPerBuildStep = 16;

    struct Deps {
        HandlerState& hs;
        MachineStates& ms;
        ConnectionState& cs;
        ProductState& prd;
        ModuleState& mod;
        FunctionState& fs;
        CommandHandler& handler;
        PumpControl& pump;
        InterfaceConnection& iface;
        ConnectionView& view;
        LogView& log;
        ProgressView& progress;
        Dialogs& dialogs;
        FatalHandler onDatabaseFatal;
        OperationJournal& journal = noJournal();
    };

    explicit EnterFunctions(Deps d);
    ~EnterFunctions();

    // One step of the machine.
    void step();

    // The widget the panel's controls are built into (the window's panel_ProductContent). Without
    // one the panel lives in a private, never shown widget.
    void setContainer(QWidget* container) { container_ = container; }
    // Enables or disables the panel's "Set" and "Read" buttons (button_SetParameters,
    // button_ReadParameters).
    void setParameterButtons(std::function<void(bool)> setEnabled) {
        parameterButtons_ = std::move(setEnabled);
    }
    ModuleOperationHooks& moduleHooks() { return hooks_; }

    ProductPanel& panel() { return panel_; }
    // A write stopped before its end (Stop process, a lost adapter) goes to the journal as not
    // finished; when it starts again, or before a report.
    void journalUnfinished();
    FunctionState& state() { return d_.fs; }

  private:
    void start();
    void send();
    void answer();
    void onTimeout();
    void onAnswerOk();
    void onIdentification();
    void build();
    // What a built panel was built from: the data folder, the language, the product and the
    // database file's content.
    struct PanelSource {
        QString folder;
        int language = 0;
        std::uint32_t product = 0;
        QByteArray databaseStamp;
        bool operator==(const PanelSource&) const = default;
    };
    PanelSource panelSource() const;
    void loadPanel();
    void endBuild();
    void readPass();
    void preRead();
    const function_parameters* seekItem(const std::function<bool(std::uint16_t)>& wanted);
    void write();
    void writeOne();
    void endOfPass();

    void onListByte(RequestCmd_ENUM next);
    void updateListItems(int row, std::uint32_t value);
    void onListValueRead(int row);
    void onTextByte();
    void onListByteWritten();
    void onActionRead();
    void forgetListRowsAt(std::uint16_t address);
    void onTextOrActionWritten();

    void request(int cmd, std::uint16_t address);
    void requestWrite(int cmd, std::uint16_t address, std::uint8_t value);
    void setCursor(int row, int item);
    void nextRow();
    int rowIndex() const { return d_.fs.ComboBoxList_index - 1; }
    int itemIndex() const { return d_.fs.ComboBoxItem_index - 1; }
    function_parameters& item(int row, int index);
    // The cursor still names an item of a row that exists (the window may clear the panel).
    bool cursorValid();
    QWidget* container();
    void rest(const QString& progressText);
    // why: the failure in the technician's words, for the journal.
    void fail(const QString& progressText, const QString& why);
    // The end of an operation, as the journal keeps it (EnterFunctionsOutcome.cpp).
    void journalEnd(bool ok, const QString& why);
    QString writtenRows(bool checkReadBack, bool* allConfirmed);
    QString singleWrite();
    // The name of the item a list row's last read value selects, or "Unexpected value!".
    static QString heldItemName(const std::vector<function_parameters>& items);
    // The end of a text value's read: shown, and coloured by whether it is what was written.
    void showTextRead(int row, const function_parameters& it);

    Deps d_;
    ProductPanel panel_;
    // The panel is built once per product, language and database content; a later pass starts
    // from its rows reset. The log lines of the build are given again on every pass.
    std::optional<PanelSource> builtFrom_;
    int builtRows_ = 0;
    std::vector<QString> buildLog_;
    std::optional<std::uint16_t> builtFunctionId_;
    // A build under way in slices, with the functions it builds from.
    bool building_ = false;
    PanelSource buildingFrom_;
    ProductFunctions buildingFunctions_;
    QWidget* container_ = nullptr;
    std::unique_ptr<QWidget> ownContainer_;
    std::function<void(bool)> parameterButtons_;
    ModuleOperationHooks hooks_;
    // The bytes of the text value being written by a single write.
    std::vector<ByteWrite> textBytes_;
    std::uint16_t textAddress_ = 0;
    // The item a list write sends, fixed when its first byte goes out.
    int writeItem_ = -1;
    // The text row a single write wrote, with its bytes, until its read-back compares them.
    int verifyRow_ = -1;
    std::vector<ByteWrite> verifyBytes_;
    // Edited text rows a read-back of this operation left as the user typed them.
    int keptTextRows_ = 0;
    // The list rows a set wrote: the item sent and the value shown before.
    struct WrittenRow {
        int row;
        int item;
        QString before;
    };
    std::vector<WrittenRow> written_;
};

}  // namespace dravik
