#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

// The properties of one stored card, as the programs of the past wrote them:
// vCard 2.1 and 3.0, in the card file's code page unless a property names
// another. Never fails: a line it cannot read is skipped, and a value it cannot
// decode is kept as near to what was written as the decoders allow.
namespace zt {

struct CardProperty {
    QString name;       // upper case, without its group: "TEL", "X-PHONETIC-LAST-NAME"
    QStringList types;  // upper case: every bare parameter and TYPE= value, in card order
                        // (not the bare encodings QUOTED-PRINTABLE, BASE64, 8BIT, 7BIT)
    QByteArray data;    // the value's bytes once quoted-printable or base 64 is undone
    QString value;      // `data` as text in its charset, 3.0 escapes undone
    QStringList parts;  // `data` as text split at each unescaped ';', each part unescaped;
                        // one part when there is no ';', so `value` is always parts.join(';')

    bool hasType(QStringView type) const { return types.contains(type); }
};

// Every property of `card` (its bytes from the first line through END:VCARD),
// in card order, BEGIN, VERSION and END included. A line that starts with a
// blank or TAB continues the one before; a quoted-printable value that ends in
// '=' continues on the next line as it stands. The time taken grows linearly
// with the card's size, however its lines are folded or broken.
std::vector<CardProperty> readCardProperties(QByteArrayView card);

}  // namespace zt
