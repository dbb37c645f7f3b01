// Plain pulse analysis: bits low per byte, the advice texts and the width in seconds.
#include "meter/engine/pulse_width.h"
#include "tests/meter/engine/engine_fixture.h"

namespace {

TEST(PulseWidth, bitsAndAdviceTexts) {
  struct Row {
    const char* name;
    int byte;
    double baud;
    int zeros;
    const char* advice;
  };
  const Row rows[] = {
      {"fourLowBitsAt1200", 0xF0, 1200, 5, "pulse width = 5 bits (4.2ms), OK"},
      {"zeroByte", 0x00, 1200, 9, "pulse width >8.5 bits (7.1ms). Change COM-setting to 600"},
      {"zeroByteAt110", 0x00, 110, 9, "pulse width >8.5 bits (77ms). This works, but Break may be detected."},
      {"zeroByteAt300", 0x00, 300, 9, "pulse width >8.5 bits (28ms). Change COM-setting to 110"},
      {"zeroByteAt57600", 0x00, 57600, 9, "pulse width >8.5 bits (0.148ms). Change COM-setting to 38400"},
      {"startBitOnly", 0xFF, 2400, 1, "pulse width < 1.5 bits (0.6ms), Change COM-setting to 4800"},
      {"startBitOnlyAt110", 0xFF, 110, 1, "pulse width < 1.5 bits (14ms), Change COM-setting to 300"},
      {"startBitOnlyAt38400", 0xFF, 38400, 1, "pulse width < 1.5 bits (0.04ms), Change COM-setting to 57600"},
      {"lowAfterHigh", 0xFD, 1200, 2, " Error in bit 1"},
  };
  for (const Row& r : rows) {
    int zeros = 0, errorBit = 0;
    countPulseBits(r.byte, zeros, errorBit);
    EXPECT_EQ(zeros, r.zeros) << r.name;
    EXPECT_EQ(pulseWidthAdvice(zeros, errorBit, r.baud), QString::fromUtf8(r.advice)) << r.name;
  }
}

// A plain pulse byte: 0xF0 is low for the start bit and four data bits.
TEST_F(EngineTest, analysePulseWidthGivesSecondsAndShowsAdvice) {
  QString advice;
  QObject::connect(&m_session, &MeterSession::pulseAnalysed, &m_session,
                   [&](const QString& text) { advice = text; });
  m_session.setPortBaudRate(1200);
  m_settings.advancedFunctions = true;
  apply();
  EXPECT_NEAR(m_session.analysePulseWidth(0xF0), 5.0 / 1200, 1e-12);
  EXPECT_EQ(m_session.pulseWidthBits(), 5);
  EXPECT_TRUE(advice.endsWith("\r\npulse width = 5 bits (4.2ms), OK"));
  m_session.setPortBaudRate(0);
  EXPECT_EQ(m_session.analysePulseWidth(0xF0), 0);
}

}  // namespace
