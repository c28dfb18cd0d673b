#include "platform/temporary_files.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include "platform/directory_listing.h"
#include "platform/error.h"

namespace zt::temporary {

namespace {

const QString kMark = QStringLiteral(".~");
const QString kSuffix = QStringLiteral(".tmp");

#ifdef _WIN32
constexpr Qt::CaseSensitivity kNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kNameCase = Qt::CaseSensitive;
#endif

}  // namespace

QString nameFor(const QString& target) {
    return target + kMark + QString::number(QRandomGenerator::global()->generate(), 36) + kSuffix;
}

bool isNameFor(const QString& targetName, const QString& fileName) {
    const qsizetype head = targetName.size() + kMark.size();
    const qsizetype middle = fileName.size() - head - kSuffix.size();
    if (middle < 1 || middle > 13 || !fileName.startsWith(targetName + kMark, kNameCase) ||
        !fileName.endsWith(kSuffix, kNameCase)) {
        return false;
    }
    for (const QChar c : QStringView(fileName).sliced(head, middle)) {
        if (c.unicode() > 0x7f || !c.isLetterOrNumber()) {
            return false;
        }
    }
    return true;
}

void removeLeftovers(const QString& target) {
    const QFileInfo info(target);
    const QByteArray folder = encodeFileName(info.absolutePath());
    std::vector<DirectoryEntry> entries;
    try {
        entries = listDirectory(folder);
    } catch (const Error&) {
        return;  // the write itself reports a folder it cannot use
    }
    for (const DirectoryEntry& entry : entries) {
        if (entry.isFile && isNameFor(info.fileName(), entry.text)) {
            detail::removeIfAbandoned(folder + '/' + entry.name);
        }
    }
}

}  // namespace zt::temporary
