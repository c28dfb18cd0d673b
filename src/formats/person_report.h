#pragma once

#include <QList>
#include <QString>

#include "card/person.h"

// What the loss reports of the four person outputs (vCard, Outlook CSV, LDIF,
// Google CSV) would say of one person, asked of the writers' own per-person
// code, so that a list of the people can mark those the reports will name
// before anything is written.
namespace zt {

struct ReportedLoss {
    QString output;  // the output as its report names it ("Outlook 用 CSV 出力")
    QString field;   // as the report shows it ("電話 (4 件目)")
    QString value;   // as the report shows it: line breaks, TABs and controls escaped
};

// Every loss the four person outputs would report of `p`, output by output in
// the main menu's order and, within one, in the report's order; none when
// every one of them holds the person whole.
QList<ReportedLoss> reportedLosses(const Person& p);

}  // namespace zt
