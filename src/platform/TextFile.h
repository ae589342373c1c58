// Text files as lists of lines.
//
// Reading: a byte-order mark decides the encoding (UTF-8, UTF-16 LE, UTF-16
// BE) and is not part of the text; without one, bytes that are valid UTF-8 are
// read as UTF-8 and anything else as Windows-1252.  Lines end at CR LF, LF or
// CR (LF CR is two breaks); a break at the very end adds no empty line, so an
// empty input has no lines and "a\r\n" has one.
//
// Writing: every line is followed by CR LF; the encoding and the byte-order
// mark are the caller's choice (UTF-8 without a mark by default).  Files are
// written through QSaveFile: either the whole new file replaces the old one or
// the old one stays as it was.
//
// Failures raise the stream exceptions of SysUtils.h: EFOpenError when a file
// cannot be opened for reading, EReadError when it cannot be read,
// EFCreateError when a file cannot be created or replaced, EWriteError when a
// stream refuses the data.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>

class QIODevice;

enum TTextEncoding : uint8_t { teUTF8, teUTF16LE, teUTF16BE, teWindows1252 };

// The lines of a text and how the text was encoded.
struct TTextLines {
    QStringList Lines;
    TTextEncoding Encoding = teUTF8;
    bool HasBOM = false;
};

// "UTF-8", "UTF-16LE", "UTF-16BE", "Windows-1252".
QString TextEncodingName(TTextEncoding encoding);
// EF BB BF, FF FE, FE FF; empty for Windows-1252.
QByteArray ByteOrderMark(TTextEncoding encoding);

// The encoding that a byte-order mark at the start of `bytes` names, with the
// mark's length; false when there is no mark.
bool DetectByteOrderMark(QByteArrayView bytes, TTextEncoding& encoding, int& markLength);

// Decodes a whole buffer with detection as described above.  `encoding` and
// `hasBOM` (optional) receive what was found.
QString DecodeText(QByteArrayView bytes, TTextEncoding* encoding = nullptr, bool* hasBOM = nullptr);
// Decodes with a given encoding; a leading byte-order mark of that encoding is
// skipped.  Malformed input gives U+FFFD where it is malformed.
QString DecodeTextAs(QByteArrayView bytes, TTextEncoding encoding);

// Splits at CR LF, LF and CR; a final break adds no line.
QStringList SplitTextLines(QStringView text);

TTextLines ReadTextLines(QByteArrayView bytes);
TTextLines ReadTextLines(QByteArrayView bytes, TTextEncoding encoding);
TTextLines LoadTextFile(const QString& fileName);
TTextLines LoadTextFile(const QString& fileName, TTextEncoding encoding);
// Reads the device from its current position to the end.
TTextLines LoadTextStream(QIODevice& device);

// The bytes of a text in an encoding, with or without the byte-order mark.
// Characters that Windows-1252 cannot hold become '?'.
QByteArray EncodeText(QStringView text, TTextEncoding encoding, bool withBOM);
// Every line followed by CR LF.
QByteArray EncodeTextLines(const QStringList& lines, TTextEncoding encoding = teUTF8,
                           bool withBOM = false);

void SaveTextFile(const QString& fileName, const QStringList& lines,
                  TTextEncoding encoding = teUTF8, bool withBOM = false);
// Writes at the device's current position.
void SaveTextStream(QIODevice& device, const QStringList& lines,
                    TTextEncoding encoding = teUTF8, bool withBOM = false);
