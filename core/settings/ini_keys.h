#pragma once
// The one table of the INI file's keys, in file order: the writer walks it for
// the order and form of each line, the reader for the action and range of each
// key. Keys are matched exactly (case-sensitive).

#include <QString>
#include <cstdint>
#include <span>

enum class IniSection : uint8_t { Header, Files, SetUp };

// How the writer writes a value.
enum class IniForm : uint8_t {
  Header,   // "title" and "version": written from the program, before the sections
  Text,     // the field's text as it stands
  Quoted,   // the field's text between double quotes
  Comment,  // quoted, then "  ;comment only"
  Flag,     // "1" for a ticked box, else "0"
  Index,    // the option group's selected index, -1 for none
  Slider,   // the graph time-width slider's position
  Price,    // the pricePerkWh global, trimmed, quoted
};

// What the reader does with a value.
enum class IniRead : uint8_t {
  Ignore,       // accepted, nothing changes
  FileName,     // the file-name global and its field
  FieldText,    // the field's text, unchecked
  Integer,      // a whole number in [lo, hi], written back as that number
  Double,       // a number in [lo, hi], written back in the regional form
  Boolean,      // yes/1/-1 ticks, no/0 clears the box
  OptionIndex,  // selects that button of the group
  ViewRange,    // the slider's position
  Price,        // the pricePerkWh global
};

struct IniKey {
  const char* key;
  const char* control;  // designer name of the control or option group; "" for none
  IniSection section;
  IniForm form;
  IniRead read;
  double lo = 0, hi = 0;
  bool emptyAllowed = false;  // an empty value is taken (the factory settings leave the field empty)
  QString* global = nullptr;  // FileName: the global that takes the value
};

std::span<const IniKey> iniKeys();
// nullptr for a key that is not in the table.
const IniKey* findIniKey(const QString& key);
