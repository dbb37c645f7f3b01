#pragma once
// Splits the byte stream of a port read with PARMRK into data and line events:
// FF FF is a data byte FF, FF 00 00 a break, FF 00 x a byte x received with a framing or
// parity error. A sequence cut between two reads is completed by the next one.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

class ParmrkDecoder {
 public:
  enum class Mark { Break, FramingError };
  struct Result {
    QByteArray data;
    QList<Mark> marks;  // in the order they arrived
  };
  Result feed(QByteArrayView bytes);
  void reset() { m_state = State::Plain; }

 private:
  enum class State { Plain, AfterFF, AfterFF00 };
  State m_state = State::Plain;
};
