// Readable gtest output for Qt and grid values.
#pragma once

#include <QString>
#include <Types.h>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const TGridCoord& c, std::ostream* os) { *os << '(' << c.X << ", " << c.Y << ')'; }
