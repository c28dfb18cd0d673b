#include "formats/person_report.h"

#include "formats/google_csv_writer.h"
#include "formats/ldif_writer.h"
#include "formats/outlook_csv_writer.h"
#include "formats/vcard_writer.h"

namespace zt {

QList<ReportedLoss> reportedLosses(const Person& p) {
    // The reports are only gathered, never finished: no file is named or written.
    LossReport reports[] = {
        LossReport({{}, kVCardOutput.toString(), {}}), LossReport({{}, kOutlookCsvOutput.toString(), {}}),
        LossReport({{}, kLdifOutput.toString(), {}}), LossReport({{}, kGoogleCsvOutput.toString(), {}})};
    reportVCardLosses(p, reports[0]);
    // The layout its window opens with.
    reportOutlookLosses(p, OutlookLayout::Windows, reports[1]);
    reportLdifLosses(p, reports[2]);
    reportGoogleLosses(p, reports[3]);
    QList<ReportedLoss> losses;
    for (const LossReport& report : reports) {
        for (const QString& line : report.lines()) {
            // The escaping leaves a TAB only between the three parts.
            const QStringList parts = line.split(u'\t');
            losses.append({report.output(), parts.value(1), parts.value(2)});
        }
    }
    return losses;
}

}  // namespace zt
