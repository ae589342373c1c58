// The two 8-bit code pages the platform layer needs: Windows-1252, the reading
// of a text file that is not valid UTF-8, and CP437, the OEM code page.
//
// Byte level: ToOem/FromOem and EncodeWindows1252/DecodeWindows1252 convert
// between UTF-16 text and bytes.  Characters that the code page cannot hold
// become '?'.
//
// Text level: OemToAnsi/AnsiToOem work on text whose characters stand for the
// bytes of an 8-bit file read or written as Windows-1252 (the carrier).  A CP437
// file without a byte-order mark is usually not valid UTF-8, so the text reader
// decodes it as Windows-1252; OemToAnsi turns each character back into its byte
// and decodes that byte as CP437.  AnsiToOem is the inverse: the result, saved
// as Windows-1252, gives the CP437 bytes of the original text.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// CP437 <-> UTF-16.  Bytes 0x00-0x7F are ASCII (control codes stay control
// codes); all 128 upper bytes map to their CP437 characters.
QString FromOem(QByteArrayView bytes);
QByteArray ToOem(QStringView text);

// Windows-1252 <-> UTF-16.  The five bytes that Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control characters of the same
// code, so every byte sequence decodes and encodes back unchanged.
QString DecodeWindows1252(QByteArrayView bytes);
QByteArray EncodeWindows1252(QStringView text);

// Text-level conversions over the Windows-1252 carrier (see above).
QString AnsiToOem(QStringView text);
QString OemToAnsi(QStringView text);
