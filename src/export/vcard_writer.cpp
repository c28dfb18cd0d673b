#include "export/vcard_writer.h"

#include <QByteArray>
#include <QStringList>

#include "export/people.h"
#include "platform/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {

namespace {

// Backslash, comma and semicolon escaped; each line break (CR LF, LF or a
// lone CR) as "\n".
QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            out += QStringLiteral("\\n");
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
        } else {
            if (c == u'\\' || c == u',' || c == u';') {
                out += u'\\';
            }
            out += c;
        }
    }
    return out;
}

// A logical line in UTF-8, folded where it would pass 75 octets (CR LF and a
// space before the octet that would pass them, never inside a character),
// then CR LF.
QByteArray folded(const QString& line) {
    const QByteArray octets = line.toUtf8();
    QByteArray out;
    qsizetype from = 0;
    qsizetype room = 75;
    while (octets.size() - from > room) {
        qsizetype cut = from + room;
        // A continuation octet: the character began earlier.
        while ((static_cast<unsigned char>(octets[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        out += octets.mid(from, cut - from) + "\r\n ";
        from = cut;
        room = 74;  // after the space
    }
    return out + octets.mid(from) + "\r\n";
}

}  // namespace

qsizetype writeVCard(Database& db, const QString& path) {
    const std::vector<Person> people = readPeople(db);
    TextFileWriter out(path);
    LossReport losses(QStringLiteral("vCard 出力"), path);
    for (const Person& p : people) {
        QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        card += folded(QStringLiteral("FN:") + escaped(p.shownName));
        card += folded(QStringLiteral("N:%1;%2;;;").arg(escaped(p.familyName), escaped(p.givenName)));
        if (!p.address.isEmpty()) {
            card += folded(QStringLiteral("EMAIL;TYPE=INTERNET:") + escaped(p.address));
        }
        if (!p.company.isEmpty() || !p.department.isEmpty()) {
            const QString department = p.department.isEmpty() ? QString() : u';' + escaped(p.department);
            card += folded(QStringLiteral("ORG:") + escaped(p.company) + department);
        }
        if (!p.title.isEmpty()) {
            card += folded(QStringLiteral("TITLE:") + escaped(p.title));
        }
        if (!p.groups.isEmpty()) {
            QStringList categories;
            for (const QString& group : p.groups) {
                categories << escaped(group);
            }
            card += folded(QStringLiteral("CATEGORIES:") + categories.join(u','));
        }
        out.writeBytes(card + "END:VCARD\r\n");
    }
    out.commit();
    return losses.finish();
}

}  // namespace zt
