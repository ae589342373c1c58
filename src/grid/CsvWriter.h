// Writer of delimiter-separated text: the quoting of one cell.  The grid
// builds each line from cells written here, separated by the delimiter and
// ended by CR LF.
//
// A cell is written
// - as two quotes when empty and QuoteEmptyCells or AlwaysQuotes is set, as
//   "^" when empty in Java mode (without AlwaysQuotes), otherwise as nothing;
// - in quotes with every quote doubled when AlwaysQuotes is set or it holds a
//   quote, the delimiter or (normal mode only) a line break (CR or LF);
// - plain otherwise.
// Line breaks in normal mode: a cell quoted only because it holds the
// delimiter or a line break stores each CR LF as U+000B; a cell quoted because
// it holds a quote (and no delimiter) or because of AlwaysQuotes keeps its
// breaks and so spans several lines of the file.  Lone CRs and LFs are always
// kept as they are, inside the quotes.  The reader turns U+000B back into
// CR LF, so every break reads back as it was written.
// Line breaks in Java mode: each CR LF, CR or LF becomes "~" (read back as
// CR LF), so a Java file holds one row per line.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

#include <array>

struct TCsvWriteOptions {
    QChar Delimiter = QChar(u',');
    bool QuoteEmptyCells = true;
    bool AlwaysQuotes = false;
    bool JavaCSV = false;
};

// Growing byte buffer for the UTF-8 writer: appends are plain stores behind a
// pointer, the storage is reallocated only when the room runs out.  A writer
// that streams its output takes the bytes (Data, Size) and Clears the buffer,
// which keeps its storage for the next bytes.
class TCsvUtf8Buffer {
public:
    // Makes room for n more bytes and returns where they go.
    char* Room(qsizetype n)
    {
        if (FCapacity - FUsed < n)
            Grow(n);
        return FData + FUsed;
    }
    // The bytes up to `end` (inside the last room given) are taken.
    void Commit(const char* end) { FUsed = end - FData; }
    void Put(char c)
    {
        *Room(1) = c;
        ++FUsed;
    }
    void Append(const char* bytes, qsizetype n)
    {
        char* p = Room(n);
        for (qsizetype i = 0; i < n; ++i)
            p[i] = bytes[i];
        Commit(p + n);
    }
    void Reserve(qsizetype n)
    {
        if (FCapacity - FUsed < n)
            Grow(n);
    }
    qsizetype Size() const { return FUsed; }
    const char* Data() const { return FData; }
    // Forgets the bytes written; the storage stays.
    void Clear() { FUsed = 0; }
    // The bytes written; the buffer is empty afterwards.
    QByteArray Take();

private:
    void Grow(qsizetype n);

    QByteArray FBytes;  // sized ahead; only the first FUsed bytes are written
    // FBytes' storage, kept apart so that an append does not ask whether the
    // array is shared (it never is).
    char* FData = nullptr;
    qsizetype FCapacity = 0;
    qsizetype FUsed = 0;
};

class TCsvWriter {
public:
    explicit TCsvWriter(const TCsvWriteOptions& options);

    // Appends one cell (without a delimiter before it).
    void AppendCell(QString& out, QStringView cell) const;
    // Appends the UTF-8 bytes of what AppendCell writes.  A cell of ASCII
    // characters that needs no quotes is narrowed straight into `out`; any
    // other cell is written by AppendCell and encoded.  Encoding cell by cell
    // gives the bytes of encoding the whole text as long as the delimiter is
    // not a surrogate (see EncodesCellByCell).
    void AppendCellUtf8(TCsvUtf8Buffer& out, QStringView cell) const;
    // True when AppendCellUtf8, delimiters and CR LF make the same bytes as
    // encoding the joined text (no surrogate half of a pair can meet another
    // across a cell boundary).
    bool EncodesCellByCell() const;
    // Appends cells separated by the delimiter, and CR LF.
    void AppendRow(QString& out, const QStringList& cells) const;

    QChar Delimiter() const { return FOptions.Delimiter; }

private:
    TCsvWriteOptions FOptions;
    // ASCII characters that keep a cell off the plain path: the quote, CR,
    // LF and the delimiter (when it is ASCII).
    std::array<bool, 128> FSpecial{};
    // The same characters for the block test of plain cells, each repeated
    // in eight lanes (the quote stands in for a delimiter at or above 0x80).
    struct alignas(16) TStopLanes {
        char16_t Units[4][8];
    };
    TStopLanes FStopLanes{};

    // AppendCellUtf8 for the cells that the block test does not take.
    void appendCellUtf8Slow(TCsvUtf8Buffer& out, QStringView cell) const;
    // Text of the last cell that needed quotes, before its encoding.
    mutable QString FScratch;
};
