#include "CsvTokenizer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

TCsvHandler::~TCsvHandler() = default;

namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kBlank = u' ';
constexpr char16_t kVerticalTab = 0x0B;

inline bool IsBreak(char16_t c) noexcept { return c == u'\r' || c == u'\n'; }

#if defined(__SSE2__)
// All ones in the lanes of v that hold one of the four stops or a unit at or
// above 0x80.
inline __m128i BlockHits(__m128i v, const __m128i (&stops)[4])
{
    const __m128i wide = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(short(0xFF80))), _mm_setzero_si128());
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, stops[0]), _mm_cmpeq_epi16(v, stops[1])),
                                     _mm_or_si128(_mm_cmpeq_epi16(v, stops[2]), _mm_cmpeq_epi16(v, stops[3])));
    return _mm_or_si128(hit, _mm_andnot_si128(wide, _mm_set1_epi16(-1)));
}
#endif

// Handler that only counts rows.
class TRowCounter final : public TCsvHandler {
public:
    void Field(QStringView) override {}
    bool EndRow() override { return true; }
};

}  // namespace

void TCsvTokenizer::Emit(const QChar* begin, const QChar* end, bool halve, TCsvHandler& handler)
{
    const char16_t* b = reinterpret_cast<const char16_t*>(begin);
    const char16_t* e = reinterpret_cast<const char16_t*>(end);
    const char16_t stored = FOptions.JavaCSV ? u'~' : kVerticalTab;

    // Fast path: nothing to rewrite, hand out a view of the source.
    bool rewrite = false;
    for (const char16_t* p = b; p != e; ++p) {
        if (*p == stored || (halve && *p == kQuote)) {
            rewrite = true;
            break;
        }
    }
    QStringView result;
    if (!rewrite) {
        result = QStringView(b, e - b);
    } else {
        // A stored break grows to two characters; nothing else grows.
        FScratch.resize((e - b) * 2);
        char16_t* const out = reinterpret_cast<char16_t*>(FScratch.data());
        char16_t* dst = out;
        for (const char16_t* p = b; p != e; ++p) {
            const char16_t c = *p;
            if (c == stored) {
                *dst++ = u'\r';
                *dst++ = u'\n';
            } else if (halve && c == kQuote && p + 1 != e && p[1] == kQuote) {
                *dst++ = kQuote;
                ++p;
            } else {
                *dst++ = c;
            }
        }
        FScratch.resize(dst - out);
        result = FScratch;
    }
    if (FOptions.JavaCSV && result.size() == 1 && result[0] == u'^')
        result = QStringView();
    handler.Field(result);
}

qsizetype TCsvTokenizer::Tokenize(QStringView text, TCsvHandler& handler)
{
    const char16_t* const p = text.utf16();
    const qsizetype n = text.size();
    // With no delimiter no character separates cells (not even a NUL in the
    // text).
    const bool hasDelimiter = !FOptions.Delimiter.isNull();
    const char16_t d = FOptions.Delimiter.unicode();
    const bool stripBlanks = d != kBlank;
    // The character that stands for CR LF inside a cell.
    const char16_t storedBreak = FOptions.JavaCSV ? u'~' : kVerticalTab;
    // The plain cell scan classifies ASCII characters by one table look-up:
    // kEnds for the line breaks and the delimiter, kStored for the stored-break
    // character (the delimiter wins when they are the same). A delimiter at or
    // above 0x80 is compared separately (0: none; no such character is 0).
    constexpr uint8_t kEnds = 1, kStored = 2;
    std::array<uint8_t, 128> scanClass{};
    scanClass[u'\r'] = kEnds;
    scanClass[u'\n'] = kEnds;
    scanClass[storedBreak] = kStored;
    if (hasDelimiter && d < 0x80)
        scanClass[d] = kEnds;
    const char16_t wideDelimiter = hasDelimiter && d >= 0x80 ? d : 0;
#if defined(__SSE2__)
    // The same classes for eight units at once: a unit needs the table (or the wide
    // delimiter test) when it is a line break, the delimiter, the stored-break
    // character or at or above 0x80; every other unit is plain text.
    const __m128i scanStops[4] = {_mm_set1_epi16(short(u'\r')), _mm_set1_epi16(short(u'\n')),
                                  _mm_set1_epi16(short(hasDelimiter && d < 0x80 ? d : u'\r')),
                                  _mm_set1_epi16(short(storedBreak))};
#endif
    auto isDelim = [&](char16_t c) { return hasDelimiter && c == d; };
    auto at = [&](qsizetype i) { return reinterpret_cast<const QChar*>(p + i); };

    // Quotes opened at or after this position are not carried across lines:
    // a search from here already ran to the end without finding a close, so
    // no run of odd length follows (see the header).
    qsizetype noCarryFrom = std::numeric_limits<qsizetype>::max();
    qsizetype rows = 0;
    qsizetype i = 0;

    // Position of the first odd-length quote run at or after j, as the index
    // of its last quote; -1 if none.  With `crossLines` the search goes on
    // over line breaks and takes only a run that ends its cell.
    // `lineEnd` receives where the scan stopped at a break (or n).
    // `delimSeen` is set when a delimiter occurs on the first line before it.
    auto findClose = [&](qsizetype j, bool crossLines, qsizetype& lineEnd, bool& delimSeen) -> qsizetype {
        lineEnd = -1;
        while (j < n) {
            const char16_t c = p[j];
            if (c == kQuote) {
                qsizetype k = j;
                while (k < n && p[k] == kQuote)
                    ++k;
                // Across lines only a clean close counts: one followed by a
                // delimiter, a line break or the end of the text.
                if (((k - j) & 1) && (!crossLines || k == n || IsBreak(p[k]) || isDelim(p[k])))
                    return k - 1;
                j = k;
                continue;
            }
            if (IsBreak(c)) {
                if (lineEnd < 0)
                    lineEnd = j;
                if (!crossLines)
                    return -1;
            } else if (lineEnd < 0 && isDelim(c)) {
                delimSeen = true;
            }
            ++j;
        }
        if (lineEnd < 0)
            lineEnd = n;
        return -1;
    };
    // First delimiter from j on the current line, or the line's end.
    auto nextDelimOrEnd = [&](qsizetype j) {
        while (j < n && !IsBreak(p[j]) && !isDelim(p[j]))
            ++j;
        return j;
    };

    while (i < n) {
        // One row: cells until the end of the line.
        for (;;) {
            if (i >= n || IsBreak(p[i]))
                break;
            if (stripBlanks) {
                while (p[i] == kBlank && i + 1 < n && !IsBreak(p[i + 1]))
                    ++i;
            }
            if (p[i] != kQuote) {
                // One pass finds the cell's end and whether it holds a stored
                // line break; most cells are then handed out as they are.
                qsizetype j = i;
                bool stored = false;
                while (j < n) {
#if defined(__SSE2__)
                    // Skips eight units at a time while none of them needs a look.
                    while (j + 8 <= n) {
                        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j));
                        const int hits = _mm_movemask_epi8(BlockHits(v, scanStops));
                        if (hits) {
                            j += std::countr_zero(unsigned(hits)) / 2;
                            break;
                        }
                        j += 8;
                    }
                    if (j >= n)
                        break;
#endif
                    const char16_t c = p[j];
                    if (c < 0x80) {
                        if (const uint8_t k = scanClass[c]) {
                            if (k == kEnds)
                                break;
                            stored = true;
                        }
                    } else if (c == wideDelimiter) {
                        break;
                    }
                    ++j;
                }
                if (stored || (FOptions.JavaCSV && j - i == 1 && p[i] == u'^'))
                    Emit(at(i), at(j), false, handler);
                else
                    handler.Field(QStringView(p + i, j - i));
                if (j < n && isDelim(p[j])) {
                    i = j + 1;
                    continue;
                }
                i = j;
                break;
            }

            // A quoted cell; its text starts at s.
            const qsizetype s = i + 1;
            qsizetype lineEnd = -1;
            bool delimInside = false;
            qsizetype close = findClose(s, false, lineEnd, delimInside);
            if (close < 0 && lineEnd < n && s < noCarryFrom) {
                qsizetype unused = -1;
                bool unusedSeen = false;
                close = findClose(lineEnd, true, unused, unusedSeen);
                if (close < 0)
                    noCarryFrom = s;
                else
                    delimInside = true;  // a carried cell never takes the last-cell reading
            }
            if (close >= 0) {
                const qsizetype after = nextDelimOrEnd(close + 1);
                if (after < n && isDelim(p[after])) {
                    Emit(at(s), at(close), true, handler);
                    i = after + 1;
                    continue;
                }
                if (!delimInside) {
                    // Last cell of its line: the rest of the line without the
                    // quote at each end.
                    const qsizetype end = (p[after - 1] == kQuote) ? after - 1 : after;
                    Emit(at(s), at(std::max(end, s)), true, handler);
                } else {
                    Emit(at(s), at(close), true, handler);
                }
                i = after;
                break;
            }

            // The quote does not close: lineEnd is the end of its line.
            const bool endsWithQuote = lineEnd > s && p[lineEnd - 1] == kQuote;
            if (endsWithQuote || !delimInside) {
                Emit(at(s), at(endsWithQuote ? lineEnd - 1 : lineEnd), true, handler);
                i = lineEnd;
                break;
            }
            // Unclosed with a delimiter later on the line: an empty cell, and
            // the text up to that delimiter is dropped.
            handler.Field(QStringView());
            i = nextDelimOrEnd(s) + 1;
        }

        ++rows;
        if (!handler.EndRow())
            return rows;
        if (i < n) {
            // i is at a line break.
            if (p[i] == u'\r' && i + 1 < n && p[i + 1] == u'\n')
                i += 2;
            else
                ++i;
        }
    }
    return rows;
}

qsizetype TCsvTokenizer::CountRows(QStringView text, const TCsvReadOptions& options)
{
    TRowCounter counter;
    TCsvTokenizer tokenizer(options);
    return tokenizer.Tokenize(text, counter);
}

namespace {

qsizetype PlainCount(QStringView line, char16_t c)
{
    return line.count(QChar(c));
}

// Maximal runs of c that have odd length or end the line.
qsizetype RunCount(QStringView line, char16_t c)
{
    qsizetype count = 0;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n) {
        if (line[i] != c) {
            ++i;
            continue;
        }
        qsizetype k = i;
        while (k < n && line[k] == c)
            ++k;
        if (((k - i) & 1) || k == n)
            ++count;
        i = k;
    }
    return count;
}

bool OddQuotes(QStringView line)
{
    return line.count(QChar(kQuote)) & 1;
}

}  // namespace

QChar TCsvTokenizer::DetectDelimiter(QStringView firstLine, QStringView secondLine)
{
    QChar found;
    qsizetype best = 0;
    for (const char16_t c : DelimiterCandidates) {
        const qsizetype a = RunCount(firstLine, c);
        const qsizetype b = RunCount(secondLine, c);
        if (a == b && a > best) {
            found = QChar(c);
            best = a;
        }
    }
    if (!found.isNull())
        return found;
    for (const char16_t c : DelimiterCandidates) {
        const qsizetype a = PlainCount(firstLine, c);
        const qsizetype b = PlainCount(secondLine, c);
        if (a == b && a > best) {
            found = QChar(c);
            best = a;
        }
    }
    if (!found.isNull())
        return found;
    for (const char16_t c : DelimiterCandidates) {
        const qsizetype a = PlainCount(firstLine, c);
        const qsizetype b = PlainCount(secondLine, c);
        if (a > best || b > best) {
            found = QChar(c);
            best = std::max(a, b);
        }
    }
    return found;
}

QChar TCsvTokenizer::DetectDelimiter(QStringView text)
{
    // The first four physical lines are enough to form the first two joined
    // lines.
    QStringView lines[4];
    int count = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (count < 4 && i < n) {
        qsizetype j = i;
        while (j < n && !IsBreak(text[j].unicode()))
            ++j;
        lines[count++] = text.sliced(i, j - i);
        if (j < n && text[j] == u'\r' && j + 1 < n && text[j + 1] == u'\n')
            j += 2;
        else if (j < n)
            ++j;
        i = j;
    }
    QString joined[2];
    int next = 0;
    for (int k = 0; k < 2; ++k) {
        if (next >= count)
            break;
        if (next + 1 < count && OddQuotes(lines[next]) && OddQuotes(lines[next + 1])) {
            joined[k] = lines[next].toString() + QLatin1StringView("\r\n") + lines[next + 1].toString();
            next += 2;
        } else {
            joined[k] = lines[next].toString();
            next += 1;
        }
    }
    return DetectDelimiter(joined[0], joined[1]);
}
