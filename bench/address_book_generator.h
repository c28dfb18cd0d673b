#pragma once

#include <QString>

// Writes a deterministic synthetic address book for measuring: `groups` group
// folders under <root>/AddrBook/<picked>, each with a CP932 card file whose
// cards all carry FN, ORG and EMAIL;PREF, and a Group.idx that names every card
// of the folder with a job title. Returns the folder a user would pick.
QString generateAddressBook(const QString& root, int cards, int groups);
