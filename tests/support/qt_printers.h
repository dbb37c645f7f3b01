#pragma once
// Readable Qt values in GoogleTest failure messages.

#include <QByteArray>
#include <QString>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << "hex " << b.toHex(' ').toStdString(); }
