#include "TextFile.h"

#include "CodePages.h"
#include "SysUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstring>

namespace {

QString DecodeUtf16(QByteArrayView bytes, QStringConverter::Encoding enc) {
    QStringDecoder decoder(enc, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    // A dangling odd byte is malformed input, shown as one replacement character.
    if ((bytes.size() & 1) != 0 && (text.isEmpty() || text.back() != QChar::ReplacementCharacter))
        text += QChar::ReplacementCharacter;
    return text;
}

QString Decode(QByteArrayView bytes, TTextEncoding encoding) {
    switch (encoding) {
    case teUTF8: {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        return decoder.decode(bytes);
    }
    case teUTF16LE:
        return DecodeUtf16(bytes, QStringConverter::Utf16LE);
    case teUTF16BE:
        return DecodeUtf16(bytes, QStringConverter::Utf16BE);
    case teWindows1252:
        return DecodeWindows1252(bytes);
    }
    return QString();
}

TTextLines Lines(QStringList lines, TTextEncoding encoding, bool hasBOM) {
    TTextLines result;
    result.Lines = std::move(lines);
    result.Encoding = encoding;
    result.HasBOM = hasBOM;
    return result;
}

// Splits 8-bit or UTF-8 bytes at CR LF, LF and CR and decodes each line on
// its own.  CR and LF never occur inside a UTF-8 multi-byte sequence, so the
// result equals decoding first and splitting afterwards, without building the
// whole text as one intermediate string.  Returns false when `decodeLine`
// reports malformed input.
template <typename DecodeLine>
bool SplitAndDecode(QByteArrayView bytes, QStringList& lines, DecodeLine decodeLine) {
    if (bytes.isEmpty()) return true;  // data() may be null: keep it away from memchr
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    auto find = [end](const char* from, char c) {
        const void* hit = std::memchr(from, c, size_t(end - from));
        return hit ? static_cast<const char*>(hit) : end;
    };
    // The next CR and the next LF at or after p, found with memchr (vectorised)
    // and searched again only once p has passed them; `end` when none is left.
    const char* nextCR = find(p, '\r');
    const char* nextLF = find(p, '\n');
    while (p < end) {
        const char* const lineEnd = std::min(nextCR, nextLF);
        QString line;
        if (!decodeLine(QByteArrayView(p, lineEnd - p), line)) return false;
        lines.append(std::move(line));
        p = lineEnd;
        if (p < end) {
            if (*p == '\r' && p + 1 < end && p[1] == '\n') ++p;
            ++p;
            if (nextCR < p) nextCR = find(p, '\r');
            if (nextLF < p) nextLF = find(p, '\n');
        }
    }
    return true;
}

bool SplitUtf8(QByteArrayView bytes, QStringList& lines, bool strict) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    return SplitAndDecode(bytes, lines, [&](QByteArrayView b, QString& line) {
        line = decoder.decode(b);
        // (Testing the text for U+FFFD would be wrong: a valid file may hold it.)
        return !(strict && decoder.hasError());
    });
}

QStringList SplitWindows1252(QByteArrayView bytes) {
    QStringList lines;
    SplitAndDecode(bytes, lines, [](QByteArrayView b, QString& line) {
        line = DecodeWindows1252(b);
        return true;
    });
    return lines;
}

// Lines of `bytes` (without any mark) in a known encoding.
QStringList SplitAs(QByteArrayView bytes, TTextEncoding encoding) {
    QStringList lines;
    switch (encoding) {
    case teUTF8:
        SplitUtf8(bytes, lines, false);
        break;
    case teWindows1252:
        lines = SplitWindows1252(bytes);
        break;
    case teUTF16LE:
    case teUTF16BE:
        lines = SplitTextLines(Decode(bytes, encoding));
        break;
    }
    return lines;
}

// Opens a file for reading or raises EFOpenError.
void OpenForReading(QFile& file, const QString& fileName) {
    if (QFileInfo(fileName).isDir())
        throw EFOpenError::ForFile(fileName, QStringLiteral("It is a folder."));
    file.setFileName(fileName);
    if (!file.open(QIODevice::ReadOnly)) throw EFOpenError::ForFile(fileName, file.errorString());
}

// Calls `use` with the whole content of an open file: mapped into memory when
// the file allows it (no copy, no fresh pages), otherwise read in one go.
template <typename Use>
TTextLines WithFileBytes(QFile& file, Use use) {
    const qint64 size = file.size();
    if (size == 0) return use(QByteArrayView());
    if (uchar* mapped = file.map(0, size)) {
        TTextLines result = use(QByteArrayView(mapped, size));
        file.unmap(mapped);
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) throw EReadError();
    return use(QByteArrayView(bytes));
}

}  // namespace

QString TextEncodingName(TTextEncoding encoding) {
    switch (encoding) {
    case teUTF8:
        return QStringLiteral("UTF-8");
    case teUTF16LE:
        return QStringLiteral("UTF-16LE");
    case teUTF16BE:
        return QStringLiteral("UTF-16BE");
    case teWindows1252:
        return QStringLiteral("Windows-1252");
    }
    return QString();
}

QByteArray ByteOrderMark(TTextEncoding encoding) {
    switch (encoding) {
    case teUTF8:
        return QByteArray("\xEF\xBB\xBF", 3);
    case teUTF16LE:
        return QByteArray("\xFF\xFE", 2);
    case teUTF16BE:
        return QByteArray("\xFE\xFF", 2);
    case teWindows1252:
        break;
    }
    return QByteArray();
}

bool DetectByteOrderMark(QByteArrayView bytes, TTextEncoding& encoding, int& markLength) {
    for (TTextEncoding e : {teUTF8, teUTF16LE, teUTF16BE}) {
        const QByteArray mark = ByteOrderMark(e);
        if (bytes.startsWith(mark)) {
            encoding = e;
            markLength = int(mark.size());
            return true;
        }
    }
    return false;
}

QString DecodeText(QByteArrayView bytes, TTextEncoding* encoding, bool* hasBOM) {
    TTextEncoding found = teUTF8;
    int markLength = 0;
    const bool mark = DetectByteOrderMark(bytes, found, markLength);
    QString text;
    if (mark) {
        text = Decode(bytes.sliced(markLength), found);
    } else {
        // One pass: decode as UTF-8 and fall back only when the decoder saw
        // malformed input.  (Testing for U+FFFD in the result would be wrong:
        // a valid file may contain that character.)
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = decoder.decode(bytes);
        if (decoder.hasError()) {
            found = teWindows1252;
            text = DecodeWindows1252(bytes);
        }
    }
    if (encoding) *encoding = found;
    if (hasBOM) *hasBOM = mark;
    return text;
}

QString DecodeTextAs(QByteArrayView bytes, TTextEncoding encoding) {
    const QByteArray mark = ByteOrderMark(encoding);
    if (!mark.isEmpty() && bytes.startsWith(mark)) bytes = bytes.sliced(mark.size());
    return Decode(bytes, encoding);
}

QStringList SplitTextLines(QStringView text) {
    QStringList lines;
    const char16_t* const begin = text.utf16();
    const char16_t* const end = begin + text.size();
    const char16_t* p = begin;
    while (p < end) {
        const char16_t* start = p;
        while (p < end && *p != u'\n' && *p != u'\r') ++p;
        lines.append(QString(reinterpret_cast<const QChar*>(start), p - start));
        if (p < end) {
            if (*p == u'\r' && p + 1 < end && p[1] == u'\n') ++p;
            ++p;
        }
    }
    return lines;
}

TTextLines ReadTextLines(QByteArrayView bytes) {
    TTextEncoding encoding = teUTF8;
    int markLength = 0;
    if (DetectByteOrderMark(bytes, encoding, markLength))
        return Lines(SplitAs(bytes.sliced(markLength), encoding), encoding, true);
    QStringList lines;
    if (SplitUtf8(bytes, lines, true)) return Lines(std::move(lines), teUTF8, false);
    return Lines(SplitWindows1252(bytes), teWindows1252, false);
}

TTextLines ReadTextLines(QByteArrayView bytes, TTextEncoding encoding) {
    const QByteArray mark = ByteOrderMark(encoding);
    const bool hasMark = !mark.isEmpty() && bytes.startsWith(mark);
    return Lines(SplitAs(hasMark ? bytes.sliced(mark.size()) : bytes, encoding), encoding, hasMark);
}

TTextLines LoadTextFile(const QString& fileName) {
    QFile file;
    OpenForReading(file, fileName);
    return WithFileBytes(file, [](QByteArrayView b) { return ReadTextLines(b); });
}

TTextLines LoadTextFile(const QString& fileName, TTextEncoding encoding) {
    QFile file;
    OpenForReading(file, fileName);
    return WithFileBytes(file, [encoding](QByteArrayView b) { return ReadTextLines(b, encoding); });
}

TTextLines LoadTextStream(QIODevice& device) {
    if (!device.isReadable()) throw EReadError();
    const QByteArray bytes = device.readAll();
    return ReadTextLines(bytes);
}

QByteArray EncodeText(QStringView text, TTextEncoding encoding, bool withBOM) {
    QByteArray body;
    switch (encoding) {
    case teUTF8:
        body = text.toUtf8();
        break;
    case teUTF16LE: {
        QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
        body = encoder.encode(text);
        break;
    }
    case teUTF16BE: {
        QStringEncoder encoder(QStringConverter::Utf16BE, QStringConverter::Flag::Stateless);
        body = encoder.encode(text);
        break;
    }
    case teWindows1252:
        body = EncodeWindows1252(text);
        break;
    }
    return withBOM ? ByteOrderMark(encoding) + body : body;
}

QByteArray EncodeTextLines(const QStringList& lines, TTextEncoding encoding, bool withBOM) {
    // One joined text and one encoding pass: far cheaper than encoding line by line.
    qsizetype total = 0;
    for (const QString& line : lines) total += line.size() + 2;
    QString text;
    text.reserve(total);
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return EncodeText(text, encoding, withBOM);
}

void SaveTextFile(const QString& fileName, const QStringList& lines, TTextEncoding encoding,
                  bool withBOM) {
    const QByteArray bytes = EncodeTextLines(lines, encoding, withBOM);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) throw EFCreateError::ForFile(fileName, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw EFCreateError::ForFile(fileName, reason);
    }
    if (!file.commit()) throw EFCreateError::ForFile(fileName, file.errorString());
}

void SaveTextStream(QIODevice& device, const QStringList& lines, TTextEncoding encoding,
                    bool withBOM) {
    const QByteArray bytes = EncodeTextLines(lines, encoding, withBOM);
    if (!device.isWritable() || device.write(bytes) != bytes.size()) throw EWriteError();
}
