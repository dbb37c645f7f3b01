#include "meter/window/meter_panel.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "meter/engine/count_processor.h"
#include "meter/engine/meter_session.h"
#include "meter/window/calculator.h"
#include "meter/window/form1.h"
#include "meter/window/indicators.h"
#include "platform/colour.h"
#include "platform/input_box.h"
#include "platform/message_box.h"

namespace {
void setBoxColour(QLineEdit* box, QPalette::ColorRole role, int32_t colour) {
  QPalette p = box->palette();
  if (p.color(role) == colourToQColor(colour)) return;
  p.setColor(role, colourToQColor(colour));
  box->setPalette(p);
}

// The shift state of a key event as a bit mask: 1 Shift, 2 Ctrl, 4 Alt.
int shiftState(Qt::KeyboardModifiers m) {
  return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) | (m & Qt::AltModifier ? 4 : 0);
}

// Writes a box only when its text changes, so its change handler runs once.
void setIfChanged(QLineEdit* box, const QString& text) {
  if (box->text() != text) box->setText(text);
}
}  // namespace

MeterPanel::MeterPanel(Form1* form)
    : QObject(form),
      m_form(form),
      m_session(form->session()),
      m_label2(form->Label2()),
      m_label12(form->Label12()),
      m_text2(form->Text2()) {
  form->Label2()->installEventFilter(this);
  form->Label12()->installEventFilter(this);
  form->Text2()->installEventFilter(this);
  connect(form->Text2(), &QLineEdit::textChanged, this, [] {
    if (logShows(5)) logMsg(5, QStringLiteral("Text2_Change"));
  });
  connect(&m_session, &MeterSession::panelChanged, this, &MeterPanel::showPanel);
  connect(&m_session, &MeterSession::readingRecorded, this, &MeterPanel::showReading);
  connectHooks();
}

void MeterPanel::showPanel(const MeterPanelState& panel) {
  m_shown = panel;
  refresh();
}

void MeterPanel::showReading(const ReadingResult& result) {
  m_shown.showReading(result);
  refresh();
  if (validRate(result.secondsPerCount)) showPower(result.powerW);
}

void MeterPanel::showPower(double watts) {
  Form1& f = *m_form;
  f.calculator().setMeterPower(watts);
  // The title shows the temperature of the same reading.
  if (f.isMinimized()) {
    f.updateTitlePower(m_shown.label14);
  } else {
    f.calculator().showMeterPower();
  }
}

void MeterPanel::refresh() {
  Form1& f = *m_form;
  const MeterPanelState& meterPanel = m_shown;
  if (meterPanel.frame1CaptionWrites != m_captionWrites) {
    f.Frame1()->setTitle(meterPanel.frame1Caption);
    m_captionWrites = meterPanel.frame1CaptionWrites;
  }
  setIfChanged(f.Text4(), meterPanel.text4);
  setIfChanged(f.Text8(), meterPanel.text8);
  f.Text2()->blockSignals(true);
  setIfChanged(f.Text2(), meterPanel.text2);
  f.Text2()->blockSignals(false);
  setBoxColour(f.Text2(), QPalette::Text, meterPanel.text2Color);
  setBoxColour(f.Text2(), QPalette::Base, meterPanel.text2Back);
  setBoxColour(f.Text8(), QPalette::Base, meterPanel.text8Back);
  f.Text2()->setToolTip(meterPanel.text2ToolTip);
  if (f.Label2()->text() != meterPanel.label2Caption) f.Label2()->setText(meterPanel.label2Caption);
  if (meterPanel.label14Writes != m_label14Writes) {
    f.Label14()->setText(meterPanel.label14);
    m_label14Writes = meterPanel.label14Writes;
  }
}

void MeterPanel::Label12_DblClick() {
  const Date asked = dateNow();
  const QString answer = inputBox(QStringLiteral("Current Time is: ") + formatDate(asked, kDateTimeFormat) +
                                      QStringLiteral("\r\n\r\n\r\nEnter new meter reading (kWh)"),
                                  QStringLiteral("Meter Synchronisation"));
  if (!m_session.synchroniseMeter(answer, asked)) msgBox(QStringLiteral("value is out of range"));
}

bool MeterPanel::eventFilter(QObject* watched, QEvent* event) {
  // Only input events matter; others also arrive while Form1 is being destroyed.
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick && type != QEvent::KeyPress &&
      type != QEvent::KeyRelease)
    return QObject::eventFilter(watched, event);
  if (watched == m_label2 && type == QEvent::MouseButtonRelease) {
    m_session.label2Click(m_form->Text2()->text());
  } else if (watched == m_label12 && type == QEvent::MouseButtonDblClick) {
    Label12_DblClick();
  } else if (watched == m_text2 && (type == QEvent::KeyPress || type == QEvent::KeyRelease)) {
    Form1& f = *m_form;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool down = event->type() == QEvent::KeyPress;
    if (logShows(1)) {
      logMsg(1, (down ? QStringLiteral("Text2_KeyDown: KeyCode=") : QStringLiteral("Text2_KeyUp: KeyCode=")) +
                    QString::number(key->key()) + QStringLiteral(" Shift=") +
                    QString::number(shiftState(key->modifiers())));
    }
    if (down && !key->text().isEmpty()) {
      logMsg(1, QStringLiteral("Text2_KeyPress: KeyAscii=") + QString::number(key->text().at(0).unicode()));
    }
    if (down && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      m_session.parseIntervalField(f.Text2()->text());
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

void MeterPanel::connectHooks() {
  Form1* f = m_form;
  Indicators* ind = &f->indicators();
  MeterSession* session = &m_session;
  connect(session, &MeterSession::pulseIndicated, this,
          [f, ind](double d, double interval, double width, int16_t bits) {
            ind->onPulseIndicator(d, interval, width, f->powerBarInputs(), bits);
          });
  connect(session, &MeterSession::idleRateShown, this,
          [f, ind](double interval) { ind->updatePowerBarIndicator(interval, 0, f->powerBarInputs()); });
  // The power of an idle or typed rate; a reading's comes with the reading.
  connect(session, &MeterSession::meterPowerChanged, this, &MeterPanel::showPower);
}
