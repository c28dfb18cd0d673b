#pragma once

#include <QString>

#include "card/person.h"
#include "formats/loss_report.h"

// What the person outputs tell the loss report, in the report's own words.
namespace zt {

// "電話 (4 件目)": the item at `index` (from 0) among the person's items of
// one sort, in card order.
QString nthItem(const QString& sort, qsizetype index);

// A postal address as its card wrote it: the parts joined by ';', the empty
// ones at the end left out.
QString postalText(const PostalAddress& a);

// Each value of the person that held a control character no output carries
// (control_characters.h), and each property of the person's card that no
// output carries, by the name a user knows it by where it has one; but for
// `written`, one of them that the output has a field for after all.
void reportUncarried(LossReport& losses, const Person& p, const UncarriedProperty* written = nullptr);

}  // namespace zt
