#pragma once
// The setup window's field rules: each control's new content parses into its
// member of the typed settings by the rule its row of the key table names
// (ini_keys.h); twin fields keep each other equal; option groups and
// check-box groups set their members. Works on the controls by name only, and
// on the typed settings the controls hold.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/settings/ini_keys.h"
#include "core/settings/settings.h"
#include "core/settings/setup_controls.h"
#include "core/util/date_value.h"
#include "platform/result.h"

class SetupFields {
 public:
  explicit SetupFields(SetupControls& controls) : m_c(controls) {}

  // The rule of the row's control after its content changed: the member takes the
  // value, a numbered field (Text1) shows a refused text in the error colour, and
  // the row's effect follows. `reparse` is applySetupSettings parsing every field
  // again: the clock and divisor fields then leave ticksPerSec alone, so a value
  // read from the INI file or typed into its own field survives, and an option
  // group takes its index with nothing following.
  void apply(const IniKey& row, bool reparse = false);
  void updateText5Display();
  // False when a decimals field does not fit 16 bits.
  bool buildValueTypes();

  // Stores the selected button's index of `group` into dest, logging it.
  void setOptionValueVar(const QString& group, int16_t Settings::*dest);
  // The same by the button's position in the group, logged as "caption = k = k".
  // The option groups' handlers use setOptionValueVar; nothing calls this yet.
  void setOptionValue(const QString& group, int16_t Settings::*dest);
  // Bit i of dest set for each ticked box i of the group, logging each.
  void setCheckedBits(const QString& group, int32_t Settings::*dest);

  // The port the web server listens on, 0 while it does not; app/ hands in the question.
  void setWebServerPortQuestion(std::function<int32_t()> question) { m_webServerPort = std::move(question); }

 private:
  // Refused: the member keeps its value. Taken: the effect follows. Passed: accepted,
  // nothing follows (the twin's own rule took it, or a re-parse). OwnColours: taken;
  // the rule set the field's colours itself.
  enum class Outcome { Refused, Taken, Passed, OwnColours };
  Outcome take(const IniKey& row, bool reparse);
  void follow(FieldEffect effect);
  Settings& settings() { return m_c.typedSettings(); }
  int32_t webServerPort() const { return m_webServerPort ? m_webServerPort() : 0; }
  template <class T>
  Outcome storeLocale(T Settings::*member, const QString& text, Result<T> (*convert)(const QString&));
  Outcome storeLocale(const SettingRef& member, const QString& text);
  Outcome twinChange(const IniKey& row, const QString& text);
  Outcome clockDivisorChange(const IniKey& row, bool reparse);
  Outcome colourChange(const IniKey& row, const QString& text);
  void check9Click();
  // Runs `each` with the position and name of every ticked button or box of the group.
  void forEachTicked(const QString& group, const std::function<void(int, const QString&)>& each);
  SetupControls& m_c;
  std::function<int32_t()> m_webServerPort;
};

// The colour of a field text such as "80 FF FF" (hexadecimal &HBBGGRR; no digits give 0);
// empty when the digits do not fit 32 bits.
std::optional<int32_t> colourFromFieldText(const QString& text);
// Prescale: lenient number without removing blanks, rounded down, limited to [lo, hi];
// empty (refused) when the number is beyond a double, as in every other numeric field.
std::optional<int16_t> prescaleFromText(const QString& text, double lo, double hi);
// "-1 12:30" style texts: an optional sign, days, then a time of day; 0 when the time does not convert.
Date parseSignedTimeText(const QString& text);
QString formatSignedTimeText(Date value);

// The lenient reading of a setup field: blanks removed, "," as decimal point, leading number;
// a number too large for a double is plus or minus infinity, so the rules refuse it.
double lenientNumber(const QString& text);
