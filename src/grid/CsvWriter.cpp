#include "CsvWriter.h"

#include <QStringList>

namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kVerticalTab = 0x0B;

}  // namespace

void TCsvWriter::AppendCell(QString& out, QStringView cell) const
{
    const char16_t d = FOptions.Delimiter.isNull() ? u',' : FOptions.Delimiter.unicode();
    if (cell.isEmpty()) {
        if (FOptions.AlwaysQuotes)
            out.append(QLatin1StringView("\"\""));
        else if (FOptions.JavaCSV)
            out.append(QChar(u'^'));
        else if (FOptions.QuoteEmptyCells)
            out.append(QLatin1StringView("\"\""));
        return;
    }

    bool hasQuote = false;
    bool hasDelim = false;
    bool hasBreak = false;
    // Quote, CR, LF and the delimiter are all at most `prefilter`; most text
    // characters are above it and cost one comparison.
    const char16_t prefilter = d > kQuote ? d : kQuote;
    for (const QChar ch : cell) {
        const char16_t c = ch.unicode();
        if (c > prefilter)
            continue;
        if (c == kQuote)
            hasQuote = true;
        else if (c == d)
            hasDelim = true;
        else if (c == u'\r' || c == u'\n')
            hasBreak = true;
    }

    // Java mode writes breaks as "~", so a break alone needs no quotes there.
    const bool javaBreaks = FOptions.JavaCSV;
    const bool quoted = FOptions.AlwaysQuotes || hasQuote || hasDelim || (hasBreak && !javaBreaks);
    if (!quoted && !(javaBreaks && hasBreak)) {
        out.append(cell);
        return;
    }
    // Normal mode keeps CR LF as U+000B only when the quotes are there because
    // of a delimiter or a break.
    const bool tabBreaks = !FOptions.JavaCSV && !FOptions.AlwaysQuotes && !(hasQuote && !hasDelim);

    out.reserve(out.size() + cell.size() + 8);
    if (quoted)
        out.append(QChar(kQuote));
    const qsizetype n = cell.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = cell[i].unicode();
        if (c == kQuote) {
            out.append(QLatin1StringView("\"\""));
        } else if (c == u'\r' || c == u'\n') {
            const bool pair = c == u'\r' && i + 1 < n && cell[i + 1] == u'\n';
            if (javaBreaks) {
                out.append(QChar(u'~'));
                if (pair)
                    ++i;
            } else if (tabBreaks && pair) {
                out.append(QChar(kVerticalTab));
                ++i;
            } else {
                out.append(QChar(c));
            }
        } else {
            out.append(QChar(c));
        }
    }
    if (quoted)
        out.append(QChar(kQuote));
}

void TCsvWriter::AppendRow(QString& out, const QStringList& cells) const
{
    const QChar d = FOptions.Delimiter.isNull() ? QChar(u',') : FOptions.Delimiter;
    bool first = true;
    for (const QString& cell : cells) {
        if (!first)
            out.append(d);
        first = false;
        AppendCell(out, cell);
    }
    out.append(QLatin1StringView("\r\n"));
}
