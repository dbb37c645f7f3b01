#pragma once
// The setup window's controls as the settings logic sees them: addressed by
// designer name ("Text1(13)", "Check1(7)", "Option1(2)", "Slider1"), no widget
// types. Writing a control runs its change handler at once when the content
// changes, as a user's edit would.

#include <QString>
#include <cstdint>

#include "core/settings/setup_layout.h"

struct Settings;

class SetupControls {
 public:
  virtual ~SetupControls() = default;

  virtual QString text(const QString& name) const = 0;
  virtual void setText(const QString& name, const QString& text) = 0;
  // Check boxes: 0 clear, 1 ticked, 2 grey. Option buttons: 1 selected, 0 not.
  virtual int value(const QString& name) const = 0;
  virtual void setValue(const QString& name, int value) = 0;
  // Number of buttons in a control array ("Option7" has 10); 0 when unknown.
  virtual int count(const QString& array) const = 0;
  // Colours are &HBBGGRR (top bit set = system colour).
  virtual void setForeColor(const QString& name, int32_t colour) = 0;
  virtual void setBackColor(const QString& name, int32_t colour) = 0;
  virtual void setToolTip(const QString& name, const QString& tip) = 0;
  virtual void setEnabled(const QString& name, bool enabled) = 0;
  virtual void setVisible(const QString& name, bool visible) = 0;
  virtual QString caption(const QString& name) const = 0;

  // The graph time-width slider: position 0..14 without running its change reaction.
  virtual int sliderValue() const = 0;
  virtual void setSliderQuietly(int position) = 0;

  // The typed settings that the controls' rules fill. The file names and the price
  // are held there alone: whoever stores them (settings.h: storeHeldText) calls
  // settingsWritten() afterwards, so a changed value is announced.
  virtual Settings& typedSettings() = 0;
  virtual const Settings& typedSettings() const = 0;
  virtual void settingsWritten() = 0;
};
