#include "meter/link/serial_port.h"

#include <QCoreApplication>
#include <QPointer>
#include <QVariant>

#include "meter/link/online_state.h"
#include "meter/link/serial_dispatch.h"
#include "platform/comm_port.h"

namespace {
QPointer<CommLink> g_port;

void connectPort(CommLink* port) {
  if (port->property("zavLinkConnected").toBool()) return;
  port->setProperty("zavLinkConnected", true);
  QObject::connect(port, &CommLink::onComm, port, [] { handleSerialEvent(); });
  QObject::connect(port, &CommLink::closedByError, port, [](const QString& why) { deviceLost(why); });
}
}  // namespace

CommLink& serialPort() {
  if (!g_port) {
    auto* port = new CommPort(qApp);
    connectPort(port);
    g_port = port;
  }
  return *g_port;
}

void setSerialPort(CommLink* port) {
  if (g_port && g_port->parent() == qApp) delete g_port;
  g_port = port;
  if (port) connectPort(port);
}
