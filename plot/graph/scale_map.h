#pragma once
// The transform of one graph axis: a value v lies at the picture coordinate
// (v - origin) * scale + offset. The drawing engine works it out on every
// drawing; point search, picking and zoom read it back.

struct ScaleMap {
  double origin = 0;
  double scale = 1;
  double offset = 0;

  double toPixel(double v) const { return (v - origin) * scale + offset; }
  // The value at a picture coordinate; a scale of 0 gives the origin.
  double toValue(double p) const { return scale == 0 ? origin : (p - offset) / scale + origin; }
};
