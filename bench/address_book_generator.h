#pragma once

#include <QString>

struct GeneratedBook {
    QString picked;       // the folder a user would pick
    double linesPerCard;  // lines of the card files per card, folded lines counted
};

// Writes a deterministic synthetic address book for measuring: `groups` group
// folders under <root>/AddrBook/<picked>, each with a CP932 card file and a
// Group.idx that names every card of the folder with a job title. The cards are
// as old programs wrote them: a reading, three phones, two addresses (one
// quoted-printable and folded), a URL, a folded two-line note, two mail
// addresses (EMAIL;PREF first) and a birthday besides FN and ORG.
GeneratedBook generateAddressBook(const QString& root, int cards, int groups);
