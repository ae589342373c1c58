#include "CodePages.h"

#include <array>
#include <cstdint>

namespace {

// Upper halves (bytes 0x80-0xFF) of the two code pages.
constexpr std::array<char16_t, 128> kCp437High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// 0xA0-0xFF of Windows-1252 equal Latin-1; only 0x80-0x9F differ.
constexpr std::array<char16_t, 32> kCp1252C1 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// A reverse table from UTF-16 to byte, built once: 65536 entries, 0 = not
// representable (byte 0 itself is handled before the look-up).
struct ReverseTable {
    std::array<uint8_t, 65536> bytes{};
    template <typename Forward>
    explicit ReverseTable(Forward forward) {
        for (int b = 1; b < 256; ++b) bytes[forward(uint8_t(b))] = uint8_t(b);
    }
};

char16_t Cp437Char(uint8_t b) { return b < 0x80 ? char16_t(b) : kCp437High[b - 0x80]; }
char16_t Cp1252Char(uint8_t b) {
    return (b >= 0x80 && b < 0xA0) ? kCp1252C1[b - 0x80] : char16_t(b);
}

const ReverseTable& Cp437Reverse() {
    static const ReverseTable table(Cp437Char);
    return table;
}
const ReverseTable& Cp1252Reverse() {
    static const ReverseTable table(Cp1252Char);
    return table;
}

template <typename Forward>
QString Decode(QByteArrayView bytes, Forward forward) {
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const auto* src = reinterpret_cast<const uint8_t*>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) dst[i] = forward(src[i]);
    return out;
}

QByteArray Encode(QStringView text, const ReverseTable& table) {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    const char16_t* src = text.utf16();
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = src[i];
        if (c == 0) {
            dst[n++] = 0;
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(src[i + 1])) {
            // A character outside the basic plane is one unrepresentable character.
            dst[n++] = '?';
            ++i;
        } else {
            const uint8_t b = table.bytes[c];
            dst[n++] = b != 0 ? char(b) : '?';
        }
    }
    out.truncate(n);
    return out;
}

}  // namespace

QString FromOem(QByteArrayView bytes) { return Decode(bytes, Cp437Char); }

QByteArray ToOem(QStringView text) { return Encode(text, Cp437Reverse()); }

QString DecodeWindows1252(QByteArrayView bytes) { return Decode(bytes, Cp1252Char); }

QByteArray EncodeWindows1252(QStringView text) { return Encode(text, Cp1252Reverse()); }

QString AnsiToOem(QStringView text) { return DecodeWindows1252(ToOem(text)); }

QString OemToAnsi(QStringView text) {
    // A character that is not a Windows-1252 carrier of a byte cannot have come
    // from an 8-bit file; it stays as it is rather than becoming '?'.
    const ReverseTable& carrier = Cp1252Reverse();
    QString out(text.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const char16_t* src = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = src[i];
        const uint8_t b = c == 0 ? 0 : carrier.bytes[c];
        dst[i] = (c != 0 && b == 0) ? c : Cp437Char(b);
    }
    return out;
}
