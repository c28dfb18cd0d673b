#include "platform/replacement_file.h"

#include <QDir>
#include <QFileInfo>

#include "platform/error.h"

namespace zt::detail {

QString createReason(const QString& target, const QString& systemText) {
    const QFileInfo info(target);
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists()) {
        return QStringLiteral("フォルダが見つかりません");
    }
    if (!folder.isDir()) {
        return QStringLiteral("フォルダではありません: ") + QDir::toNativeSeparators(folder.filePath());
    }
    if (info.isDir()) {
        return QStringLiteral("同じ名前のフォルダがあります");
    }
    // A block device, say: nothing a user means to write an address book into.
    if (info.exists() && !info.isFile()) {
        return QStringLiteral("ファイルではありません");
    }
    if (!folder.isWritable()) {
        return QStringLiteral("フォルダに書き込む権限がありません");
    }
    if (info.exists() && !info.isWritable()) {
        return QStringLiteral("ファイルが読み取り専用です");
    }
    return systemText;
}

void refuseUnwritableTarget(const QString& target) {
    const QFileInfo info(target);
    if (info.exists() && (!info.isFile() || !info.isWritable())) {
        throw Error(QStringLiteral("ファイルを作成できません: %1（%2）")
                        .arg(QDir::toNativeSeparators(target), createReason(target, QString())));
    }
}

}  // namespace zt::detail
