#include "address_book_generator.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <stdexcept>

#include "platform/cp932.h"

namespace {

const QStringList kSurnames{"髙橋", "佐藤", "鈴木", "田中", "渡辺", "伊藤", "山本", "中村", "小林", "加藤"};
const QStringList kGivenNames{"一郎", "花子", "太郎", "美咲", "健", "由美", "翔太", "陽子"};
const QStringList kCompanies{"㈱東西商事", "南北工業㈱", "髙島屋物産", "①番館", "Sample Trading, Ltd."};
const QStringList kDepartments{"営業部", "総務部", "", "開発部第一課"};
const QStringList kTitles{"課長", "部長", "主任", "", "代表取締役"};

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

}  // namespace

QString generateAddressBook(const QString& root, int cards, int groups) {
    const QString picked = root + QStringLiteral("/AddrBook/個人用");
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
            const QString name = kSurnames[next % kSurnames.size()] +
                                 kGivenNames[(next / 10) % kGivenNames.size()] + QString::number(next);
            const QString address = QStringLiteral("user%1@example.jp").arg(next);
            cardText +=
                QStringLiteral(
                    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:%1\r\nORG:%2;%3;\r\nEMAIL;PREF:%4\r\nEND:VCARD\r\n")
                    .arg(name, kCompanies[next % kCompanies.size()], kDepartments[next % kDepartments.size()],
                         address);
            indexText += QStringLiteral("%1\t0\t\t%2\t%3\t%4\t\t\r\n")
                             .arg(QString::number(i), name, address, kTitles[next % kTitles.size()]);
        }
        writeFile(folder + QStringLiteral("/address.nrk"), zt::cp932::encode(cardText));
        writeFile(folder + QStringLiteral("/Group.idx"), zt::cp932::encode(indexText));
    }
    return picked;
}
