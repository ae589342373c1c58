// Number and text conversion helpers with the semantics the grids rely on
// runtime: printf-style Format, FloatToStr, FormatFloat, StrToFloat and the
// integer parsers, rounding helpers and the 1-based string helpers.  QtCore only.
//
// Separators and currency come from FormatSettings() unless an explicit
// TFormatSettings is passed.  The Try... functions never throw and never
// allocate more than the result they build; the others raise EConvertError.
#pragma once

#include "FormatSettings.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <exception>
#include <initializer_list>

// ---------------------------------------------------------------------------
// Exceptions

// Base of every exception the project raises on purpose; carries a message.
class Exception : public std::exception {
public:
    explicit Exception(const QString& message);
    ~Exception() override;

    const QString& Message() const noexcept { return FMessage; }
    void SetMessage(const QString& message);
    // The message as UTF-8, for std::exception consumers.
    const char* what() const noexcept override;

private:
    QString FMessage;
    QByteArray FWhat;
};

// A conversion between text and numbers failed (bad number text, bad format
// string, argument of the wrong type, missing argument).
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Typed cell reads and other grid-level failures.
class EQelGridError : public Exception {
public:
    using Exception::Exception;
};

// Stream and file errors.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
    // "Cannot open file \"<name>\". <reason>" (reason omitted when empty).
    static EFOpenError ForFile(const QString& fileName, const QString& reason = QString());
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
    // "Cannot create file \"<name>\". <reason>" (reason omitted when empty).
    static EFCreateError ForFile(const QString& fileName, const QString& reason = QString());
};
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
    EReadError() : EStreamError(QStringLiteral("Stream read error")) {}
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
    EWriteError() : EStreamError(QStringLiteral("Stream write error")) {}
};
// Low-level input/output failure with an error code (0 when unknown).
class EInOutError : public Exception {
public:
    explicit EInOutError(const QString& message, int errorCode = 0)
        : Exception(message), ErrorCode(errorCode) {}
    int ErrorCode;
};

// ---------------------------------------------------------------------------
// Format arguments

// One argument of Format: a tagged value.  Strings are referenced, not copied,
// so a TVarRec must not outlive the expression that built it (the usual
// `Format(fmt, {a, b})` call is safe).
struct TVarRec {
    enum TKind : std::uint8_t { vtInteger, vtInt64, vtUInt64, vtExtended, vtString, vtPChar,
                                vtChar, vtPointer };
    TKind Kind;
    union {
        int VInteger;
        std::int64_t VInt64;
        std::uint64_t VUInt64;
        double VExtended;
        const QString* VString;
        const char* VPChar;  // UTF-8, NUL-terminated; nullptr is the empty text
        char16_t VChar;
        const void* VPointer;
    };

    TVarRec(int v) noexcept : Kind(vtInteger), VInteger(v) {}
    TVarRec(unsigned v) noexcept : Kind(vtInt64), VInt64(v) {}
    TVarRec(long v) noexcept : Kind(vtInt64), VInt64(v) {}
    TVarRec(long long v) noexcept : Kind(vtInt64), VInt64(v) {}
    TVarRec(unsigned long v) noexcept : Kind(vtUInt64), VUInt64(v) {}
    TVarRec(unsigned long long v) noexcept : Kind(vtUInt64), VUInt64(v) {}
    TVarRec(short v) noexcept : Kind(vtInteger), VInteger(v) {}
    TVarRec(unsigned short v) noexcept : Kind(vtInteger), VInteger(v) {}
    TVarRec(double v) noexcept : Kind(vtExtended), VExtended(v) {}
    TVarRec(float v) noexcept : Kind(vtExtended), VExtended(v) {}
    TVarRec(long double v) noexcept : Kind(vtExtended), VExtended(static_cast<double>(v)) {}
    TVarRec(const QString& v) noexcept : Kind(vtString), VString(&v) {}
    TVarRec(const char* v) noexcept : Kind(vtPChar), VPChar(v) {}
    TVarRec(QChar v) noexcept : Kind(vtChar), VChar(v.unicode()) {}
    TVarRec(char16_t v) noexcept : Kind(vtChar), VChar(v) {}
    TVarRec(char v) noexcept : Kind(vtChar), VChar(static_cast<unsigned char>(v)) {}
    TVarRec(const void* v) noexcept : Kind(vtPointer), VPointer(v) {}
    // bool is not a Format argument: without this it would silently become an int.
    TVarRec(bool) = delete;
    TVarRec(std::nullptr_t) noexcept : Kind(vtPointer), VPointer(nullptr) {}
};

// ---------------------------------------------------------------------------
// Format
//
// Format specifiers: "%" [index ":"] ["-"] [width] ["." precision] type, where
// index, width and precision are decimal numbers or "*" (taken from the next
// argument, which must be an integer), and type is one of
//   d u   decimal integer; precision = minimum digits (zero padded)
//   e     scientific, precision = significant digits (default 15), exponent
//         with sign and at least 3 digits: "1.23450000000000E+003"
//   f     fixed, precision = decimals (default 2)
//   g     general (shortest of fixed/scientific), precision = significant
//         digits (default 15), as FloatToStr
//   n     like f with thousands separators
//   m     money: CurrencyString, CurrencyDecimals by default
//   p     pointer, 8 or 16 upper-case hex digits
//   s     string / character / C string; precision = maximum characters
//   x     upper-case hexadecimal integer; precision = minimum digits
//   %%    a literal "%"
// An index sets the argument used by this specifier; following specifiers
// continue from there.  Width, precision and index above 100000 are invalid;
// decimals and significant digits are clamped to 100.  Zero, and a negative
// value that rounds to zero, is shown without a sign.  A mismatched or missing argument, or an unknown or
// unfinished specifier, raises EConvertError.  Float ties round half away from
// zero on the exact binary value.  NaN and infinities give "NAN", "INF", "-INF".
QString Format(const QString& fmt, std::initializer_list<TVarRec> args);
QString Format(const QString& fmt, std::initializer_list<TVarRec> args,
               const TFormatSettings& settings);
QString Format(const QString& fmt, const TVarRec* args, int argCount,
               const TFormatSettings& settings);

// Same as Format, but reports failure instead of raising; `out` is undefined
// on failure.  Never throws.
bool TryFormat(QString& out, const QString& fmt, std::initializer_list<TVarRec> args) noexcept;
bool TryFormat(QString& out, const QString& fmt, std::initializer_list<TVarRec> args,
               const TFormatSettings& settings) noexcept;
bool TryFormat(QString& out, const QString& fmt, const TVarRec* args, int argCount,
               const TFormatSettings& settings) noexcept;

// True when `fmt` is a valid format consuming exactly one argument, and that
// argument is a floating conversion (e f g n m): no "*", no index other than
// 0, no other conversions.  Literal text and "%%" are allowed.
bool FormatTakesOneFloat(const QString& fmt) noexcept;

// ---------------------------------------------------------------------------
// Number to text

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// General format with 15 significant digits: "0.1", "100", "1E20", "1.5E-10",
// "-INF", "NAN".  Scientific form when the rounded value has more than 15
// integer digits (>= 1E15) or is below 1E-4 (0.0001 stays, 0.00001 is "1E-5").
QString FloatToStr(double value);
QString FloatToStr(double value, const TFormatSettings& settings);

// Classic FloatToStrF: precision = significant digits (clamped to 1..18),
// digits = exponent digits (ffExponent, ffGeneral) or decimals (ffFixed,
// ffNumber, ffCurrency).
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits);
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                    const TFormatSettings& settings);

// Picture formatting: "0" digit, "#" optional digit, "." decimal point, ","
// thousands grouping (anywhere before the point), "E+00"/"E-00"/"e+00"/"e-00"
// scientific, "'...'" and "\"...\"" literals, ";" separating positive;
// negative;zero sections.  An empty pattern gives FloatToStr's form.
QString FormatFloat(const QString& pattern, double value);
QString FormatFloat(const QString& pattern, double value, const TFormatSettings& settings);

QString IntToStr(int value);
QString IntToStr(std::int64_t value);
// Upper-case hexadecimal, at least `digits` digits (two's complement for
// negative values, 16 digits wide).
QString IntToHex(std::int64_t value, int digits);

// ---------------------------------------------------------------------------
// Text to number

// Accepts optional leading/trailing blanks (<= U+0020), a sign, digits with at
// most one decimal separator (at least one digit overall) and an optional
// exponent "e"/"E" [sign] digits.  No thousands separators, no INF/NAN/hex.
// Values beyond the double range fail; values that underflow give 0.
bool TryStrToFloat(const QString& s, double& value) noexcept;
bool TryStrToFloat(const QString& s, double& value, QChar decimalSeparator) noexcept;
bool TryStrToFloat(QStringView s, double& value, QChar decimalSeparator) noexcept;
bool TryStrToFloat(const QString& s, double& value, const TFormatSettings& settings) noexcept;
// Raise EConvertError "'<s>' is not a valid floating point value".
double StrToFloat(const QString& s);
double StrToFloat(const QString& s, QChar decimalSeparator);
double StrToFloat(const QString& s, const TFormatSettings& settings);
double StrToFloatDef(const QString& s, double defaultValue) noexcept;

// Integers: leading blanks, optional sign, decimal digits or hexadecimal after
// "$", "x", "X", "0x" or "0X"; nothing after the digits; range checked.
bool TryStrToInt(const QString& s, int& value) noexcept;
bool TryStrToInt64(const QString& s, std::int64_t& value) noexcept;
// Raise EConvertError "'<s>' is not a valid integer value".
int StrToInt(const QString& s);
std::int64_t StrToInt64(const QString& s);
int StrToIntDef(const QString& s, int defaultValue) noexcept;
std::int64_t StrToInt64Def(const QString& s, std::int64_t defaultValue) noexcept;

// The classic Val reader for a number with "." as decimal point: optional
// leading blanks, sign, digits, ".", digits, optional exponent; nothing after.
// Returns 0 and sets `value` on success, otherwise the 1-based position of the
// first rejected character (one past the end when the text ends before a
// number is complete; an empty text gives 1) and leaves `value` at 0.
int ValFloat(QStringView s, double& value) noexcept;

// ---------------------------------------------------------------------------
// Rounding

// Nearest integer, halves to the even neighbour.  NaN and values outside the
// 64-bit range raise EConvertError (TryRound reports them).
std::int64_t Round(double value);
bool TryRound(double value, std::int64_t& result) noexcept;
// Toward zero; same range rule.
std::int64_t Trunc(double value);
// Fractional part (same sign as value) and integral part as doubles.
double Frac(double value) noexcept;
double Int(double value) noexcept;

// ---------------------------------------------------------------------------
// Text helpers

// Remove characters <= U+0020 at the ends.
QString Trim(const QString& s);
QString TrimLeft(const QString& s);
QString TrimRight(const QString& s);

// Replace every occurrence of `from` (case-insensitive) by `to`; an
// empty `from` leaves the text unchanged.
QString ReplaceAllCI(const QString& s, const QString& from, const QString& to);

// ASCII letters only.
QString UpperCase(const QString& s);
QString LowerCase(const QString& s);
// Full Unicode case mapping.
QString AnsiUpperCase(const QString& s);
QString AnsiLowerCase(const QString& s);

// ASCII case-insensitive ordinal comparison: < 0, 0, > 0.
int CompareText(QStringView a, QStringView b) noexcept;
bool SameText(QStringView a, QStringView b) noexcept;
// Case-sensitive ordinal comparison.
int CompareStr(QStringView a, QStringView b) noexcept;
// Locale collation (QString::localeAwareCompare), case-insensitive / sensitive.
int AnsiCompareText(const QString& a, const QString& b);
int AnsiCompareStr(const QString& a, const QString& b);
bool AnsiSameText(const QString& a, const QString& b);

// 1-based string helpers: Pos gives 0 when not found; Copy clamps its range
// (index < 1 counts from 1, count < 0 gives an empty text).
int Pos(QStringView sub, QStringView s) noexcept;
int Pos(QChar c, QStringView s) noexcept;
QString Copy(const QString& s, int index, int count);
