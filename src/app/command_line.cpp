#include "app/command_line.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <cstdlib>
#include <utility>

#include "app/program_folders.h"
#include "app/version_caption.h"
#include "platform/console.h"
#include "version.h"

namespace ZTAdrM1 {

namespace {

// What --help shows, with the paths of this copy as its user would find them.
QString usage() {
    // There is no application object yet to ask.
    const QString executable = zt::runningExecutable();
    const QString appPath = QFileInfo(executable).path();
    return QStringLiteral(
               "使い方: ztadrcnv [オプション]\n"
               "\n"
               "%1。Norrik! メールのアドレス帳を作業用データベースに読み込み、\n"
               "vCard、Outlook 用 CSV、Thunderbird 用 LDIF、CSV、EdMax と鶴亀のアドレス帳に書き出します。\n"
               "操作は画面で行います。\n"
               "\n"
               "作業用データベース: %2\n"
               "出力フォルダ:       %3\n"
               "\n"
               "オプション:\n"
               "  -h, --help     この説明を表示して終わります\n"
               "  -v, --version  バージョンを表示して終わります\n")
        .arg(QStringLiteral(ZT_APP_TITLE),
             QDir::toNativeSeparators(WorkingFolderFor(appPath) + u'/' + ExecutableBaseName(executable) +
                                      QStringLiteral(".mdb")),
             QDir::toNativeSeparators(OutputFolderFor(appPath)));
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

}  // namespace

std::optional<int> HandleCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // -h and -v as the short forms, and Qt's own -platform and its kind as words.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({help, version});
    // QApplication takes these off the command line later.
    for (const char* name : {"platform", "platformtheme", "display", "session", "style"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        QString why = parser.errorText();
        if (!parser.unknownOptionNames().isEmpty()) {
            why = QStringLiteral("知らないオプションです: ") + parser.unknownOptionNames().join(u' ');
        } else if (!parser.positionalArguments().isEmpty()) {
            why = QStringLiteral("引数は取りません: ") + parser.positionalArguments().join(u' ');
        }
        zt::tellCommandLine(zt::ConsoleStream::Error,
                            QStringLiteral("ztadrcnv: ") + why + QStringLiteral("\n\n") + usage());
        return 2;
    }
    if (parser.isSet(help)) {
        zt::tellCommandLine(zt::ConsoleStream::Output, usage());
        return 0;
    }
    if (parser.isSet(version)) {
        zt::tellCommandLine(zt::ConsoleStream::Output, QStringLiteral("ztadrcnv ") + VersionNumber() + u'\n');
        return 0;
    }
    return std::nullopt;
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
