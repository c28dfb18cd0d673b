#pragma once

#include <QString>

namespace zt {

// Whether the folder `name` lies on `path` with something below it: the path
// holds separator + name + separator, the name compared as the file system
// compares names (exactly here; regardless of case on Windows, where either
// separator counts).
bool pathPassesThrough(const QString& path, const QString& name);

}  // namespace zt
