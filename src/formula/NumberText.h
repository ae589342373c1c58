// Reading numbers from formula literals and cell texts, without allocating.
#pragma once

#include <QStringView>

enum TNumberTextStatus { ntOk, ntInvalid, ntOverflow };

// Optional spaces and tabs at both ends when `trimBlanks` is set, optional sign, digits with an
// optional fraction after `decimalSep` (".5" and "5." are accepted), an
// optional exponent "E"/"e" [sign] digits.  When `thousandSep` is not U+0000
// and differs from the decimal separator, the integer part may be grouped with
// it, in groups of exactly three digits after a first group of one to three
// ("1,234,567"; "1,5" and "1,23" are not numbers).  No INF, NAN or hexadecimal.
// Values that underflow give 0; values beyond the double range give ntOverflow.
TNumberTextStatus ReadNumberText(QStringView s, char16_t decimalSep, char16_t thousandSep,
                                 double& value, bool trimBlanks = false) noexcept;
