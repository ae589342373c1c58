#include "TextFile.h"

#include "CodePages.h"
#include "SysUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

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

TTextLines Lines(QString text, TTextEncoding encoding, bool hasBOM) {
    TTextLines result;
    result.Lines = SplitTextLines(text);
    result.Encoding = encoding;
    result.HasBOM = hasBOM;
    return result;
}

QByteArray ReadWholeFile(const QString& fileName) {
    if (QFileInfo(fileName).isDir())
        throw EFOpenError::ForFile(fileName, QStringLiteral("It is a folder."));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) throw EFOpenError::ForFile(fileName, file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) throw EReadError();
    return bytes;
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
    bool mark = false;
    QString text = DecodeText(bytes, &encoding, &mark);
    return Lines(std::move(text), encoding, mark);
}

TTextLines ReadTextLines(QByteArrayView bytes, TTextEncoding encoding) {
    const QByteArray mark = ByteOrderMark(encoding);
    const bool hasMark = !mark.isEmpty() && bytes.startsWith(mark);
    return Lines(DecodeTextAs(bytes, encoding), encoding, hasMark);
}

TTextLines LoadTextFile(const QString& fileName) { return ReadTextLines(ReadWholeFile(fileName)); }

TTextLines LoadTextFile(const QString& fileName, TTextEncoding encoding) {
    return ReadTextLines(ReadWholeFile(fileName), encoding);
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
