#include "link/OperationJournal.h"

namespace dravik {

OperationJournal& noJournal() {
    static OperationJournal none;
    return none;
}

}  // namespace dravik
