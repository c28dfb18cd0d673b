#include "card/card_person.h"

#include <QDate>
#include <algorithm>
#include <functional>
#include <vector>

#include "card/card_properties.h"
#include "card/name_rule.h"
#include "card/property_families.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

void setIfEmpty(QString& field, const QString& value) {
    if (field.isEmpty()) {
        field = value;
    }
}

// A property no output carries, as the loss report shows it, each
// occurrence: a binary value (a photo, a sound) by its size, for its bytes
// mean nothing on a line of text; every picture format starts with a control
// byte within its first few.
void addUncarried(const CardProperty& property, Person& p) {
    if (property.value.isEmpty() && property.binary.isEmpty()) {
        return;
    }
    const bool binary = std::any_of(property.binary.begin(), property.binary.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n';
    });
    p.uncarried.append({property.name, binary ? QString::number(property.binary.size()) + u" バイト"_s
                                       : property.shownBytes.isEmpty() ? property.value
                                                                       : property.shownBytes});
}

// A further value of a property the outputs hold once: no output carries it.
void addSecond(const CardProperty& property, Person& p) {
    if (!property.value.isEmpty()) {
        p.uncarried.append({property.name, property.value});
    }
}

// Names, readings and the nickname.
void readNames(Family family, const CardProperty& property, CardPerson& card) {
    Person& p = card.person;
    switch (family) {
        case Family::Name:
            if (card.fn.isEmpty()) {
                card.fn = property.value;
            } else {
                addSecond(property, p);
            }
            break;
        case Family::StructuredName:
            if (card.n.isEmpty()) {
                card.n = QStringList{property.part(0), property.part(1), property.part(2), property.part(3),
                                     property.part(4)};
            } else {
                addSecond(property, p);
            }
            break;
        case Family::Sound:
            if (!property.hasType(u"X-IRMC-N")) {
                addUncarried(property, p);
            } else if (p.phoneticFamily.isEmpty() && p.phoneticGiven.isEmpty()) {
                p.phoneticFamily = property.part(0);
                p.phoneticGiven = property.part(1);
            } else if (property.part(0) != p.phoneticFamily || property.part(1) != p.phoneticGiven) {
                addSecond(property, p);
            }
            break;
        case Family::PhoneticFamily:
        case Family::PhoneticGiven: {
            // A second reading is one no output has room for.
            QString& reading = family == Family::PhoneticFamily ? p.phoneticFamily : p.phoneticGiven;
            if (reading.isEmpty()) {
                reading = property.value;
            } else if (property.value != reading) {
                addSecond(property, p);
            }
            break;
        }
        default:
            if (p.nickname.isEmpty()) {
                p.nickname = property.value;
            } else {
                addSecond(property, p);
            }
            break;
    }
}

// E-mail addresses, phones and web pages, each in card order.
void readContact(Family family, const CardProperty& property, Person& p) {
    QList<TypedValue>& list = family == Family::Email   ? p.emails
                              : family == Family::Phone ? p.phones
                                                        : p.webPages;
    if (!property.value.isEmpty()) {
        list.append({property.value, property.types});
    }
}

void readPostalAddress(const CardProperty& property, Person& p) {
    const bool empty = property.parts.isEmpty() ? property.value.isEmpty()
                                                : std::all_of(property.parts.begin(), property.parts.end(),
                                                              std::mem_fn(&QString::isEmpty));
    if (!empty) {
        // Parts past the seventh are kept with the country rather than lost.
        const QString country =
            property.partCount() > 7 ? property.parts.mid(6).join(u';') : property.part(6);
        p.postalAddresses.append({property.part(0), property.part(1), property.part(2), property.part(3),
                                  property.part(4), property.part(5), country, property.types});
    }
}

// The note, the birthday, the work, and what no output carries.
void readTheRest(Family family, const CardProperty& property, CardPerson& card) {
    Person& p = card.person;
    const QString& value = property.value;
    switch (family) {
        case Family::Note:
            // One line break between notes, whichever a card wrote, so that
            // each output writes its own.
            if (!value.isEmpty()) {
                p.note += (p.note.isEmpty() ? QString() : u"\n"_s) + value;
            }
            break;
        case Family::Birthday:
            // One that does not read as a date, or a second one, is reported.
            if (const QDate date = cardDate(value); p.birthday.isNull() && date.isValid()) {
                p.birthday = date;
            } else if (date != p.birthday || !date.isValid()) {
                addSecond(property, p);
            }
            break;
        case Family::Title:
            if (card.title.isEmpty()) {
                card.title = value;
            } else {
                addSecond(property, p);
            }
            break;
        case Family::Organisation:
            if (card.org.isEmpty() && !value.isEmpty()) {
                card.org = organisationUnits(QStringList{property.part(0)} + property.parts.mid(1));
            } else {
                addSecond(property, p);
            }
            break;
        case Family::Uid:
            setIfEmpty(card.uid, value.trimmed());
            break;
        case Family::Uncarried:
            addUncarried(property, p);
            break;
        default:
            break;
    }
}

}  // namespace

QDate cardDate(QStringView value) {
    value = value.trimmed();
    const bool dashed = value.size() >= 10 && value[4] == u'-' && value[7] == u'-';
    const QStringView written = value.first(std::min<qsizetype>(value.size(), dashed ? 10 : 8));
    if (value.size() > written.size() && value[written.size()] != u'T') {
        return {};
    }
    const QString digits = dashed ? written.toString().remove(u'-') : written.toString();
    if (digits.size() != 8 ||
        !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        return {};
    }
    const QDate date(digits.first(4).toInt(), digits.sliced(4, 2).toInt(), digits.sliced(6).toInt());
    return date.isValid() ? date : QDate();
}

bool CardPerson::hasN() const {
    return n.size() == 5 && !(n[0].isEmpty() && n[1].isEmpty());
}

QString CardPerson::name() const {
    return !fn.isEmpty() ? fn : hasN() ? joinedName(n[0], n[1]) : QString();
}

QString CardPerson::preferredEmail() const {
    const QList<TypedValue>& emails = person.emails;
    const auto preferred = std::find_if(emails.begin(), emails.end(),
                                        [](const TypedValue& e) { return e.types.contains(u"PREF"_s); });
    return preferred != emails.end() ? preferred->value : emails.isEmpty() ? QString() : emails.first().value;
}

CardPerson interpretCard(QByteArrayView bytes) {
    CardPerson card;
    for (const CardProperty& property : readCardProperties(bytes)) {
        const Family family = familyOf(property.name);
        // A value carried with bytes lost to U+FFFD is reported with those bytes.
        if (!property.shownBytes.isEmpty() && family != Family::Uncarried && family != Family::Bookkeeping) {
            card.person.uncarried.append({property.name, property.shownBytes});
        }
        if (family <= Family::Nickname) {
            readNames(family, property, card);
        } else if (family <= Family::WebPage) {
            readContact(family, property, card.person);
        } else if (family == Family::PostalAddress) {
            readPostalAddress(property, card.person);
        } else {
            readTheRest(family, property, card);
        }
    }
    card.person.note.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    return card;
}

}  // namespace zt
