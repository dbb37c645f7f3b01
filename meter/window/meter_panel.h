#pragma once
// The meter panel of the main window as a view of the meter session: it shows
// the panel state (Text2, Text4, Text8, Label2, Label14, Frame1's caption) as the
// session announces it and each reading's values as the reading brings them,
// runs the panel's own events (unit toggle, meter synchronisation, typed rate)
// and connects the session's announcements to the window's indicators and
// calculator.

#include <QObject>
#include <cstdint>

#include "meter/engine/meter_display.h"

class Form1;
class MeterSession;

class MeterPanel : public QObject {
  Q_OBJECT
 public:
  explicit MeterPanel(Form1* form);

  // The panel as the session announced it.
  void showPanel(const MeterPanelState& panel);
  // A reading's values, and the new power of a reading with a rate.
  void showReading(const ReadingResult& result);
  const MeterPanelState& shown() const { return m_shown; }
  // Label12 double click: asks for the meter reading (kWh).
  void Label12_DblClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void connectHooks();
  // Copies the panel state into the controls.
  void refresh();
  // A new power: the calculator's boxes, or while minimised the title.
  void showPower(double watts);
  Form1* m_form;
  MeterSession& m_session;
  MeterPanelState m_shown;
  // The engine's writes of Frame1's caption and Label14 already shown.
  uint32_t m_captionWrites = 0;
  uint32_t m_label14Writes = 0;
  // The watched controls, compared without asking the window (which may be
  // half destroyed when its children get their last events).
  QObject* m_label2;
  QObject* m_label12;
  QObject* m_text2;
};
