// Any bytes read as a card: each property a named line of its own, its parts
// joined by ';' giving its value back, and a card read the same whatever its
// line ends, its tables' fields too. Plain ASCII that asks for no decoding
// comes out as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QRegularExpression>

#include "card/card_properties.h"

using namespace Qt::StringLiterals;

static bool same(const std::vector<zt::CardProperty>& a, const std::vector<zt::CardProperty>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.name == y.name && x.types == y.types && x.value == y.value && x.parts == y.parts;
    });
}

static bool isPlainAscii(QByteArrayView card) {
    for (const char c : card) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\\' || c == '=') {
            return false;
        }
    }
    const QByteArray upper = card.toByteArray().toUpper();
    return !upper.contains("CHARSET") && !upper.contains("ENCODING") && !upper.contains("BASE64");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView card(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::vector<zt::CardProperty> properties = zt::readCardProperties(card);
    const qsizetype lines = card.count('\n') + card.count('\r') + 1;
    if (qsizetype(properties.size()) > lines) {
        std::abort();
    }
    // The card with each line that continues the one before joined to it.
    const QString unfolded =
        isPlainAscii(card)
            ? QString::fromLatin1(card).replace(QRegularExpression(u"(\\r\\n|\\r|\\n)[ \\t]"_s), QString())
            : QString();
    for (const zt::CardProperty& p : properties) {
        if (p.name.isEmpty() || p.parts.size() == 1 ||
            (!p.parts.isEmpty() && p.value != p.parts.join(u';')) ||
            (!unfolded.isNull() && !unfolded.contains(p.value))) {
            std::abort();
        }
        for (const QChar c : p.name) {
            if (!(c >= u'A' && c <= u'Z') && !(c >= u'0' && c <= u'9') && c != u'-') {
                std::abort();
            }
        }
    }
    // LF alone and CR LF end a line alike.
    if (!card.contains('\r')) {
        const QByteArray crlf = card.toByteArray().replace("\n", "\r\n");
        const zt::CardFields fields = zt::parseCard(card).fields, crlfFields = zt::parseCard(crlf).fields;
        if (!same(properties, zt::readCardProperties(crlf)) || fields.name != crlfFields.name ||
            fields.address != crlfFields.address || fields.company != crlfFields.company ||
            fields.department != crlfFields.department) {
            std::abort();
        }
    }
    return 0;
}
