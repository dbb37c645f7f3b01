#include "platform/parmrk_decoder.h"

ParmrkDecoder::Result ParmrkDecoder::feed(QByteArrayView bytes) {
  Result r;
  r.data.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    switch (m_state) {
      case State::Plain:
        if (b == 0xFF) {
          m_state = State::AfterFF;
        } else {
          r.data.append(ch);
        }
        break;
      case State::AfterFF:
        if (b == 0x00) {
          m_state = State::AfterFF00;
        } else {
          // FF FF is an escaped FF; anything else cannot come from the line discipline.
          r.data.append(char(0xFF));
          if (b != 0xFF) r.data.append(ch);
          m_state = State::Plain;
        }
        break;
      case State::AfterFF00:
        if (b == 0x00) {
          r.marks.append(Mark::Break);
        } else {
          r.marks.append(Mark::FramingError);
          r.data.append(ch);  // kept as received: no parity replacement character
        }
        m_state = State::Plain;
        break;
    }
  }
  return r;
}
