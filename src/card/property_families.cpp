#include "card/property_families.h"

#include <QHash>

namespace zt {

using namespace Qt::StringLiterals;

namespace {

struct Known {
    Family family;
    const char16_t* reportedAs = nullptr;  // none: the property's own name
};

const QHash<QString, Known>& knownProperties() {
    static const QHash<QString, Known> known{
        {u"FN"_s, {Family::Name}},
        {u"N"_s, {Family::StructuredName}},
        {u"SOUND"_s, {Family::Sound}},
        {u"X-PHONETIC-LAST-NAME"_s, {Family::PhoneticFamily}},
        {u"X-PHONETIC-FIRST-NAME"_s, {Family::PhoneticGiven}},
        {u"NICKNAME"_s, {Family::Nickname}},
        {u"EMAIL"_s, {Family::Email}},
        {u"TEL"_s, {Family::Phone}},
        {u"URL"_s, {Family::WebPage}},
        {u"ADR"_s, {Family::PostalAddress}},
        {u"NOTE"_s, {Family::Note}},
        {u"BDAY"_s, {Family::Birthday}},
        {u"TITLE"_s, {Family::Title}},
        {u"ORG"_s, {Family::Organisation}},
        {u"UID"_s, {Family::Uid}},
        {u"BEGIN"_s, {Family::Bookkeeping}},
        {u"END"_s, {Family::Bookkeeping}},
        {u"VERSION"_s, {Family::Bookkeeping}},
        {u"PRODID"_s, {Family::Bookkeeping}},
        {u"REV"_s, {Family::Bookkeeping}},
        {u"MAILER"_s, {Family::Bookkeeping}},
        {u"CLASS"_s, {Family::Bookkeeping}},
        {u"PROFILE"_s, {Family::Bookkeeping}},
        {u"NAME"_s, {Family::Bookkeeping}},
        {u"SOURCE"_s, {Family::Bookkeeping}},
        {u"SORT-STRING"_s, {Family::Bookkeeping}},
        {u"PHOTO"_s, {Family::Uncarried, u"写真"}},
        {u"LOGO"_s, {Family::Uncarried, u"ロゴ"}},
        {u"KEY"_s, {Family::Uncarried, u"暗号鍵"}},
        {u"LABEL"_s, {Family::Uncarried, u"宛名ラベル"}},
        {u"ROLE"_s, {Family::Uncarried, u"役割"}},
    };
    return known;
}

}  // namespace

Family familyOf(const QString& name) {
    const auto& known = knownProperties();
    const auto found = known.constFind(name);
    return found == known.cend() ? Family::Uncarried : found->family;
}

QString reportedName(const QString& name) {
    const auto& known = knownProperties();
    const auto found = known.constFind(name);
    return found == known.cend() || found->reportedAs == nullptr ? name
                                                                 : QString::fromUtf16(found->reportedAs);
}

}  // namespace zt
