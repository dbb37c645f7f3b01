#include "meter/engine/frame_parser.h"

#include <cstring>

#include "core/log/logmsg.h"
#include "core/settings/detector_types.h"
#include "core/util/text_helpers.h"
#include "meter/engine/frame_codec.h"

namespace {

constexpr char kOldStart[2] = {'\\', 'N'};
constexpr char kOldEnd = 'Z';
constexpr char kNewStart1[2] = {char(0x36), char(0x9A)};
constexpr char kNewStart2[2] = {char(0xA9), char(0x63)};
constexpr char kNewEnd = char(0xCC);
// Diagnostics stay readable when a large chunk arrives at once (a network
// bridge): the trace shows at most this many of the newest bytes, and the
// text of one call starts again after its header once it is this long.
constexpr qsizetype kMaxTraceBytes = 1024;
constexpr qsizetype kMaxCallText = 16 * 1024;

// 0-based index of the first two-byte marker at or after from, or -1.
qsizetype findMarker(const QByteArray& buf, qsizetype from, const char (&m)[2]) {
  const char* base = buf.constData();
  const qsizetype size = buf.size();
  for (qsizetype i = from; i + 1 < size;) {
    const void* hit = std::memchr(base + i, m[0], size_t(size - 1 - i));
    if (!hit) return -1;
    i = static_cast<const char*>(hit) - base;
    if (base[i + 1] == m[1]) return i;
    ++i;
  }
  return -1;
}

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

QString FrameReceiver::rxHexTrace() const {
  static const char kDigits[] = "0123456789ABCDEF";
  QString out(m_traceBytes.size() * 3, Qt::Uninitialized);
  QChar* o = out.data();
  for (qsizetype i = 0; i < m_traceBytes.size(); ++i) {
    const auto b = uint8_t(m_traceBytes[i]);
    *o++ = QLatin1Char(kDigits[b >> 4]);
    *o++ = QLatin1Char(kDigits[b & 15]);
    *o++ = m_traceEnds[i] ? u'+' : u' ';
  }
  return out;
}

void FrameReceiver::reset() {
  m_lastFrameCount = 0;
  m_buffer.clear();
  m_traceBytes.clear();
  m_traceEnds.clear();
  m_counters = {};
}

void FrameReceiver::updateTrace(QByteArrayView data, qsizetype buffLen) {
  m_traceBytes.append(data);
  m_traceEnds.append(QByteArray(data.size(), '\0'));
  if (!m_traceEnds.isEmpty()) m_traceEnds.back() = 1;
  // Only the bytes the buffer can hold are shown.
  const qsizetype extra = m_traceBytes.size() - std::min(buffLen, kMaxTraceBytes);
  if (extra > 0) {
    m_traceBytes.remove(0, extra);
    m_traceEnds.remove(0, extra);
  }
}

void FrameReceiver::renderNote(const FrameNote& n) {
  QString& t = m_text;
  t += bytesToHex(QByteArray::fromRawData(reinterpret_cast<const char*>(n.data.data()), n.datLen));
  t += QStringLiteral("\n  datLen=") + QString::number(n.datLen) + '\n';
  if (n.datLen != n.L) {
    t += QStringLiteral("  datLen Error: expDatLen=") + QString::number(n.L) +
         QStringLiteral("  rcvdDatLen=") + QString::number(n.datLen) + '\n';
    return;
  }
  if (n.oldFormat) t += QStringLiteral("UBound rByte()=") + QString::number(n.datLen - 1);
  if (n.chs != 0) {
    t += QStringLiteral("  chs=") + QString::number(n.chs) + QStringLiteral("  checksum error\n");
    return;
  }
  t += QStringLiteral("  pgmID=") + hex4(n.pgmID);
  if (n.pgmBad) {
    t += QStringLiteral("  wrong pgmID\n");
    return;
  }
  t += QStringLiteral("  txID=") + QString::number(n.txID);
  if (n.txBad) {
    t += QStringLiteral("  wrong txID\n");
    return;
  }
  t += QStringLiteral("  cntDbl=") + QString::number(n.count) + QStringLiteral("  count=") +
       QString::number(int32_t(n.count)) + QStringLiteral("  timDbl=") + QString::number(n.ticks) +
       QStringLiteral("  cTime(0)=") + QString::number(int32_t(n.ticks)) +
       QStringLiteral("  elapsed count=") + QString::number(n.elapsed) + '\n';
}

// Logs the text of this call so far; it is built only here, when shown.
void FrameReceiver::logNow(int level) {
  if (!logShows(level)) return;
  if (!m_headerRendered) {
    m_header = QStringLiteral("  oldBuffLen=") + QString::number(m_oldLen) + QStringLiteral("  buffLen=") +
               QString::number(m_buffLen) + QStringLiteral("  rcvd bytes=") + QString::number(m_received) +
               '\n' + rxHexTrace() + '\n';
    m_text = m_header;
    m_headerRendered = true;
  }
  for (; m_rendered < m_notes.size(); ++m_rendered) renderNote(m_notes[m_rendered]);
  logMsg(level, m_text);
  if (m_text.size() > kMaxCallText) m_text = m_header;
}

bool FrameReceiver::checkFrame(bool oldFormat, int32_t L, qsizetype pos, qsizetype frameLen, FrameNote& n) {
  n.oldFormat = oldFormat;
  n.L = L;
  const QByteArrayView frame(m_buffer.constData() + pos, frameLen);
  n.datLen = decodeDataInto(frame.sliced(2, 2 * L), L, n.data.data(), m_detectorVer);
  if (n.datLen != L) return false;
  const uint8_t* d = n.data.data();
  if (oldFormat) {
    n.chs = frameChecksum(QByteArrayView(reinterpret_cast<const char*>(d), 16));
  } else {
    n.chs = checkFrameFcs(int32_t(pos), int32_t(pos + frameLen - 1), m_buffer, m_fcsData) ? 0 : -1;
  }
  if (n.chs != 0) return false;
  n.pgmID = oldFormat ? le16(d + 13) : le16(d);
  if (n.pgmID != m_detectorVer) {
    n.pgmBad = true;
    return false;
  }
  n.txID = oldFormat ? le16(d) : le16(d + 2);
  if (m_meterID != 0 && n.txID != m_meterID) {
    n.txBad = true;
    return false;
  }
  n.count = le32(d + (oldFormat ? 2 : 4));
  n.ticks = le32(d + (oldFormat ? 6 : 8));
  n.elapsed = int32_t(n.count - uint32_t(m_lastFrameCount));
  n.accepted = true;
  return true;
}

void FrameReceiver::accept(bool oldFormat, const FrameNote& n) {
  const uint8_t* d = n.data.data();
  const int32_t count = int32_t(n.count);
  const int level = (n.count == uint32_t(m_lastFrameCount) + 1u) ? 4 : 1;
  logNow(level);
  m_lastFrameCount = count;
  ++m_counters.framesOk;

  Reading r;
  r.count = count;
  r.ticks = int32_t(n.ticks);
  if (oldFormat) {
    r.temperature = int16_t(le16(d + 10));
    r.voltage = kNotReported;
    r.status = d[12];
  } else {
    r.temperature = int16_t(d[13] != kByteNoSensor ? d[13] : d[12]);
    r.voltage = d[14];
    r.status = d[15];
  }
  r.resetCount = oldFormat ? 1 : (d[15] & 0x0F);
  m_accepted(r);
}

void FrameReceiver::arrive(QByteArrayView data) {
  const bool oldFormat = !m_network && m_detectorVer < kNewFrameDetectorVer;
  const int32_t L = oldFormat ? 16 : 17;
  const qsizetype frameLen = 2 * L + 3;

  m_oldLen = m_buffer.size();
  m_buffer.append(data);
  m_buffLen = m_buffer.size();
  m_received = m_buffLen - m_oldLen;
  updateTrace(data, m_buffLen);
  m_notes.clear();
  m_rendered = 0;
  m_headerRendered = false;
  m_text.clear();

  qsizetype start = 0;  // bytes of m_buffer already consumed
  // Next place of each start marker at or after start (-1: none left), so a
  // buffer full of one marker is not searched again for the other.
  constexpr qsizetype kUnknown = -2;
  qsizetype nextA = kUnknown, nextB = oldFormat ? -1 : kUnknown;
  auto stale = [&start](qsizetype next) { return next == kUnknown || (next >= 0 && next < start); };
  while (m_buffer.size() - start >= 2) {
    if (stale(nextA)) nextA = findMarker(m_buffer, start, oldFormat ? kOldStart : kNewStart1);
    if (stale(nextB)) nextB = findMarker(m_buffer, start, kNewStart2);
    // Both start markers may be present: the earlier one begins the frame.
    const qsizetype pos = (nextA < 0) ? nextB : (nextB < 0 ? nextA : std::min(nextA, nextB));
    if (pos < 0) {
      start = m_buffer.size() - 1;
      break;
    }
    if (m_buffer.size() - pos < frameLen) {
      start = pos;
      break;
    }
    if (m_buffer[pos + frameLen - 1] != (oldFormat ? kOldEnd : kNewEnd)) {
      ++m_counters.resyncs;
      start = pos + 2;
      continue;
    }
    m_notes.emplace_back();
    FrameNote& n = m_notes.back();
    start = pos + frameLen;
    if (!checkFrame(oldFormat, L, pos, frameLen, n)) {
      ++m_counters.checkErrors;
      logNow(-1);
      continue;
    }
    const char* before = m_buffer.constData();
    const qsizetype sizeBefore = m_buffer.size();
    accept(oldFormat, n);
    // The port search empties the buffer when a frame answers it.
    if (m_buffer.constData() != before || m_buffer.size() != sizeBefore) {
      start = 0;
      nextA = kUnknown;
      nextB = oldFormat ? -1 : kUnknown;
    }
  }
  if (start > 0) m_buffer.remove(0, std::min(start, m_buffer.size()));
}

