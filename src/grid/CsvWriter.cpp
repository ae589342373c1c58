#include "CsvWriter.h"

#include <QStringList>

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kVerticalTab = 0x0B;

inline bool IsSurrogate(char16_t c) noexcept { return c >= 0xD800 && c <= 0xDFFF; }

// What an empty cell is written as.
QLatin1StringView EmptyCellText(const TCsvWriteOptions& o) noexcept
{
    if (o.AlwaysQuotes)
        return QLatin1StringView("\"\"");
    if (o.JavaCSV)
        return QLatin1StringView("^");
    if (o.QuoteEmptyCells)
        return QLatin1StringView("\"\"");
    return QLatin1StringView();
}

}  // namespace

TCsvWriter::TCsvWriter(const TCsvWriteOptions& options) : FOptions(options)
{
    const char16_t d = FOptions.Delimiter.isNull() ? u',' : FOptions.Delimiter.unicode();
    FSpecial[kQuote] = true;
    FSpecial[u'\r'] = true;
    FSpecial[u'\n'] = true;
    if (d < FSpecial.size())
        FSpecial[d] = true;
    const char16_t stops[4] = {kQuote, u'\r', u'\n', d < FSpecial.size() ? d : kQuote};
    for (int k = 0; k < 4; ++k)
        std::fill(std::begin(FStopLanes.Units[k]), std::end(FStopLanes.Units[k]), stops[k]);
}

bool TCsvWriter::EncodesCellByCell() const
{
    return FOptions.Delimiter.isNull() || !IsSurrogate(FOptions.Delimiter.unicode());
}

void TCsvUtf8Buffer::Grow(qsizetype n)
{
    FBytes.resize(std::max(FUsed + n, std::max<qsizetype>(FCapacity * 2, 4096)));
    FData = FBytes.data();
    FCapacity = FBytes.size();
}

QByteArray TCsvUtf8Buffer::Take()
{
    FBytes.truncate(FUsed);
    FData = nullptr;
    FCapacity = 0;
    FUsed = 0;
    return std::move(FBytes);
}

namespace {

// Appends the UTF-8 form of `text` when it holds no surrogate and no stop
// character (one byte per ASCII character, two or three for the rest of the
// Basic Multilingual Plane); false, with nothing taken, otherwise.  `stop`
// flags ASCII characters (null: none), `stopWide` is one more character at or
// above 0x80 (0: none).
bool AppendPlainUtf8(TCsvUtf8Buffer& out, QStringView text, const std::array<bool, 128>* stop,
                     char16_t stopWide)
{
    const qsizetype n = text.size();
    char* dst = out.Room(3 * n);
    const char16_t* src = text.utf16();
    const char16_t* const end = src + n;
    // Most cells are all ASCII: one test and one store a character.
    if (stop) {
        while (src != end && *src < 0x80 && !(*stop)[*src])
            *dst++ = char(*src++);
    } else {
        while (src != end && *src < 0x80)
            *dst++ = char(*src++);
    }
    for (; src != end; ++src) {
        const char16_t c = *src;
        if (c < 0x80) {
            if (stop && (*stop)[c])
                return false;
            *dst++ = char(c);
        } else if (c < 0x800) {
            if (c == stopWide)
                return false;
            *dst++ = char(0xC0 | (c >> 6));
            *dst++ = char(0x80 | (c & 0x3F));
        } else {
            if (c == stopWide || IsSurrogate(c))
                return false;
            *dst++ = char(0xE0 | (c >> 12));
            *dst++ = char(0x80 | ((c >> 6) & 0x3F));
            *dst++ = char(0x80 | (c & 0x3F));
        }
    }
    out.Commit(dst);
    return true;
}

#if defined(__SSE2__)
// True when the eight code units of v are all ASCII and none is one of the
// four stops.
inline bool PlainBlock(__m128i v, const __m128i (&stops)[4])
{
    const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(short(0xFF80))), _mm_setzero_si128());
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, stops[0]), _mm_cmpeq_epi16(v, stops[1])),
                                     _mm_or_si128(_mm_cmpeq_epi16(v, stops[2]), _mm_cmpeq_epi16(v, stops[3])));
    return _mm_movemask_epi8(_mm_andnot_si128(hit, ascii)) == 0xFFFF;
}
#endif

// Narrows a cell of at least four code units that are all ASCII and none of
// the four stops into dst (room for n bytes), in blocks of eight units; the
// last block overlaps the one before, so no unit outside the cell is read and
// no byte past dst + n is written.  False when some unit is not plain (dst
// may then hold part of the bytes; nothing else changed).
// `lanes` holds the four stops, each repeated eight times.
inline bool NarrowPlainAscii(const char16_t* src, qsizetype n, char* dst, const char16_t (&lanes)[4][8])
{
#if defined(__SSE2__)
    const __m128i stops[4] = {_mm_load_si128(reinterpret_cast<const __m128i*>(lanes[0])),
                              _mm_load_si128(reinterpret_cast<const __m128i*>(lanes[1])),
                              _mm_load_si128(reinterpret_cast<const __m128i*>(lanes[2])),
                              _mm_load_si128(reinterpret_cast<const __m128i*>(lanes[3]))};
    if (n < 8) {
        // Units 0..3 and n-4..n-1 (overlapping) in one register.
        const __m128i v = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src)),
                                             _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + n - 4)));
        if (!PlainBlock(v, stops))
            return false;
        char eight[8];
        _mm_storel_epi64(reinterpret_cast<__m128i*>(eight), _mm_packus_epi16(v, v));
        std::memcpy(dst, eight, 4);
        std::memcpy(dst + n - 4, eight + 4, 4);
        return true;
    }
    auto block = [&](qsizetype at) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + at));
        if (!PlainBlock(v, stops))
            return false;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + at), _mm_packus_epi16(v, v));
        return true;
    };
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8)
        if (!block(i))
            return false;
    return i == n || block(n - 8);
#else
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        if (c >= 0x80 || c == lanes[0][0] || c == lanes[1][0] || c == lanes[2][0] || c == lanes[3][0])
            return false;
        dst[i] = char(c);
    }
    return true;
#endif
}

// Writes a cell between optional quotes with the writer's escapes: quotes
// doubled, breaks as "~" (Java mode), CR LF as U+000B where `tabBreaks`, other
// breaks as they are.  `put` writes any other character in the output's
// encoding; Char is the output's code unit (char for UTF-8, char16_t for UTF-16).
template <typename Char, typename Put>
void WriteEscaped(const char16_t* src, qsizetype n, bool quoted, bool javaBreaks, bool tabBreaks, Char*& dst,
                  Put&& put)
{
    if (quoted)
        *dst++ = Char(kQuote);
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        if (c == kQuote) {
            *dst++ = Char(kQuote);
            *dst++ = Char(kQuote);
        } else if (c == u'\r' || c == u'\n') {
            const bool pair = c == u'\r' && i + 1 < n && src[i + 1] == u'\n';
            if (javaBreaks) {
                *dst++ = Char(u'~');
                if (pair)
                    ++i;
            } else if (tabBreaks && pair) {
                *dst++ = Char(kVerticalTab);
                ++i;
            } else {
                *dst++ = Char(c);
            }
        } else {
            put(c);
        }
    }
    if (quoted)
        *dst++ = Char(kQuote);
}

// What AppendCell writes for a cell that holds a quote, the delimiter or a
// line break, encoded as UTF-8 straight into `out`; false, with nothing taken,
// for a cell holding a surrogate or one that AppendCell writes unchanged (the
// caller's general path handles both).  The steps mirror AppendCell's.
bool AppendQuotedUtf8(TCsvUtf8Buffer& out, QStringView cell, const TCsvWriteOptions& o)
{
    const char16_t d = o.Delimiter.isNull() ? u',' : o.Delimiter.unicode();
    bool hasQuote = false;
    bool hasDelim = false;
    bool hasBreak = false;
    const char16_t prefilter = d > kQuote ? d : kQuote;
    for (const QChar ch : cell) {
        const char16_t c = ch.unicode();
        if (c > prefilter) {
            if (IsSurrogate(c))
                return false;
            continue;
        }
        if (c == kQuote)
            hasQuote = true;
        else if (c == d)
            hasDelim = true;
        else if (c == u'\r' || c == u'\n')
            hasBreak = true;
    }
    const bool javaBreaks = o.JavaCSV;
    const bool quoted = o.AlwaysQuotes || hasQuote || hasDelim || (hasBreak && !javaBreaks);
    if (!quoted && !(javaBreaks && hasBreak))
        return false;
    const bool tabBreaks = !o.JavaCSV && !o.AlwaysQuotes && !(hasQuote && !hasDelim);

    const qsizetype n = cell.size();
    // At most two characters a character and the two quotes, three bytes each.
    char* dst = out.Room(3 * (2 * n + 2));
    auto put = [&dst](char16_t c) {
        if (c < 0x80) {
            *dst++ = char(c);
        } else if (c < 0x800) {
            *dst++ = char(0xC0 | (c >> 6));
            *dst++ = char(0x80 | (c & 0x3F));
        } else {
            *dst++ = char(0xE0 | (c >> 12));
            *dst++ = char(0x80 | ((c >> 6) & 0x3F));
            *dst++ = char(0x80 | (c & 0x3F));
        }
    };
    WriteEscaped(cell.utf16(), n, quoted, javaBreaks, tabBreaks, dst, put);
    out.Commit(dst);
    return true;
}

}  // namespace

void TCsvWriter::AppendCellUtf8(TCsvUtf8Buffer& out, QStringView cell) const
{
    // Most cells: ASCII units without a quote, a delimiter or a break,
    // written as they are.
    const qsizetype n = cell.size();
    if (n > 0 && !FOptions.AlwaysQuotes) {
        char* const dst = out.Room(n);
        if (n >= 4) {
            if (NarrowPlainAscii(cell.utf16(), n, dst, FStopLanes.Units)) {
                out.Commit(dst + n);
                return;
            }
        } else {
            // One to three units: the table decides each.
            const char16_t* const src = cell.utf16();
            qsizetype k = 0;
            while (k < n && src[k] < 0x80 && !FSpecial[src[k]]) {
                dst[k] = char(src[k]);
                ++k;
            }
            if (k == n) {
                out.Commit(dst + n);
                return;
            }
        }
    }
    appendCellUtf8Slow(out, cell);
}

void TCsvWriter::appendCellUtf8Slow(TCsvUtf8Buffer& out, QStringView cell) const
{
    if (cell.isEmpty()) {
        const QLatin1StringView empty = EmptyCellText(FOptions);
        out.Append(empty.data(), empty.size());
        return;
    }
    // A cell without quote, delimiter, break or surrogate is written as it is.
    const char16_t d = FOptions.Delimiter.isNull() ? u',' : FOptions.Delimiter.unicode();
    if (!FOptions.AlwaysQuotes && AppendPlainUtf8(out, cell, &FSpecial, d >= 0x80 ? d : 0))
        return;
    if (AppendQuotedUtf8(out, cell, FOptions))
        return;
    FScratch.resize(0);
    AppendCell(FScratch, cell);
    if (!AppendPlainUtf8(out, FScratch, nullptr, 0)) {
        // Surrogates: pairs and lone halves as the UTF-8 codec writes them.
        const QByteArray bytes = FScratch.toUtf8();
        out.Append(bytes.constData(), bytes.size());
    }
}

void TCsvWriter::AppendCell(QString& out, QStringView cell) const
{
    const char16_t d = FOptions.Delimiter.isNull() ? u',' : FOptions.Delimiter.unicode();
    if (cell.isEmpty()) {
        out.append(EmptyCellText(FOptions));
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

    // At most two characters a character (doubled quotes) and the two quotes.
    const qsizetype n = cell.size();
    const qsizetype old = out.size();
    out.resize(old + 2 * n + 2);
    char16_t* const begin = reinterpret_cast<char16_t*>(out.data()) + old;
    char16_t* dst = begin;
    WriteEscaped(cell.utf16(), n, quoted, javaBreaks, tabBreaks, dst, [&dst](char16_t c) { *dst++ = c; });
    out.resize(old + (dst - begin));
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
