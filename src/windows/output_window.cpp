#include "windows/output_window.h"

#include <QDir>
#include <QPushButton>

#include "platform/message_box.h"

OutputJobWindow::OutputJobWindow(const QString& name, const QString& caption, zt::Database& db,
                                 const QString& folder, const QString& fileName, const QString& format)
    : JobWindow(name, caption, 4680, 1890), OutputPath(folder + u'/' + fileName), db_(db) {
    place(状況表示, 300, 200, 4000, 800);
    place(処理実行, 2500, 1200, 1800, 400);
    Form_Load(format);
}

void OutputJobWindow::Form_Load(const QString& format) {
    setStatus(format + QStringLiteral("\r\n") + QDir::toNativeSeparators(OutputPath) +
              QStringLiteral("\r\nに出力します。"));
}

void OutputJobWindow::reportWritten(const QString& whereToTakeIt, qsizetype losses) {
    zt::MessageBox::show(
        this,
        QDir::toNativeSeparators(OutputPath) + QStringLiteral("\r\nに出力しました。\r\n") + whereToTakeIt,
        QStringLiteral("処理完了"), zt::MessageBox::Buttons::Ok, zt::MessageBox::Icon::Information);
    tellLosses(losses, OutputPath);
}
