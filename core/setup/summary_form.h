#pragma once
// Form9: a small window with one or two bars and a Cancel button for a long
// job. While it is open every other window is disabled; closing it gives
// them their state back.

#include <QWidget>
#include <cstdint>
#include <memory>

#include "core/setup/other_windows_lock.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

class Form9 : public QWidget {
  Q_OBJECT
 public:
  Form9();
  ~Form9() override;

  QPushButton* Command2() const { return m_cancel; }
  QLineEdit* Text1() const { return m_text1; }  // the text of bar 1
  QLabel* bar2Text() const { return m_text2; }
  QFrame* Frame1() const { return m_frame1; }    // the bars' frame
  QFrame* Frame2() const { return m_bar1; }      // bar 1
  QFrame* Frame3() const { return m_bar2; }      // bar 2

  // progressCancelled: set by Cancel; the job that opened the window stops when it finds it set.
  bool progressCancelled() const { return m_cancelled; }
  void disableOthers();
  void restoreOthers();
  void showBar2(bool on);
  // One bar's length and text; a bar without a range keeps both.
  void setBar(int bar, const QString& unit, int32_t value, int32_t max);

 private:
  QPushButton* m_cancel;
  QLineEdit* m_text1;
  QLabel* m_text2;
  QFrame* m_frame1;
  QFrame* m_bar1;
  QFrame* m_bar2;
  OtherWindowsLock m_others;
  bool m_cancelled = false;
};

// mode 1 opens a Form9 in `form` (caption = title; bar 2 only when max2 > 0),
// 2 closes it; every mode but 2 then sets the bars. Without an open Form9 an
// update does nothing. The caller keeps the open form.
void fillSummaryForm(std::unique_ptr<Form9>& form, int16_t mode, const QString& title, const QString& unit1,
                     int32_t value1, int32_t max1, const QString& unit2, int32_t value2, int32_t max2);
