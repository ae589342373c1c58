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

#include <QChar>
#include <QString>
#include <QStringView>

struct TCsvWriteOptions {
    QChar Delimiter = QChar(u',');
    bool QuoteEmptyCells = true;
    bool AlwaysQuotes = false;
    bool JavaCSV = false;
};

class TCsvWriter {
public:
    explicit TCsvWriter(const TCsvWriteOptions& options) : FOptions(options) {}

    // Appends one cell (without a delimiter before it).
    void AppendCell(QString& out, QStringView cell) const;
    // Appends cells separated by the delimiter, and CR LF.
    void AppendRow(QString& out, const QStringList& cells) const;

    QChar Delimiter() const { return FOptions.Delimiter; }

private:
    TCsvWriteOptions FOptions;
};
