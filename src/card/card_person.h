#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringList>

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
    QString fn;       // the first FN with a value, escapes and encodings undone
    QStringList n;    // N: family, given, middle, prefix, suffix; empty when the card has none
    QString title;    // the first TITLE with a value
    QStringList org;  // the first ORG with a value: its company, then its units, none empty at the end
    QString uid;      // the first UID, trimmed

    // N gives a family or a given name.
    bool hasN() const;
    // The name the card gives in any form: its first FN, else its N joined
    // as splitName would split it back; empty when it gives neither.
    QString name() const;
    // The card's own e-mail address: its first one typed PREF, else its
    // first; empty when it has none.
    QString preferredEmail() const;
};

// The person `card` (its bytes from the first line through END:VCARD)
// describes. Never fails: what cannot be read is left out as
// readCardProperties leaves it.
CardPerson interpretCard(QByteArrayView card);

// A date as a card writes one (a birthday, an anniversary): YYYYMMDD or
// YYYY-MM-DD, a time after it telling nothing more; null when it reads as none.
QDate cardDate(QStringView value);

}  // namespace zt
