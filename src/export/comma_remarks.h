#pragma once

#include <QString>

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

}  // namespace zt
