// Reader of delimiter-separated text: splits a whole decoded text into rows
// and cells and reports them to a handler.  The grid is one handler, tests are
// another.
//
// Rows end at CR LF, LF or CR outside quotes; a break at the very end of the
// text adds no empty row, so "a\r\n" is one row and "" none.
//
// Cells, from the start of a cell:
// - Blanks (U+0020) at its start are dropped while at least one more character
//   follows on the line (not when the blank is the delimiter itself).
// - A cell that does not begin with a quote runs to the next delimiter or the
//   end of the line and is taken as it is (no quote processing).
// - A cell that begins with a quote ends at the first run of quote characters
//   of odd length on its line; inside it "" stands for one quote.  Text
//   between the closing quote and the next delimiter is dropped.
// - A quote still open at the end of its line is carried across line breaks
//   up to the first odd run that ends the cell (followed by a delimiter, a
//   line break or the end of the text); the breaks are kept exactly as the
//   text has them.  Without such a close the line is read as below.
// - The last cell of a line (no delimiter after its opening quote) keeps the
//   older, line-based reading when it closes on its own line: the rest of the
//   line without the quote at each end, "" halved, so `"x"y` gives `x"y`.
// - A quote that never closes: when the line ends in a run of quotes, that run
//   closes the cell; otherwise, when a delimiter follows on the line, the cell
//   is empty and the text up to that delimiter is dropped; otherwise the cell
//   is the rest of the line.
// - Line breaks stored in a cell: in normal mode each U+000B becomes CR LF; in
//   Java mode each "~" becomes CR LF and a cell that is exactly "^" is empty.
// - A delimiter directly before the end of a line reports no further cell.
//
// The work is linear in the text: an unclosed quote is searched for once, and
// after a search has run to the end of the text without closing, later quotes
// are no longer carried across lines.
#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

class TCsvHandler {
public:
    virtual ~TCsvHandler();
    // One cell of the current row.  The view is valid only during the call.
    virtual void Field(QStringView text) = 0;
    // The current row is complete.  Returning false stops the reading.
    virtual bool EndRow() = 0;
};

struct TCsvReadOptions {
    // The cell separator; QChar() (#0) means none: each line is one cell.
    QChar Delimiter = QChar(u',');
    bool JavaCSV = false;
};

class TCsvTokenizer {
public:
    explicit TCsvTokenizer(const TCsvReadOptions& options) : FOptions(options) {}

    // Reads the whole text; returns the number of rows reported (a stop
    // requested by the handler counts the row that asked for it).
    qsizetype Tokenize(QStringView text, TCsvHandler& handler);

    // Rows that Tokenize would report, without building any cell text.
    static qsizetype CountRows(QStringView text, const TCsvReadOptions& options);

    // Candidates tried by the delimiter detection, in order.
    static constexpr char16_t DelimiterCandidates[10] = {u',', u';', u'#', u'\t', u'|',
                                                         u'@', u'*', u'-', u'+', u'&'};

    // Chooses a delimiter from the first two lines of a text (QChar() when no
    // candidate fits).  Lines split at any break are re-joined first where two
    // consecutive lines each hold an odd number of quotes (one quoted cell
    // written over two lines).
    static QChar DetectDelimiter(QStringView text);
    // The detection proper, over two given lines (the second may be empty):
    // 1. a candidate wins when both lines hold the same number of separators,
    //    counting each maximal run of the candidate once when its length is
    //    odd or it ends the line, and that number beats the best so far;
    // 2. else the same with plain character counts;
    // 3. else, with plain counts, a candidate wins when either line's count
    //    beats the best so far, which becomes the higher of the two.
    static QChar DetectDelimiter(QStringView firstLine, QStringView secondLine);

private:
    // Emits text[begin, end) after halving doubled quotes (when halve) and
    // decoding stored line breaks.
    void Emit(const QChar* begin, const QChar* end, bool halve, TCsvHandler& handler);

    TCsvReadOptions FOptions;
    QString FScratch;
};
