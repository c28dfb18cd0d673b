#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <functional>

// The person model: what the writers of the mail programs' formats take of one
// person. A card is read into it once, at import (card_person.h).
namespace zt {

// A value of which a card may hold several, with the card's types for it
// (upper case, as written: WORK, HOME, CELL, FAX, PREF…).
struct TypedValue {
    QString value;
    QStringList types;
};

// A postal address in the card's own parts.
struct PostalAddress {
    QString poBox;
    QString extended;
    QString street;
    QString locality;
    QString region;
    QString code;
    QString country;
    QStringList types;
};

// A property of the card that no output carries: a photo, a key, a role, a
// program's own X- property… The loss report names it.
struct UncarriedProperty {
    QString name;   // as readCardProperties names it: "PHOTO", "X-SOCIALPROFILE"
    QString value;  // its text; for a binary value (a photo's), its size ("12345 バイト")
};

// What kind of number a phone is, by its types, for the formats that give
// each kind a column or a label of its own.
enum class PhoneKind { Work, Home, Mobile, WorkFax, HomeFax, Pager, Other };
PhoneKind phoneKind(const TypedValue& phone);

enum class PlaceKind { Work, Home, Other };
PlaceKind placeKind(const QStringList& types);

// A person as the mail programs' formats hold one: the entries whose cards
// give one name and address (people/identity.h), with what their cards say beyond the
// tables, the first-stored card's single values first.
struct Person {
    QString shownName;  // the first of: its name, its e-mail address, its company, its first phone;
                        // for a nameless one, see below
    QString familyName;
    QString givenName;
    QString middleName;
    QString prefix;
    QString suffix;
    bool namesFromCard = false;  // the five above are the card's N, not the name rule's
    QString phoneticFamily;
    QString phoneticGiven;
    QString nickname;
    QString address;           // アドレス (NULL as the empty text, as for the fields below)
    QList<TypedValue> emails;  // アドレス first, then the card's others in card order, each once
    QString company;
    QString department;
    QStringList units;  // the card's ORG units after the company, whose ';'-join is the department;
                        // empty when the department is a stored field
    QString title;
    QList<TypedValue> phones;  // in card order
    QList<PostalAddress> postalAddresses;
    QList<TypedValue> webPages;
    QString note;
    QDate birthday;      // null when the card has none that reads as a date
    QStringList groups;  // each once, in the order their memberships were stored
    QUuid uid;           // the card's own, else made from who it is: the same person keeps it from run to run
    QList<UncarriedProperty> uncarried;  // each occurrence, in card order, later cards after
    // The card gives no name, e-mail address, company or phone: shownName is
    // taken from what it has, and the loss reports say so.
    bool nameless = false;
};

// Hands each person to a writer, one at a time.
using PersonSink = std::function<void(const Person&)>;
// Every person of an address book, in the outputs' order, handed to `take`;
// a source may be run more than once and gives the same people each time.
using PersonSource = std::function<void(const PersonSink& take)>;

}  // namespace zt
