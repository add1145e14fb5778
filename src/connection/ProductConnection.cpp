#include "connection/ProductConnection.h"

#include "connection/InterfaceConnection.h"

namespace dravik {

void ProductConnection::EnterProduct() {}

void ProductConnection::closeToolStripMenuItem_Click() {}

}  // namespace dravik
