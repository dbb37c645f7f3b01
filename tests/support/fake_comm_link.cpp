#include "support/fake_comm_link.h"

Result<> FakeCommLink::openDevice() {
  if (forbiddenPorts.contains(commPort())) {
    const QString why = QStringLiteral("COM%1: permission denied (dialout)").arg(commPort());
    setErrorKind(CommError::Permission);
    return Failure(why);
  }
  if (!openablePorts.contains(commPort())) {
    return Failure(QStringLiteral("COM%1: no such device").arg(commPort()));
  }
  ++opens;
  openedPorts.append(commPort());
  return {};
}
