#pragma once
// What the meter link shows the user, as values: the meter frame's caption and colour,
// the ON-LINE box, whether the live values are still current, and the serial line
// states. The link announces each when it changes; the windows show them and never
// feed them back.

#include <QMetaType>
#include <QString>
#include <cstdint>

#include "platform/named_colours.h"

struct LinkStatus {
  QString caption;                              // the meter frame's caption
  QString captionDetail;                        // the whole text where the caption leaves advice out
  int32_t captionColour = kSysColorWindowText;  // &HBBGGRR or a system colour
  bool onlineTicked = false;                    // the ON-LINE box: the user's intent
  bool autoPlotEnabled = true;                  // "Auto Plot" needs the data file
  bool stale = false;                           // the device is lost: the live values are old
  bool operator==(const LinkStatus&) const = default;
  // A new caption drops the detail of the one before.
  void setCaption(const QString& text, const QString& detail = QString()) {
    caption = text;
    captionDetail = detail;
  }
};

// The lines the link drives on the serial port.
struct SerialLines {
  bool txBreak = false;  // "TxD BRK - Charge"
  bool dtr = false;      // "DTR - PWR UP"
  bool rts = false;      // "RTS - TX EN"
  bool operator==(const SerialLines&) const = default;
};

Q_DECLARE_METATYPE(LinkStatus)
Q_DECLARE_METATYPE(SerialLines)
