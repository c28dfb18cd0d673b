#include "address_book_generator.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <iterator>
#include <stdexcept>

#include "platform/cp932.h"

namespace {

// Name, then its reading in full-width and in half-width katakana.
const QStringList kSurnames[]{{"髙橋", "タカハシ", "ﾀｶﾊｼ"},  {"佐藤", "サトウ", "ｻﾄｳ"},
                              {"鈴木", "スズキ", "ｽｽﾞｷ"},    {"田中", "タナカ", "ﾀﾅｶ"},
                              {"渡辺", "ワタナベ", "ﾜﾀﾅﾍﾞ"}, {"伊藤", "イトウ", "ｲﾄｳ"},
                              {"山本", "ヤマモト", "ﾔﾏﾓﾄ"},  {"中村", "ナカムラ", "ﾅｶﾑﾗ"},
                              {"小林", "コバヤシ", "ｺﾊﾞﾔｼ"}, {"加藤", "カトウ", "ｶﾄｳ"}};
const QStringList kGivenNames[]{{"一郎", "イチロウ", "ｲﾁﾛｳ"}, {"花子", "ハナコ", "ﾊﾅｺ"},
                                {"太郎", "タロウ", "ﾀﾛｳ"},    {"美咲", "ミサキ", "ﾐｻｷ"},
                                {"健", "ケン", "ｹﾝ"},         {"由美", "ユミ", "ﾕﾐ"},
                                {"翔太", "ショウタ", "ｼｮｳﾀ"}, {"陽子", "ヨウコ", "ﾖｳｺ"}};
// Street, locality, region, postal code.
const QStringList kPlaces[]{{"丸の内1-1-1 髙島ビル12階", "千代田区", "東京都", "100-0005"},
                            {"みなとみらい2-2-1", "横浜市西区", "神奈川県", "220-0012"},
                            {"梅田3-1-3 ①号館", "大阪市北区", "大阪府", "530-0001"},
                            {"名駅1-1-4", "名古屋市中村区", "愛知県", "450-0002"}};
const QStringList kCompanies{"㈱東西商事", "南北工業㈱", "髙島屋物産", "①番館", "Sample Trading, Ltd."};
const QStringList kDepartments{"営業部", "総務部", "", "開発部第一課"};
const QStringList kTitles{"課長", "部長", "主任", "", "代表取締役"};

// As old mail programs wrote a value in CP932: every byte but printable ASCII
// as =XX, folded once, near its middle, by a soft line break.
QString quotedPrintable(const QString& text) {
    QStringList bytes;
    for (const char c : zt::cp932::encode(text)) {
        const auto b = static_cast<unsigned char>(c);
        bytes << (b > 0x20 && b < 0x7F && b != '='
                      ? QString(QLatin1Char(c))
                      : QStringLiteral("=%1").arg(b, 2, 16, QLatin1Char('0')).toUpper());
    }
    return bytes.mid(0, bytes.size() / 2).join(QString()) + QStringLiteral("=\r\n") +
           bytes.mid(bytes.size() / 2).join(QString());
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

}  // namespace

GeneratedBook generateAddressBook(const QString& root, int cards, int groups) {
    const QString picked = root + QStringLiteral("/AddrBook/個人用");
    long long lines = 0;
    int next = 0;
    for (int g = 0; g < groups; ++g) {
        const QString groupName =
            QStringLiteral("グループ%1_%2").arg(g + 1, 3, 10, QLatin1Char('0')).arg(kDepartments[g % 3]);
        const QString folder = picked + QLatin1Char('/') + groupName;
        if (!QDir().mkpath(folder)) {
            throw std::runtime_error("cannot create " + folder.toStdString());
        }
        const int inGroup = cards / groups + (g < cards % groups ? 1 : 0);
        QString cardText;
        QString indexText;
        for (int i = 0; i < inGroup; ++i, ++next) {
            const QStringList& surname = kSurnames[next % std::size(kSurnames)];
            const QStringList& given = kGivenNames[(next / 10) % std::size(kGivenNames)];
            const QStringList& home = kPlaces[next % std::size(kPlaces)];
            const QStringList& work = kPlaces[(next + 1) % std::size(kPlaces)];
            const int reading = 1 + next % 2;
            const QString name = surname[0] + given[0] + QString::number(next);
            const QString address = QStringLiteral("user%1@example.jp").arg(next);
            const QString number =
                QStringLiteral("%1-%2").arg(1000 + next % 9000).arg(next % 10000, 4, 10, QLatin1Char('0'));
            cardText +=
                QStringLiteral("BEGIN:VCARD\r\nVERSION:2.1\r\nN:%1;%2\r\nSOUND;X-IRMC-N:%3;%4\r\nFN:%5\r\n")
                    .arg(surname[0], given[0], surname[reading], given[reading], name) +
                QStringLiteral("ORG:%1;%2;\r\n")
                    .arg(kCompanies[next % kCompanies.size()], kDepartments[next % kDepartments.size()]) +
                QStringLiteral("TEL;WORK;VOICE:03-%1\r\nTEL;HOME:045-%1\r\nTEL;CELL:090-%1\r\n").arg(number) +
                QStringLiteral("ADR;HOME;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:%1\r\n")
                    .arg(quotedPrintable(QStringLiteral(";;") + home.join(u';') + QStringLiteral(";日本"))) +
                QStringLiteral("ADR;WORK:;;") + work.join(u';') + QStringLiteral(";日本\r\n") +
                QStringLiteral("URL:http://www.example.jp/~user%1/\r\n").arg(next) +
                QStringLiteral("NOTE;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:%1\r\n")
                    .arg(quotedPrintable(
                        QStringLiteral(
                            "先日はありがとうございました。\r\n次回もよろしくお願いします（No.%1）。")
                            .arg(next))) +
                QStringLiteral("EMAIL;PREF:%1\r\nEMAIL;INTERNET:m%2@mobile.example.ne.jp\r\n")
                    .arg(address)
                    .arg(next) +
                QStringLiteral("BDAY:19800401\r\nEND:VCARD\r\n");
            indexText += QStringLiteral("%1\t0\t\t%2\t%3\t%4\t\t\r\n")
                             .arg(QString::number(i), name, address, kTitles[next % kTitles.size()]);
        }
        lines += cardText.count(QStringLiteral("\r\n"));
        writeFile(folder + QStringLiteral("/address.nrk"), zt::cp932::encode(cardText));
        writeFile(folder + QStringLiteral("/Group.idx"), zt::cp932::encode(indexText));
    }
    return {picked, cards > 0 ? static_cast<double>(lines) / cards : 0.0};
}
