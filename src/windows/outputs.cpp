#include "windows/outputs.h"

#include <QDir>
#include <QFileInfo>
#include <stdexcept>

#include "formats/csv_writer.h"
#include "formats/edmax_writer.h"
#include "formats/google_csv_writer.h"
#include "formats/ldif_writer.h"
#include "formats/loss_report.h"
#include "formats/outlook_csv_writer.h"
#include "formats/tsurukame_writer.h"
#include "formats/vcard_writer.h"
#include "import/address_book_import.h"
#include "people/people_reader.h"
#include "platform/replacement_file.h"
#include "platform/text_file_writer.h"
#include "windows/output_window.h"

using namespace Qt::StringLiterals;

namespace zt {
namespace {

template <qsizetype (*writer)(Database&, const OutputTarget&)>
qsizetype writeWhole(Database& db, const OutputTarget& target, QChar, const Progress& progress) {
    progress(QStringLiteral("出力中"));
    return writer(db, target);
}

template <qsizetype (*writer)(const PersonSource&, const OutputTarget&)>
qsizetype writePeople(Database& db, const OutputTarget& target, QChar, const Progress& progress) {
    progress(QStringLiteral("出力中"));
    return writer(peopleOf(db), target);
}

qsizetype writeEdMaxByPasses(Database& db, const OutputTarget& target, QChar layout,
                             const Progress& progress) {
    return writeEdMax(db, target, layout, [&progress](EdMaxPass pass) {
        progress(pass == EdMaxPass::Groups ? QStringLiteral("グループ出力中")
                                           : QStringLiteral("アドレス出力中"));
    });
}

qsizetype writeOutlookLayout(Database& db, const OutputTarget& target, QChar layout,
                             const Progress& progress) {
    progress(QStringLiteral("出力中"));
    return writeOutlookCsv(peopleOf(db), target,
                           layout == u'1' ? OutlookLayout::Windows : OutlookLayout::New);
}

qsizetype writeTsurukameDated(Database& db, const OutputTarget& target, QChar choice,
                              const Progress& progress) {
    progress(QStringLiteral("出力中"));
    return writeTsurukame(db, target, choice);
}

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kNameCase = Qt::CaseSensitive;
#endif

// The file `path` names once links are followed, whether or not it exists.
QString realPath(const QString& path, int depth = 0) {
    const QFileInfo info(path);
    if (const QString canonical = info.canonicalFilePath(); !canonical.isEmpty()) {
        return canonical;
    }
    if (info.isSymbolicLink() && depth < 40) {
        return realPath(info.symLinkTarget(), depth + 1);
    }
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + u'/' + info.fileName();
}

QString fileRefusal(Database& db, const QString& path) {
    if (path.isEmpty() || path == kStandardOutput) {
        return {};
    }
    const QString real = realPath(path);
    const QString shown = QDir::toNativeSeparators(path);
    const QString database = realPath(db.path());
    if (real.compare(database, kNameCase) == 0 ||
        real.compare(database + QStringLiteral("-journal"), kNameCase) == 0) {
        return QStringLiteral("%1 は作業用データベースです。").arg(shown);
    }
    if (real.compare(realPath(importReportPath(db.path())), kNameCase) == 0) {
        return QStringLiteral("%1 は取り込みの報告です。").arg(shown);
    }
    Recordset imported = db.OpenRecordset(QStringLiteral("SELECT フォルダ FROM 取込記録"));
    if (!imported.Eof() && !imported.Text(0).isEmpty() &&
        real.startsWith(realPath(imported.Text(0)) + u'/', kNameCase)) {
        return QStringLiteral("%1 は取り込んだアドレス帳 %2 の中にあります。")
            .arg(shown, QDir::toNativeSeparators(imported.Text(0)));
    }
    return {};
}

const QList<Output> rows{
    {
        .window = u"ZTAdrF02"_s,
        .caption = u"CSV 出力"_s,
        .key = u'2',
        .command = u"csv"_s,
        .fileName = u"ZTAdrF02.txt"_s,
        .description = u"グループ,名前,アドレス,会社名,部署名,役職\r\nの形式で、"_s,
        .write = &writeWhole<writeCsv>,
        // Only once the file is complete and in place, so the program it
        // opens in never sees a half-written file.
        .opensOnDesktop = true,
    },
    {
        .window = u"ZTAdrF03"_s,
        .caption = kVCardOutput.toString(),
        .key = u'3',
        .command = u"vcard"_s,
        .fileName = u"ZTAdrF03.vcf"_s,
        .description = u"vCard 3.0（UTF-8）の形式で、"_s,
        // Not handed to the desktop: opening a card file there often
        // imports it at once.
        .done = u"メールソフトや携帯電話の連絡先に取り込んでください。"_s,
        .write = &writePeople<writeVCard>,
    },
    {
        .window = u"ZTAdrF04"_s,
        .caption = kOutlookCsvOutput.toString(),
        .key = u'4',
        .command = u"outlook"_s,
        .fileName = u"ZTAdrF04.csv"_s,
        .description = u"選んだ Outlook が取り込む連絡先 CSV の形式で、"_s,
        .write = &writeOutlookLayout,
        .choices =
            ChoiceList{
                .caption = u"形式の選択"_s,
                .name = u"種類選択"_s,
                .items = {u"1 Outlook（Windows 版）"_s, u"2 新しい Outlook・Outlook.com"_s},
                .clientWidth = 5400,
                .listWidth = 3900,
                .statusWidth = 4800,
                .buttonLeft = 3400,
                .done =
                    {u"Outlook（Windows 版）の形式（CP932）です。Outlook の「ファイル」→「開く/エクスポート」"
                     u"→「インポート/エクスポート」→「他のプログラムまたはファイルからのインポート」→"
                     u"「テキスト ファイル (コンマ区切り)」で取り込み、インポート先には「連絡先」フォルダーを"
                     u"選んでください。"_s,
                     u"新しい Outlook・Outlook.com の形式（UTF-8）です。「連絡先」→「連絡先の管理」→"
                     u"「連絡先のインポート」で取り込んでください。"_s},
            },
    },
    {
        .window = u"ZTAdrF05"_s,
        .caption = u"EdMax アドレス帳作成"_s,
        .key = u'5',
        .command = u"edmax"_s,
        .fileName = u"常用アドレス.adr"_s,
        .done = u"EdMax用のアドレス帳(常用アドレス.adr)を作成しました。\r\n"
                u"C:\\Program Files\\EdMax\\Address フォルダにコピーしてください。"_s,
        .write = &writeEdMaxByPasses,
        .choices =
            ChoiceList{
                .caption = u"メモ欄の扱い"_s,
                .name = u"メモ選択"_s,
                .items = {u"1 会社名 [Tab] 部署名 [Tab] 役職"_s, u"2 会社名 [Tab] 部署名"_s,
                          u"3 会社名 [Tab] 役職"_s, u"4 会社名"_s, u"5 会社名,部署名,役職"_s,
                          u"6 会社名,部署名"_s, u"7 会社名,役職"_s, u"8 [出力なし]"_s},
                // Wider than its Tsurukame sibling so that the longest
                // layout, item 1, shows whole.
                .clientWidth = 5400,
                .listWidth = 3900,
                .statusWidth = 4800,
                .buttonLeft = 3400,
            },
    },
    {
        .window = u"ZTAdrF06"_s,
        .caption = u"鶴亀アドレス帳作成"_s,
        .key = u'6',
        .command = u"tsurukame"_s,
        .fileName = u"AdrBook.txt"_s,
        .done = u"鶴亀用のアドレス帳(AdrBook.txt)を作成しました。\r\n"
                u"C:\\TuruKameData フォルダにコピーしてください。"_s,
        .write = &writeTsurukameDated,
        .choices =
            ChoiceList{
                .caption = u"備考欄の扱い"_s,
                .name = u"備考選択"_s,
                .items = {u"1 会社名,部署名,役職"_s, u"2 会社名,部署名"_s, u"3 会社名,役職"_s, u"4 会社名"_s,
                          u"5 [出力なし]"_s},
                .clientWidth = 4680,
                .listWidth = 3200,
                .statusWidth = 4000,
                .buttonLeft = 2500,
            },
    },
    {
        .window = u"ZTAdrF07"_s,
        .caption = kLdifOutput.toString(),
        .key = u'7',
        .command = u"ldif"_s,
        .fileName = u"ZTAdrF07.ldif"_s,
        .description = u"LDIF（UTF-8、グループはメーリングリスト）の形式で、"_s,
        .done = u"Thunderbird の「ツール」→「インポート」→「アドレス帳」で LDIF "
                u"ファイルとして取り込むと、グループはメーリングリストになります。"_s,
        .write = &writePeople<writeLdif>,
    },
    {
        .window = u"ZTAdrF08"_s,
        .caption = kGoogleCsvOutput.toString(),
        .key = u'8',
        .command = u"google"_s,
        .fileName = u"ZTAdrF08.csv"_s,
        .description = u"Google コンタクトの CSV（UTF-8）の形式で、"_s,
        .done = u"Google コンタクトの「インポート」でこのファイルを選んでください。"
                u"グループはラベルになります。"_s,
        .write = &writePeople<writeGoogleCsv>,
    },
};

}  // namespace

const QList<Output>& outputs() {
    return rows;
}

const Output& output(QStringView window) {
    for (const Output& row : outputs()) {
        if (row.window == window) {
            return row;
        }
    }
    throw std::out_of_range("no output window " + window.toString().toStdString());
}

QString Output::pathIn(const QString& folder) const {
    return folder + u'/' + fileName;
}

OutputTarget Output::target(const Database& db, const QString& path) const {
    // Standard output holds the output alone, and a device or a FIFO has no
    // folder of its own to hold a report: the report goes beside the working
    // database, named after the file the output's window writes.
    return {path, caption,
            ReplacementFile::goesStraight(path) ? reportPathFor(pathIn(QFileInfo(db.path()).absolutePath()))
                                                : QString()};
}

QString Output::completion(const QString& path, QChar choice) const {
    const bool itemTexts = choices && !choices->done.isEmpty();
    if (choices && !itemTexts && QFileInfo(path).fileName() == fileName) {
        return done;
    }
    QString more = choices ? QString() : done;
    for (qsizetype i = 0; itemTexts && i < choices->items.size(); ++i) {
        if (choices->items[i].startsWith(choice)) {
            more = choices->done.value(i);
        }
    }
    const QString shown =
        path == kStandardOutput ? QStringLiteral("標準出力") : QDir::toNativeSeparators(path);
    return shown + QStringLiteral("\r\nに出力しました。") +
           (more.isEmpty() ? QString() : QStringLiteral("\r\n") + more);
}

QString lossesText(qsizetype losses, const OutputTarget& target) {
    if (losses == 0) {
        return {};
    }
    return QStringLiteral("出力できなかった項目が %1 件あります。\r\n").arg(losses) +
           QDir::toNativeSeparators(target.report()) + QStringLiteral("を確認してください。");
}

QString targetRefusal(Database& db, const OutputTarget& target) {
    QString why = fileRefusal(db, target.path);
    if (why.isEmpty()) {
        why = fileRefusal(db, target.report());
    }
    return why.isEmpty()
               ? why
               : why + QStringLiteral("\r\n別のファイルを指定してください。処理をキャンセルします。");
}

JobWindow* makeOutputWindow(const Output& output, Database& db, const QString& folder) {
    return new OutputJobWindow(output, db, folder);
}

}  // namespace zt
