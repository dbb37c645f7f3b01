#pragma once
// A reading and the register's latest line as the web pages show them. The
// session announces values (readingRecorded, registerLogged); whoever shows
// them keeps one of these (app/ keeps the web server's). Taking a value costs
// no formatting: the texts are made when first read.

#include <QString>
#include <cstdint>

#include "core/util/lazy_text.h"
#include "meter/engine/reading_result.h"

class ReadingTexts {
 public:
  void takeReading(const ReadingResult& result);
  void takeRecord(const RegisterRecord& record);

  LazyText strZavEnergy, strZavPower, strZavTemp;
  int32_t lngZavEnergy = 0, lngZavPower = 0, lngZavTemp = 0;
  // The latest text-log line with its extra fields.
  const QString& zavRecordText() const;

 private:
  RegisterRecord m_record;
  mutable QString m_recordText;
  mutable bool m_recordStale = false;
};
