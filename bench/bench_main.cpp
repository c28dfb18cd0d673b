// Measures the import, the reader of people, the seven writers and the model of the list of the people
// (its load and one search) on a synthetic address book, through the same functions the windows call,
// without any window.
//
//   bench [--cards N] [--keep DIR]
//
// Prints one line per phase and size (wall-clock and CPU seconds, peak RSS), then a summary line for
// the largest size:
//   bench: cards=N lines_per_card=L import=S csv=S edmax=S tsurukame=S vcard=S outlook=S ldif=S google=S
//   list=S filter=S rss_mb=M
// and, before it, the time each reader of one card of 80,000 e-mail addresses takes.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>

#include "address_book_generator.h"
#include "db/database.h"
#include "formats/csv_writer.h"
#include "formats/edmax_writer.h"
#include "formats/google_csv_writer.h"
#include "formats/ldif_writer.h"
#include "formats/outlook_csv_writer.h"
#include "formats/tsurukame_writer.h"
#include "formats/vcard_writer.h"
#include "import/address_book_import.h"
#include "people/people_reader.h"
#include "people/people_store.h"
#include "windows/people_model.h"

namespace {

constexpr int kGroups = 200;

// User and system CPU seconds so far: on a shared machine the wall clock
// also counts the time other processes held the CPU.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double peakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

long long countRows(zt::Database& db, const QString& sql) {
    auto rs = db.OpenRecordset(sql);
    return rs.Text(0).toLongLong();
}

struct Phase {
    const char* name;
    std::function<void()> run;
    QString rowCount;  // counts the rows the phase handled, outside the timing
};

struct SizeResult {
    double linesPerCard;
    std::map<std::string, double> seconds;
};

SizeResult runSize(const QString& folder, int cards) {
    QDir().mkpath(folder);
    std::printf("size %d cards in %d group folders: generating...\n", cards, kGroups);
    std::fflush(stdout);
    const GeneratedBook book = generateAddressBook(folder, cards, kGroups);
    const QString& picked = book.picked;
    const QString dbPath = folder + QStringLiteral("/ZTADRCNV.mdb");
    QFile::remove(dbPath);
    zt::Database::create(dbPath);
    auto db = zt::openWorkingDatabase(dbPath);
    const QString outputRows = QStringLiteral("SELECT count(*) FROM 出力情報");
    const QString peopleRows = QStringLiteral("SELECT count(*) FROM 出力人物");
    PeopleModel list;

    const Phase phases[] = {
        {"import", [&] { zt::importAddressBook(*db, picked); },
         QStringLiteral("SELECT count(*) FROM アドレス情報")},
        // The reader that the four person outputs share, on its own.
        {"people", [&] { zt::forEachPerson(*db, [](const zt::Person&) {}); }, outputRows},
        {"csv",
         [&] {
             zt::writeCsv(*db, {folder + QStringLiteral("/ZTAdrF02.txt"), {}, {}});
         },
         outputRows},
        {"edmax",
         [&] {
             zt::writeEdMax(*db, {folder + QStringLiteral("/常用アドレス.adr"), {}, {}}, QLatin1Char('5'));
         },
         outputRows},
        {"tsurukame",
         [&] {
             zt::writeTsurukame(*db, {folder + QStringLiteral("/AdrBook.txt"), {}, {}}, QLatin1Char('1'));
         },
         outputRows},
        {"vcard",
         [&] {
             zt::writeVCard(zt::peopleOf(*db), {folder + QStringLiteral("/ZTAdrF03.vcf"), {}, {}});
         },
         outputRows},
        {"outlook",
         [&] {
             zt::writeOutlookCsv(zt::peopleOf(*db), {folder + QStringLiteral("/ZTAdrF04.csv"), {}, {}},
                                 zt::OutlookLayout::Windows);
         },
         outputRows},
        {"ldif",
         [&] {
             zt::writeLdif(zt::peopleOf(*db), {folder + QStringLiteral("/ZTAdrF07.ldif"), {}, {}});
         },
         outputRows},
        {"google",
         [&] {
             zt::writeGoogleCsv(zt::peopleOf(*db), {folder + QStringLiteral("/ZTAdrF08.csv"), {}, {}});
         },
         outputRows},
        // The list of the people as its window opens (every person read and marked), then one search
        // as typed: an e-mail address's part and a phone number's, which every row is searched for.
        {"list", [&] { list.load(zt::peopleOf(*db)); }, peopleRows},
        {"filter", [&] { list.setFilter(QStringLiteral("user12 03-1")); }, peopleRows},
    };

    std::map<std::string, double> seconds;
    for (const Phase& phase : phases) {
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = cpuSeconds();
        phase.run();
        const double s = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        const double cpu = cpuSeconds() - cpuBefore;
        const long long rows = countRows(*db, phase.rowCount);
        seconds[phase.name] = s;
        std::printf(
            "%-9s cards=%-7d rows=%-7lld seconds=%.3f cpu_seconds=%.3f rows_per_s=%.0f peak_rss_mb=%.1f\n",
            phase.name, cards, rows, s, cpu, s > 0 ? static_cast<double>(rows) / s : 0.0, peakRssMb());
        std::fflush(stdout);
    }
    return {book.linesPerCard, seconds};
}

// One card that repeats a property 80,000 times: every reader of it must stay
// linear in the card's lines, not in their square.
void runLongCard(const QString& folder) {
    constexpr int kEmails = 80000;
    const QString picked = folder + QStringLiteral("/picked");
    QDir().mkpath(picked + QStringLiteral("/g"));
    QByteArray card("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Long\r\n");
    for (int i = 0; i < kEmails; ++i) {
        card += "EMAIL;TYPE=INTERNET:a" + QByteArray::number(i) + "@example.com\r\n";
    }
    card += "END:VCARD\r\n";
    QFile file(picked + QStringLiteral("/g/c.nrk"));
    if (!file.open(QIODevice::WriteOnly) || file.write(card) != card.size()) {
        throw std::runtime_error("cannot write the long card");
    }
    file.close();
    const QString dbPath = folder + QStringLiteral("/ZTADRCNV.mdb");
    QFile::remove(dbPath);
    zt::Database::create(dbPath);
    auto db = zt::openWorkingDatabase(dbPath);
    zt::importAddressBook(*db, picked);
    const std::pair<const char*, std::function<void()>> phases[] = {
        {"people", [&] { zt::forEachPerson(*db, [](const zt::Person&) {}); }},
        {"vcard",
         [&] {
             zt::writeVCard(zt::peopleOf(*db), {folder + QStringLiteral("/long.vcf"), {}, {}});
         }},
        {"outlook",
         [&] {
             zt::writeOutlookCsv(zt::peopleOf(*db), {folder + QStringLiteral("/long.csv"), {}, {}},
                                 zt::OutlookLayout::Windows);
         }},
        {"ldif",
         [&] {
             zt::writeLdif(zt::peopleOf(*db), {folder + QStringLiteral("/long.ldif"), {}, {}});
         }},
        {"google",
         [&] {
             zt::writeGoogleCsv(zt::peopleOf(*db), {folder + QStringLiteral("/long.google.csv"), {}, {}});
         }},
    };
    std::printf("long_card emails=%d", kEmails);
    for (const auto& [name, run] : phases) {
        QElapsedTimer timer;
        timer.start();
        run();
        std::printf(" %s=%.3f", name, static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    std::printf("\n");
    std::fflush(stdout);
}

// Books of one crowd each, where a writer could compare every person with
// every other: 10,000 cards of one company and no name (the LDIF's dns of one
// shown name), and 5,000 cards of one person (their merge).
void runCrowds(const QString& folder) {
    const std::pair<const char*, std::function<QByteArray(int)>> books[] = {
        {"one_company",
         [](int) {
             return QByteArray("BEGIN:VCARD\r\nORG:\x8A\x94\x8E\xAE\x89\xEF\x8E\xD0\r\nEND:VCARD\r\n");
         }},
        {"one_person",
         [](int i) {
             return "BEGIN:VCARD\r\nFN:Crowd\r\nEMAIL;PREF:crowd@example.com\r\nTEL:03-" +
                    QByteArray::number(i) + "\r\nEND:VCARD\r\n";
         }},
    };
    for (const auto& [name, card] : books) {
        const int count = QByteArrayView(name) == "one_company" ? 10000 : 5000;
        const QString picked = folder + u'/' + QString::fromLatin1(name);
        QDir().mkpath(picked + QStringLiteral("/g"));
        QByteArray cards;
        for (int i = 0; i < count; ++i) {
            cards += card(i);
        }
        QFile file(picked + QStringLiteral("/g/c.nrk"));
        if (!file.open(QIODevice::WriteOnly) || file.write(cards) != cards.size()) {
            throw std::runtime_error("cannot write a crowd's cards");
        }
        file.close();
        const QString dbPath = picked + QStringLiteral("/ZTADRCNV.mdb");
        QFile::remove(dbPath);
        zt::Database::create(dbPath);
        auto db = zt::openWorkingDatabase(dbPath);
        zt::importAddressBook(*db, picked);
        std::printf("%s cards=%d", name, count);
        for (const auto& [writer, run] : std::initializer_list<std::pair<const char*, std::function<void()>>>{
                 {"vcard",
                  [&] {
                      zt::writeVCard(zt::peopleOf(*db), {picked + QStringLiteral("/out.vcf"), {}, {}});
                  }},
                 {"ldif", [&] {
                      zt::writeLdif(zt::peopleOf(*db), {picked + QStringLiteral("/out.ldif"), {}, {}});
                  }}}) {
            QElapsedTimer timer;
            timer.start();
            run();
            std::printf(" %s=%.3f", writer, static_cast<double>(timer.nsecsElapsed()) / 1e9);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QList<int> sizes{10000, 100000};
    QString keep;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--cards") && i + 1 < args.size()) {
            bool ok = false;
            const int n = args[++i].toInt(&ok);
            if (!ok || n <= 0) {
                std::fprintf(stderr, "bench: --cards takes a positive number\n");
                return 2;
            }
            sizes = {n};
        } else if (args[i] == QLatin1String("--keep") && i + 1 < args.size()) {
            keep = args[++i];
        } else {
            std::fprintf(stderr, "usage: bench [--cards N] [--keep DIR]\n");
            return 2;
        }
    }

    QTemporaryDir temp;
    const QString base = keep.isEmpty() ? temp.path() : QDir(keep).absolutePath();
    try {
        std::map<int, SizeResult> results;
        for (int cards : sizes) {
            results[cards] = runSize(base + QStringLiteral("/cards-%1").arg(cards), cards);
        }
        if (results.size() > 1) {
            const auto& small = results.begin()->second.seconds;
            const auto& large = results.rbegin()->second.seconds;
            const double factor = static_cast<double>(results.rbegin()->first) / results.begin()->first;
            std::printf("scaling (x%.0f data):", factor);
            for (const auto& [phase, s] : large) {
                std::printf(" %s=x%.1f", phase.c_str(), small.at(phase) > 0 ? s / small.at(phase) : 0.0);
            }
            std::printf("\n");
        }
        runLongCard(base + QStringLiteral("/long-card"));
        runCrowds(base + QStringLiteral("/crowds"));
        const auto& [cards, result] = *results.rbegin();
        const auto& last = result.seconds;
        std::printf(
            "bench: cards=%d lines_per_card=%.1f import=%.3f csv=%.3f edmax=%.3f tsurukame=%.3f vcard=%.3f "
            "outlook=%.3f "
            "ldif=%.3f google=%.3f list=%.3f filter=%.3f "
            "rss_mb=%.0f\n",
            cards, result.linesPerCard, last.at("import"), last.at("csv"), last.at("edmax"),
            last.at("tsurukame"), last.at("vcard"), last.at("outlook"), last.at("ldif"), last.at("google"),
            last.at("list"), last.at("filter"), peakRssMb());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench: %s\n", e.what());
        return 1;
    }
    if (!keep.isEmpty()) {
        std::printf("kept in %s\n", qPrintable(base));
    }
    return 0;
}
