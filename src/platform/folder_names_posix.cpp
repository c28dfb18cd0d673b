#include "platform/folder_names.h"

namespace zt {

bool pathPassesThrough(const QString& path, const QString& name) {
    return path.contains(u'/' + name + u'/');
}

}  // namespace zt
