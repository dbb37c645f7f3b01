#pragma once
// The setup window's field rules: each Text1 field parses into its member of
// the typed settings as its text changes; twin fields keep each other equal;
// option groups and check-box groups set their members. Works on the controls
// by name only, and on the typed settings the controls hold.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/settings/settings.h"
#include "core/settings/setup_controls.h"
#include "core/util/date_value.h"
#include "platform/result.h"

class SetupFields {
 public:
  explicit SetupFields(SetupControls& controls) : m_c(controls) {}

  // Change handler of Text1(index). `reparse` is the re-parse pass of
  // applySetupSettings: fields 29 and 30 then leave ticksPerSec alone, so a
  // value read from the INI file or typed into field 11 survives.
  void text1Change(int index, bool reparse = false);
  // Change handler of Text5(index): the timer word length re-runs the display.
  void text5Change(int index);
  void updateText5Display();
  // False when a decimals field does not fit 16 bits.
  bool buildValueTypes();

  // Click handler of an option group after button `index` became selected.
  void optionClick(const QString& group, int index);
  // Stores the selected button's index of `group` into dest, logging it.
  void setOptionValueVar(const QString& group, int16_t Settings::*dest);
  // Bit i of dest set for each ticked box i of the group, logging each.
  void setCheckedBits(const QString& group, int32_t Settings::*dest);
  // Click handlers of the check-box arrays Check1, Check4, Check5, Check8 and Check11.
  void checkClick(const QString& array, int index);
  // "Enable Web Server" (Check9): a valid port (Text18) asks for the server, unticking stops it.
  void check9Click();
  // "Enable Logging to:" (cheLogging) locks the log file field while ticked.
  void cheLoggingClick();

  // The port the web server listens on, 0 while it does not; app/ hands in the question.
  void setWebServerPortQuestion(std::function<int32_t()> question) { m_webServerPort = std::move(question); }

 private:
  Settings& settings() { return m_c.typedSettings(); }
  int32_t webServerPort() const { return m_webServerPort ? m_webServerPort() : 0; }
  template <class T>
  bool storeLocale(T Settings::*member, const QString& text, Result<T> (*convert)(const QString&));
  bool twinChange(int twin, double v, bool ranged, double lo, double hi, double Settings::*member);
  bool clockDivisorChange(bool reparse);
  bool colourChange(const QString& name, const QString& text);
  SetupControls& m_c;
  std::function<int32_t()> m_webServerPort;
};

// The colour of a field text such as "80 FF FF" (hexadecimal &HBBGGRR; no digits give 0);
// empty when the digits do not fit 32 bits.
std::optional<int32_t> colourFromFieldText(const QString& text);
// Prescale: lenient number without removing blanks, rounded down, limited to 1..10000;
// empty (refused) when the number is beyond a double, as in every other numeric field.
std::optional<int16_t> prescaleFromText(const QString& text);
// "-1 12:30" style texts: an optional sign, days, then a time of day; 0 when the time does not convert.
Date parseSignedTimeText(const QString& text);
QString formatSignedTimeText(Date value);

// The lenient reading of a setup field: blanks removed, "," as decimal point, leading number;
// a number too large for a double is plus or minus infinity, so the rules refuse it.
double lenientNumber(const QString& text);
