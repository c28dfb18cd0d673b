#pragma once

#include <QString>

namespace zt {

// Which of the department and the title a comma layout adds after the company.
enum class RemarkParts { DepartmentAndTitle, Department, Title, None };

// Whether the remarks of `parts` write the department, and the title.
inline bool writesDepartment(RemarkParts parts) {
    return parts == RemarkParts::DepartmentAndTitle || parts == RemarkParts::Department;
}
inline bool writesTitle(RemarkParts parts) {
    return parts == RemarkParts::DepartmentAndTitle || parts == RemarkParts::Title;
}

// The comma-separated remarks both address books write: the company always,
// even when empty, then the department and the title that `parts` names, each
// left out when empty. A title brings its department along, empty or not, so
// that the title always stands in the third place.
inline void appendCommaRemarks(QString& line, RemarkParts parts, const QString& company,
                               const QString& department, const QString& title) {
    line += company;
    const bool withTitle = writesTitle(parts) && !title.isEmpty();
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
