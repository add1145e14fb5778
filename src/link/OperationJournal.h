#pragma once
// What the operations report for the vehicle report: the product and module found, the panel read
// at connection, and the end of every operation that changes something, with its result in the
// technician's words (never frames or command names).

#include <QString>

namespace dravik {

struct OperationOutcome {
    QString operation;  // "Parameters written", "Protocol programmed" ...
    bool ok = true;
    // What was done (file, slot, values), or why it failed.
    QString detail;
};

class OperationJournal {
  public:
    virtual ~OperationJournal() = default;
    // A product was identified and described; its identity is in the product descriptor.
    virtual void productFound() {}
    // The module behind the product (or on the cable) was identified and described.
    virtual void moduleFound() {}
    // A read pass over the whole product panel ended; atConnection for the read that follows the
    // identification.
    virtual void parametersRead(bool atConnection) { (void)atConnection; }
    virtual void operationEnded(const OperationOutcome& outcome) { (void)outcome; }
};

// The journal of runs that keep no report.
OperationJournal& noJournal();

}  // namespace dravik
