#include "platform/cp932.h"

#include <array>
#include <cstdint>
#include <memory>

namespace zt::cp932 {
namespace {

#include "platform/cp932_table.inc"

constexpr char16_t kReplacement = 0xFFFD;

// Maps a lead byte to its row in kDoubleByteTable, or -1 for a byte that
// cannot start a pair.
constexpr std::array<int8_t, 256> makeLeadRows() {
    std::array<int8_t, 256> rows{};
    for (int b = 0; b < 256; ++b) {
        rows[b] = -1;
    }
    int row = 0;
    for (int b = 0x81; b <= 0x9F; ++b) {
        rows[b] = static_cast<int8_t>(row++);
    }
    for (int b = 0xE0; b <= 0xFC; ++b) {
        rows[b] = static_cast<int8_t>(row++);
    }
    return rows;
}
constexpr std::array<int8_t, 256> kLeadRows = makeLeadRows();

constexpr bool isTrail(unsigned b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// UTF-16 unit -> code; 0 for "none". A code below 0x100 is a single byte.
// U+0000 never reaches this table: encode() writes ASCII directly.
using ReverseTable = std::array<uint16_t, 0x10000>;

// Several codes decode to the same character (the NEC and IBM extensions
// repeat symbols and kanji of each other and of JIS X 0208). Filling the table
// group by group and keeping the first code found gives the code Windows
// writes: JIS X 0208 rows, then NEC row 13, then the IBM extensions, then the
// NEC-selected IBM extensions.
std::unique_ptr<ReverseTable> buildReverseTable() {
    auto table = std::make_unique<ReverseTable>();
    table->fill(0);
    for (unsigned b = 0x01; b < 0x80; ++b) {
        (*table)[b] = static_cast<uint16_t>(b);
    }
    for (unsigned b = 0xA1; b <= 0xDF; ++b) {
        (*table)[0xFF61 + (b - 0xA1)] = static_cast<uint16_t>(b);
    }
    auto addLeads = [&](unsigned first, unsigned last) {
        for (unsigned lead = first; lead <= last; ++lead) {
            const int row = kLeadRows[lead];
            for (int col = 0; col < kTrailCount; ++col) {
                const char16_t u = kDoubleByteTable[row * kTrailCount + col];
                if (u != 0 && (*table)[u] == 0) {
                    (*table)[u] = static_cast<uint16_t>(lead << 8 | (kTrailFirst + col));
                }
            }
        }
    };
    addLeads(0x81, 0x84);
    addLeads(0x88, 0x9F);
    addLeads(0xE0, 0xEA);
    addLeads(0x87, 0x87);
    addLeads(0xFA, 0xFC);
    addLeads(0xED, 0xEE);
    addLeads(0xF0, 0xF9);
    // Rows the code page leaves empty (0x85, 0x86, 0xEB, 0xEC, 0xEF): a final
    // sweep, so that nothing the decode table holds is missed.
    addLeads(0x81, 0x9F);
    addLeads(0xE0, 0xFC);
    // Characters the code page holds only as a look-alike (〜 as ～, ¥ as \):
    // the code Windows writes for them.
    for (int i = 0; i < kExtraCount; ++i) {
        (*table)[kExtraCharacters[i]] = kExtraCodes[i];
    }
    return table;
}

const ReverseTable& reverseTable() {
    static const std::unique_ptr<ReverseTable> table = buildReverseTable();
    return *table;
}

}  // namespace

namespace {

// Walks `size` bytes as decode() reads them, handing `character` each
// character and `broken` each run of one or two bytes that names none.
template <class Character, class Broken>
void walk(const char* data, qsizetype size, Character character, Broken broken) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* const end = p + size;
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            character(static_cast<char16_t>(c));
            ++p;
        } else if (c >= 0xA1 && c <= 0xDF) {
            character(static_cast<char16_t>(0xFF61 + (c - 0xA1)));
            ++p;
        } else if (kLeadRows[c] < 0 || end - p < 2) {
            // A byte that starts nothing, or a lead at the end.
            broken(p, 1);
            ++p;
        } else {
            const unsigned t = p[1];
            const char16_t u =
                isTrail(t) ? kDoubleByteTable[kLeadRows[c] * kTrailCount + (t - kTrailFirst)] : 0;
            if (u != 0) {
                character(u);
                p += 2;
            } else {
                // A pair that names nothing is one loss, as browsers read it;
                // but an ASCII follower (the "@" of an address, a TAB, a line
                // end) is never taken along: it is read again as itself.
                broken(p, t < 0x80 ? 1 : 2);
                p += t < 0x80 ? 1 : 2;
            }
        }
    }
}

}  // namespace

QString decode(const char* data, qsizetype size) {
    if (data == nullptr || size <= 0) {
        return QString();
    }
    // Every byte yields at most one UTF-16 unit, so the result fits in `size`.
    QString out(size, Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
    char16_t* dst = begin;
    walk(
        data, size, [&dst](char16_t u) { *dst++ = u; },
        [&dst](const unsigned char*, int) { *dst++ = kReplacement; });
    out.resize(dst - begin);
    return out;
}

QString decodeShowingBytes(const char* data, qsizetype size) {
    QString out;
    walk(
        data, size, [&out](char16_t u) { out += QChar(u); },
        [&out](const unsigned char* bytes, int count) {
            out += u'<';
            for (int i = 0; i < count; ++i) {
                out += (i > 0 ? QStringLiteral(" ") : QString()) +
                       QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
            }
            out += u'>';
        });
    return out;
}

QByteArray encode(QStringView text) {
    QByteArray out;
    encodeAppend(text, out);
    return out;
}

qsizetype encodeAppend(QStringView text, QByteArray& out) {
    const ReverseTable& table = reverseTable();
    const qsizetype start = out.size();
    out.resize(start + text.size() * 2);
    char* const begin = out.data() + start;
    char* dst = begin;
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    qsizetype lost = 0;
    while (p < end) {
        const char16_t u = *p++;
        if (u < 0x80) {
            *dst++ = static_cast<char>(u);
            continue;
        }
        if (QChar::isHighSurrogate(u) && p < end && QChar::isLowSurrogate(*p)) {
            ++p;  // one character outside the BMP: one "?"
            *dst++ = '?';
            ++lost;
            continue;
        }
        const uint16_t code = table[u];
        if (code == 0) {
            *dst++ = '?';
            ++lost;
        } else if (code < 0x100) {
            *dst++ = static_cast<char>(code);
        } else {
            *dst++ = static_cast<char>(code >> 8);
            *dst++ = static_cast<char>(code & 0xFF);
        }
    }
    out.resize(start + (dst - begin));
    return lost;
}

}  // namespace zt::cp932
