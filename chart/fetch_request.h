#pragma once
// The graph request the chart sends with every fetch: the setup's drawing
// options and reference time as the items "m", "o", "q" and "v".

#include <QString>

struct FetchOptions {
  bool pointMarks = false;        // plotPointMarks
  bool orthogonalLines = false;   // DrawOrthogonalLines
  bool powerInBackground = false; // DrawPowerInBackground
  QString referenceEndTime;       // ReferencePowerEndTime, as typed
};

// "&m=1&o=1&q=3&v=0" and so on; a reference time of blanks only sends "&v=0".
QString fetchRequestString(const FetchOptions& options);
