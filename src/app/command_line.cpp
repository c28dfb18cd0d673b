#include "app/command_line.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>

#include "app/program_folders.h"
#include "app/version_caption.h"
#include "db/database.h"
#include "import/address_book_import.h"
#include "platform/console.h"
#include "platform/fatal_error.h"
#include "platform/message_box.h"
#include "platform/replacement_file.h"
#include "shell/app_state.h"
#include "version.h"
#include "windows/outputs.h"

namespace ZTAdrM1 {

namespace {

using zt::MessageBox;

// How an output is named after --write: its command, and ":番号" where it has
// a choice list.
QString outputSyntax(const zt::Output& output) {
    return output.choices ? output.command + QStringLiteral("[:N]") : output.command;
}

QString outputList() {
    QStringList names;
    for (const zt::Output& output : zt::outputs()) {
        names << outputSyntax(output);
    }
    return names.join(QStringLiteral("、"));
}

// Every output with its command, caption and file, and the numbers of a
// choice list: the table the windows are made from.
QString outputsHelp() {
    QString text;
    for (const zt::Output& output : zt::outputs()) {
        text += QStringLiteral("    %1%2（%3）\n")
                    .arg(outputSyntax(output).leftJustified(18), output.caption, output.fileName);
        if (output.choices) {
            text += QStringLiteral("      N は%1（省くと 1）:\n").arg(output.choices->caption);
            for (const QString& item : output.choices->items) {
                text += QStringLiteral("        ") + item + u'\n';
            }
        }
    }
    return text;
}

// What --help shows, with the paths of this copy as its user would find them.
QString usage() {
    // There is no application object yet to ask.
    const QString executable = zt::runningExecutable();
    const QString appPath = QFileInfo(executable).path();
    return QStringLiteral(
               "使い方: ztadrcnv [オプション]\n"
               "        ztadrcnv [--import フォルダ] [--write 出力 [ファイル]]...\n"
               "\n"
               "%1。Norrik! メールのアドレス帳を作業用データベースに読み込み、\n"
               "vCard、Outlook 用 CSV、Thunderbird 用 LDIF、Google 用 CSV、CSV、EdMax と鶴亀のアドレス帳に"
               "書き出します。\n"
               "オプションがなければ画面で操作します。--import と --write "
               "は画面を開かずに、書いた順に行います。\n"
               "\n"
               "作業用データベース: %2\n"
               "出力フォルダ:       %3\n"
               "\n"
               "オプション:\n"
               "  -h, --help               この説明を表示して終わります\n"
               "  -v, --version            バージョンを表示して終わります\n"
               "  --                       これより後はファイルかフォルダです（- で始まる名前に）\n"
               "  --import フォルダ        AddrBook "
               "の中のアドレス帳フォルダを作業用データベースに読み込みます\n"
               "                           （今までのデータは置き換わります。AddrBook の大文字と小文字は、\n"
               "                           Windows では区別せず、Linux では区別します）\n"
               "  --write 出力 [ファイル]  作業用データベースの内容を書き出します。ファイルを省くと、\n"
               "                           出力フォルダの画面と同じ名前のファイルに書き出します。既にある\n"
               "                           フォルダか区切り文字で終わるパスならその中の同じ名前のファイル、\n"
               "                           - なら標準出力（報告ファイルのパスは標準エラー出力に）です。出力:\n"
               "%4"
               "\n"
               "終了コード: 0 すべて終わった、1 中断したか失敗した（その処理では何も変わりません）、\n"
               "            2 コマンドラインの誤り\n"
               "メッセージは標準エラー出力に、報告ファイルのパスは標準出力に出ます。\n")
        .arg(QStringLiteral(ZT_APP_TITLE),
             QDir::toNativeSeparators(DatabasePathIn(WorkingFolderFor(appPath), ExecutableBaseName(executable))),
             QDir::toNativeSeparators(OutputFolderFor(appPath)), outputsHelp());
}

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage> heldMessages;
QtMessageHandler qtMessageHandler = nullptr;

void holdUntilConnected(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        heldMessages.append({type, context.category, text});
        return;
    }
    // Qt's own words here ("Reinstalling the application may fix this
    // problem") send the user the wrong way.
    const auto shown = [](const char* name) {
        const QString value = qEnvironmentVariable(name);
        return QString::fromLatin1(name) + u'=' + (value.isEmpty() ? QStringLiteral("(未設定)") : value);
    };
    QStringList tried{shown("DISPLAY"), shown("WAYLAND_DISPLAY")};
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        tried.prepend(shown("QT_QPA_PLATFORM"));
    }
    zt::tellCommandLine(
        zt::ConsoleStream::Error,
        QStringLiteral("ztadrcnv: 画面に接続できません（%1）。デスクトップの中で起動してください。\n")
            .arg(tried.join(QStringLiteral("、"))));
    std::_Exit(1);
}

bool isQtOption(const QString& name) {
    for (const char* option : {"platform", "platformtheme", "display", "session", "style"}) {
        if (name == u'-' + QLatin1String(option) || name == QStringLiteral("--") + QLatin1String(option)) {
            return true;
        }
    }
    return false;
}

// The program moves to its working folder before any job runs; a path
// typed relative to where the user stood must not follow it.
QString absolutePath(const QString& typed) {
    return typed.isEmpty()
               ? typed
               : QDir::cleanPath(QDir::current().absoluteFilePath(QDir::fromNativeSeparators(typed)));
}

// The file an output is written to, as typed: "-" is standard output; an
// existing folder, or a path ending in a separator, means the file the
// output's window writes, in that folder.
QString outputPath(const QString& typed, const zt::Output& output) {
    if (typed == zt::kStandardOutput) {
        return typed;
    }
    const QString path = absolutePath(typed);
    const QString slashed = QDir::fromNativeSeparators(typed);
    return slashed.endsWith(u'/') || QFileInfo(path).isDir() ? output.pathIn(path) : path;
}

// Fills `job` with the output named by `chosen` ("edmax:3"), as its window
// would write it: a list's first item when no number is given. Returns what
// is wrong with it, or nothing.
QString readOutput(const QString& chosen, Job& job) {
    const qsizetype colon = chosen.indexOf(u':');
    const QString command = colon < 0 ? chosen : chosen.left(colon);
    for (const zt::Output& output : zt::outputs()) {
        if (output.command.compare(command, Qt::CaseInsensitive) != 0) {
            continue;
        }
        job.output = &output;
        if (!output.choices) {
            return colon < 0 ? QString()
                             : QStringLiteral("出力 %1 は番号を取りません: %2").arg(output.command, chosen);
        }
        const QStringList& items = output.choices->items;
        const QString number = colon < 0 ? items.first().left(1) : chosen.mid(colon + 1);
        for (const QString& item : items) {
            if (number.size() == 1 && item.startsWith(number)) {
                job.choice = number.at(0);
                return {};
            }
        }
        return QStringLiteral("出力 %1 の番号は 1 から %2 です: %3")
            .arg(output.command)
            .arg(items.size())
            .arg(chosen);
    }
    return QStringLiteral("知らない出力です: %1（%2 のどれかです）").arg(chosen, outputList());
}

bool importBook(zt::Database& db, const QString& folder, zt::ConsoleStream reports) {
    if (const QString refusal = zt::folderRefusal(folder); !refusal.isEmpty()) {
        MessageBox::show(nullptr, refusal, QStringLiteral("処理中断"), MessageBox::Buttons::Ok,
                         MessageBox::Icon::Exclamation);
        return false;
    }
    const zt::ImportSummary summary = zt::importAddressBook(db, folder);
    MessageBox::show(nullptr, zt::completionText(summary), QStringLiteral("正常終了"),
                     MessageBox::Buttons::Ok, MessageBox::Icon::Information);
    if (!summary.reportPath.isEmpty()) {
        zt::tellCommandLine(reports, QDir::toNativeSeparators(summary.reportPath) + u'\n');
    }
    return true;
}

// `reports`: where the path of a report goes, standard error when standard
// output carries an output.
bool writeOutput(zt::Database& db, const Job& job, zt::ConsoleStream reports) {
    const QString path = job.path.isEmpty() ? job.output->pathIn(OutPath) : job.path;
    const zt::OutputTarget target = job.output->target(db, path);
    if (const QString refusal = zt::targetRefusal(db, target); !refusal.isEmpty()) {
        MessageBox::show(nullptr, refusal, QStringLiteral("処理中断"), MessageBox::Buttons::Ok,
                         MessageBox::Icon::Exclamation);
        return false;
    }
    const qsizetype losses = job.output->write(db, target, job.choice, [](const QString&) {});
    MessageBox::show(nullptr, job.output->completion(path, job.choice), QStringLiteral("処理完了"),
                     MessageBox::Buttons::Ok, MessageBox::Icon::Information);
    if (losses > 0) {
        MessageBox::show(nullptr, zt::lossesText(losses, target), QStringLiteral("確認"),
                         MessageBox::Buttons::Ok, MessageBox::Icon::Information);
        zt::tellCommandLine(reports, QDir::toNativeSeparators(target.report()) + u'\n');
    }
    return true;
}

}  // namespace

CommandLine ReadCommandLine(const QStringList& arguments) {
    CommandLine line;
    bool help = false;
    bool version = false;
    bool optionsEnded = false;  // by "--": what follows is a file or a folder, whatever its name
    bool toStandardOutput = false;
    QString wrong;
    // The folder or file after an option: the next argument unless it is an
    // option; "-" is standard output.
    const auto operand = [&](qsizetype& i) -> std::optional<QString> {
        if (!optionsEnded && i + 1 < arguments.size() && arguments[i + 1] == u"--") {
            optionsEnded = true;
            ++i;
        }
        if (i + 1 < arguments.size() &&
            (optionsEnded || !arguments[i + 1].startsWith(u'-') || arguments[i + 1] == zt::kStandardOutput)) {
            return arguments[++i];
        }
        return std::nullopt;
    };
    for (qsizetype i = 1; i < arguments.size() && wrong.isEmpty(); ++i) {
        const QString& typed = arguments[i];
        if (typed == u"--" && !optionsEnded) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !typed.startsWith(u'-') || typed == u"-") {
            wrong = QStringLiteral("余分な引数です: ") + typed;
            break;
        }
        const qsizetype equals = typed.startsWith(u"--") ? typed.indexOf(u'=') : -1;
        const QString name = equals < 0 ? typed : typed.left(equals);
        const std::optional<QString> given = equals < 0 ? std::nullopt : std::optional(typed.mid(equals + 1));
        // A value given with "=" or as the next argument; an option after it is no value.
        const auto next = [&]() -> std::optional<QString> {
            if (given) {
                return given;
            }
            if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(u'-')) {
                return arguments[++i];
            }
            return std::nullopt;
        };
        if (name == u"-h" || name == u"--help" || name == u"-v" || name == u"--version") {
            if (given) {
                wrong = QStringLiteral("オプション %1 は値を取りません: %2").arg(name, typed);
            }
            (name == u"-h" || name == u"--help" ? help : version) = true;
        } else if (name == u"--import") {
            const std::optional<QString> folder = given ? given : operand(i);
            if (!folder) {
                wrong = QStringLiteral("--import のあとにアドレス帳フォルダを指定してください");
            } else {
                line.jobs << Job{nullptr, absolutePath(*folder), QChar()};
            }
        } else if (name == u"--write") {
            const std::optional<QString> chosen = next();
            Job job;
            wrong = chosen ? readOutput(*chosen, job)
                           : QStringLiteral("--write のあとに出力を指定してください（%1 のどれか）")
                                 .arg(outputList());
            if (wrong.isEmpty()) {
                if (const std::optional<QString> file = operand(i)) {
                    job.path = outputPath(*file, *job.output);
                }
                if (job.path == zt::kStandardOutput && std::exchange(toStandardOutput, true)) {
                    wrong = QStringLiteral("標準出力（-）に書き出せる出力は一つだけです");
                }
                line.jobs << job;
            }
        } else if (isQtOption(name) && !given) {
            // QApplication takes these off the command line itself, each with
            // the next argument as its value.
            if (++i == arguments.size()) {
                wrong = QStringLiteral("オプション %1 のあとに値を指定してください").arg(typed);
            }
        } else {
            wrong = QStringLiteral("知らないオプションです: ") + typed;
        }
    }
    if (!wrong.isEmpty()) {
        zt::tellCommandLine(zt::ConsoleStream::Error,
                            QStringLiteral("ztadrcnv: ") + wrong + QStringLiteral("\n\n") + usage());
        line.exitStatus = 2;
    } else if (help) {
        zt::tellCommandLine(zt::ConsoleStream::Output, usage());
        line.exitStatus = 0;
    } else if (version) {
        zt::tellCommandLine(zt::ConsoleStream::Output, QStringLiteral("ztadrcnv ") + VersionNumber() + u'\n');
        line.exitStatus = 0;
    }
    return line;
}

int RunJobs(const QList<Job>& jobs, const QString& appPath, const QString& baseName) {
    // Whatever the windows would show, the console is told.
    MessageBox::setConsole(true);
    const std::unique_ptr<zt::Database> db = OpenWorkingDatabase(appPath, baseName);
    if (!db) {
        return 1;
    }
    // Where an output goes to standard output, nothing else may go there.
    const bool outputThere =
        std::any_of(jobs.begin(), jobs.end(), [](const Job& job) { return job.path == zt::kStandardOutput; });
    const zt::ConsoleStream reports = outputThere ? zt::ConsoleStream::Error : zt::ConsoleStream::Output;
    for (const Job& job : jobs) {
        bool done = false;
        if (!zt::runGuarded(nullptr,
                            [&] {
                                done = job.output ? writeOutput(*db, job, reports)
                                                  : importBook(*db, job.path, reports);
                            }) ||
            !done) {
            return 1;
        }
    }
    return 0;
}

DisplayGuard::DisplayGuard() {
    qtMessageHandler = qInstallMessageHandler(holdUntilConnected);
}

DisplayGuard::~DisplayGuard() {
    qInstallMessageHandler(qtMessageHandler);
    for (const HeldMessage& message : std::exchange(heldMessages, {})) {
        if (qtMessageHandler != nullptr) {
            qtMessageHandler(message.type,
                             QMessageLogContext(nullptr, 0, nullptr, message.category.constData()),
                             message.text);
        }
    }
}

}  // namespace ZTAdrM1
