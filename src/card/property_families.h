#pragma once

#include <QString>

// The card properties this program knows, each once: the family a property
// belongs to decides where the reader puts it, which line a writer makes of
// it and how the loss report names it.
namespace zt {

enum class Family {
    Name,            // FN
    StructuredName,  // N
    Sound,           // SOUND: a reading where it is typed X-IRMC-N
    PhoneticFamily,  // X-PHONETIC-LAST-NAME
    PhoneticGiven,   // X-PHONETIC-FIRST-NAME
    Nickname,
    Email,
    Phone,
    WebPage,
    PostalAddress,
    Note,
    Birthday,
    Title,
    Organisation,
    Uid,
    Bookkeeping,  // the format's own (BEGIN, VERSION, REV…): holds nothing of the person
    Uncarried,    // anything else: a photo, a key, a program's own X- property
};

// The family of a property named as readCardProperties names it (upper case).
Family familyOf(const QString& name);

// The property as the loss report names it: the word a user knows it by
// where it has one (写真 for PHOTO), else its own name.
QString reportedName(const QString& name);

}  // namespace zt
