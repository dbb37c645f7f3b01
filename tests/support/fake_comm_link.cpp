#include "support/fake_comm_link.h"

bool FakeCommLink::openDevice(QString* error) {
  if (forbiddenPorts.contains(commPort())) {
    *error = QStringLiteral("COM%1: permission denied (dialout)").arg(commPort());
    setErrorKind(CommError::Permission);
    return false;
  }
  if (!openablePorts.contains(commPort())) {
    *error = QStringLiteral("COM%1: no such device").arg(commPort());
    return false;
  }
  ++opens;
  openedPorts.append(commPort());
  return true;
}
