#pragma once
// Graph fonts as one short text, "name, size, largest size, flags", e.g.
// "Arial, 4.5%, 12,u,i,b": a size below 1 (or given in %) is a share of the
// picture, so one text gives proportionate lettering on pictures of any size.

#include <QString>

class PictureCanvas;

// Reads the font text and sets the picture's font name, size, underline,
// bold and italic. An empty font text leaves the font as it is.
void parseFontSpec(const QString& fontText, PictureCanvas& picture);
