#pragma once
// A serial port without a device: tests choose which port numbers open, inject received
// bytes and line events, and read back the line signals and what was sent.

#include <QSet>

#include "platform/comm_link.h"

class FakeCommLink : public CommLink {
  Q_OBJECT

 public:
  using CommLink::CommLink;

  QSet<int> openablePorts;   // port numbers that open
  QSet<int> forbiddenPorts;  // port numbers that fail for lack of permission
  bool linesWork = true;     // false behaves like a pseudo-terminal
  QByteArray sent;
  int opens = 0;
  QList<int> openedPorts;

  // The device received these bytes / saw this line event.
  void arrive(QByteArrayView bytes) { deliverBytes(bytes); }
  void lineEvent(int event) { deliverEvent(event); }
  void hangUp() { failAndClose(QStringLiteral("hang-up")); }

 protected:
  Result<> openDevice() override;
  void closeDevice() override {}
  Result<> applySettings(const CommSettings&) override { return {}; }
  bool driveLine(Line line, bool) override { return line == Line::Break || linesWork; }
  bool writeDevice(QByteArrayView bytes) override {
    sent.append(bytes);
    return true;
  }
};
