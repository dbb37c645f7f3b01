#include "support/fake_comm_link.h"

bool FakeCommLink::openDevice(QString* error) {
  if (!openablePorts.contains(commPort())) {
    *error = QStringLiteral("COM%1: no such device").arg(commPort());
    return false;
  }
  ++opens;
  openedPorts.append(commPort());
  return true;
}
