#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

#include "card/card_properties.h"
#include "card/person.h"

// Card → person: what one card says of its person, read once, when the card
// is imported. Nothing after the import reads the card's text again.
namespace zt {

struct CardPerson {
    // The person model as far as the card alone fills it: readings,
    // nickname, e-mail addresses, phones, postal addresses and web pages in
    // card order, note, birthday, and in `uncarried` every property no output
    // carries, a further FN, N, NICKNAME, ORG or TITLE and a birthday that
    // does not read as a date. Names, work and UID are settled once the stored
    // fields are weighed (people/person_assembly.h), from the facts below.
    Person person;
    QString fn;     // the first FN with a value, escapes and encodings undone
    QStringList n;  // N: family, given, middle, prefix, suffix; empty when the card has none
    QString title;  // the first TITLE with a value
    std::optional<Organisation> org;  // the first ORG with a value
    QString uid;                      // the first UID, trimmed

    // N gives a family or a given name.
    bool hasN() const;
    // The name of the card's person: its first FN, else `stored` (the
    // tables' name, the plain FN line as it stands), else its N joined as
    // splitName would split it back; empty when it gives none.
    QString name(const QString& stored = {}) const;
    // The card's own e-mail address: its first one typed PREF, else its
    // first; empty when it has none.
    QString preferredEmail() const;
};

// The person `card` (its bytes from the first line through END:VCARD)
// describes. Never fails: what cannot be read is left out as
// readCardProperties leaves it.
CardPerson interpretCard(QByteArrayView card);
// The same of a card already read.
CardPerson interpretProperties(const std::vector<CardProperty>& properties);

// A date as a card writes one (a birthday, an anniversary): YYYYMMDD or
// YYYY-MM-DD, a time after it telling nothing more; null when it reads as none.
QDate cardDate(QStringView value);

}  // namespace zt
