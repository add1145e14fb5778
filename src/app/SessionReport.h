#pragma once
// The record of one vehicle session for the report: what was found, the product panel as read at
// connection, and every operation that changed something, in order, with its result. A session
// starts when a product is identified and starts again when another product is.

#include <QDateTime>
#include <QString>
#include <functional>
#include <vector>

#include "app/ReportDocument.h"
#include "connection/ConnectionState.h"
#include "database/ProductState.h"
#include "link/OperationJournal.h"
#include "module/ModuleStatus.h"

namespace dravik {

class ModulePanel;
class ProductPanel;

class SessionReport final : public OperationJournal {
  public:
    struct Sources {
        const ConnectionState& cs;
        const ProductState& prd;
        const ModuleState& mod;
        const ModuleStatus& st;
        // The product panel the functions machine builds and reads.
        std::function<ProductPanel&()> productPanel;
        std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    };

    explicit SessionReport(Sources s) : s_(std::move(s)) {}

    void productFound() override;
    void moduleFound() override;
    void parametersRead(bool atConnection) override;
    void operationEnded(const OperationOutcome& outcome) override;

    // A product was found: there is a session to report.
    bool started() const { return started_; }

    // The report as it stands now: the panels as they show the values, and the program's name
    // and version for the heading.
    ReportContent content(ProductPanel& panel, ModulePanel& modulePanel, const QString& program);

  private:
    struct Identity {
        std::uint32_t id = 0;
        std::uint8_t version = 0;
        std::uint8_t subversion = 0;
        QString name;
        bool operator==(const Identity&) const = default;
    };
    // A row as read at connection: the item a list showed (-1 none), or a text row's text.
    struct Baseline {
        bool known = false;
        int item = -1;
        QString text;
    };
    struct Entry {
        QDateTime at;
        OperationOutcome outcome;
    };

    void addFunctionRows(std::vector<ReportContent::Row>& rows, ProductPanel& panel) const;
    void keepRows(ProductPanel& panel);
    void addModule(ReportContent& r, ModulePanel& modulePanel) const;

    Sources s_;
    bool started_ = false;
    QDateTime start_;
    Identity identity_;
    ProductState product_;
    bool hasModule_ = false;
    ModuleState module_;
    bool baselineTaken_ = false;
    std::vector<Baseline> baseline_;
    std::vector<Entry> entries_;
    std::vector<ReportContent::Row> keptRows_;
};

}  // namespace dravik
