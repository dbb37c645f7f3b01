#pragma once
// Percent-decoding of query values (graph requests and template pages).

#include <QString>

// "+" becomes a blank; "%hh" becomes the 8-bit character hh (no multi-byte
// sequences are combined). A "%" in one of the last two positions stays as it
// is; an escape with fewer than two hex digits counts its leading digits
// (0 when there are none) and still consumes two characters.
QString urlDecode(const QString& text);
