#pragma once

#include <QString>

#include "formats/loss_report.h"

namespace zt {

// Which of the department and the title a comma layout adds after the company.
enum class RemarkParts { DepartmentAndTitle, Department, Title, None };

// The comma-separated remarks both address books write: the company always,
// even when empty, then the department and the title that `parts` names, each
// left out when empty. A title brings its department along, empty or not, so
// that the title always stands in the third place.
inline void appendCommaRemarks(QString& line, RemarkParts parts, const QString& company,
                               const QString& department, const QString& title) {
    line += company;
    const bool withTitle =
        (parts == RemarkParts::DepartmentAndTitle || parts == RemarkParts::Title) && !title.isEmpty();
    const bool withDepartment = parts == RemarkParts::DepartmentAndTitle
                                    ? withTitle || !department.isEmpty()
                                    : parts == RemarkParts::Department && !department.isEmpty();
    if (withDepartment) {
        line += u',';
        line += department;
    }
    if (withTitle) {
        line += u',';
        line += title;
    }
}

// Each of the company and the department and title that `parts` names that
// CP932 cannot hold whole: the loss report's part of a remarks line that lost
// characters.
inline void addRemarkLosses(LossReport& losses, QStringView who, RemarkParts parts, const QString& company,
                            const QString& department, const QString& title) {
    losses.addUnencodable(who, u"会社名", company);
    if (parts == RemarkParts::DepartmentAndTitle || parts == RemarkParts::Department) {
        losses.addUnencodable(who, u"部署名", department);
    }
    if (parts == RemarkParts::DepartmentAndTitle || parts == RemarkParts::Title) {
        losses.addUnencodable(who, u"役職", title);
    }
}

}  // namespace zt
