// The card reader against a plain model of the card file: the whole input is
// decoded at once and split into lines afterwards (no CP932 trail byte is CR
// or LF, so this must agree with the reader's byte-wise split), and the lines
// are turned into cards by the rules the importer documents. Any difference,
// a line end inside a value or an exception is a finding.
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "import/card_reader.h"
#include "platform/ansi_text_file.h"
#include "platform/cp932.h"

namespace {

QStringList modelLines(const QString& text) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineEnd);
    // A line end closes a line; it does not open an empty one after it.
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

std::vector<zt::Card> modelCards(const QStringList& lines) {
    std::vector<zt::Card> cards;
    zt::Card card;
    for (const QString& line : lines) {
        if (line.left(9) == QLatin1String("END:VCARD")) {
            cards.push_back(card);
            card = zt::Card();
        } else if (line.startsWith(QLatin1String("FN:"))) {
            card.name = line.mid(3);
        } else if (line.startsWith(QLatin1String("ORG:"))) {
            const QString org = line.mid(4);
            const qsizetype semicolon = org.indexOf(QLatin1Char(';'));
            card.company = semicolon < 0 ? org : org.left(semicolon);
            card.department = semicolon < 0 ? QString() : org.mid(semicolon + 1);
            if (card.department.endsWith(QLatin1Char(';'))) {
                card.department.chop(1);
            }
        } else if (line.startsWith(QLatin1String("EMAIL;PREF:"))) {
            card.address = line.mid(11);
        }
    }
    if (!(card.name + card.address + card.company + card.department).isEmpty()) {
        cards.push_back(card);
    }
    return cards;
}

bool holdsLineEnd(const QString& value) {
    return value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::vector<zt::Card> cards;
    try {
        auto reader = zt::AnsiTextReader::fromBytes(bytes);
        cards = zt::readCards(reader);
    } catch (...) {
        std::abort();  // any bytes are a card file; reading one must not fail
    }

    const std::vector<zt::Card> expected = modelCards(modelLines(zt::cp932::decode(bytes)));
    if (cards.size() != expected.size()) {
        std::abort();
    }
    for (size_t i = 0; i < cards.size(); ++i) {
        const zt::Card& c = cards[i];
        const zt::Card& e = expected[i];
        if (c.name != e.name || c.address != e.address || c.company != e.company ||
            c.department != e.department) {
            std::abort();
        }
        if (holdsLineEnd(c.name) || holdsLineEnd(c.address) || holdsLineEnd(c.company) ||
            holdsLineEnd(c.department) || c.company.contains(QLatin1Char(';'))) {
            std::abort();
        }
    }
    return 0;
}
