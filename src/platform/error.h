#pragma once

#include <QString>
#include <stdexcept>

namespace zt {

// A failure of the database engine, the file system or the platform. It carries
// the failing layer's own text (UTF-8 in what()), which is what the user is shown.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromUtf8(what()); }
};

}  // namespace zt
