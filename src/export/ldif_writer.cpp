#include "export/ldif_writer.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <algorithm>

#include "export/people.h"
#include "platform/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {

namespace {

// A value LDIF cannot hold as it stands goes in base 64: one with a character
// outside printable ASCII, or with a leading space, ":" or "<" or a trailing
// space, which a reader would take for syntax. An empty value is left out.
void addAttribute(QByteArray& record, const char* name, const QString& value) {
    if (value.isEmpty()) {
        return;
    }
    const bool plain =
        std::all_of(value.begin(), value.end(), [](QChar c) { return c >= u' ' && c <= u'~'; }) &&
        !value.startsWith(u' ') && !value.startsWith(u':') && !value.startsWith(u'<') &&
        !value.endsWith(u' ');
    record += name;
    record += plain ? ": " + value.toLatin1() : ":: " + value.toUtf8().toBase64();
    record += "\r\n";
}

QString distinguishedName(const Person& p) {
    QStringList parts;
    if (!p.shownName.isEmpty()) {
        parts << QStringLiteral("cn=") + p.shownName;
    }
    if (!p.address.isEmpty()) {
        parts << QStringLiteral("mail=") + p.address;  // Thunderbird reads the rest as the address
    }
    return parts.join(u',');
}

// Thunderbird refuses a mailing list whose name holds any of , ; " < > and,
// once one is refused, makes none of the lists after it. Their full-width
// forms keep the name as readable.
QString listName(QString group) {
    for (const QChar c : QStringView(u",;\"<>")) {
        group.replace(c, QChar(c.unicode() + 0xFEE0));
    }
    return group;
}

}  // namespace

qsizetype writeLdif(Database& db, const QString& path) {
    const std::vector<Person> people = readPeople(db);
    TextFileWriter out(path);
    LossReport losses(QStringLiteral("Thunderbird 用 LDIF 出力"), path);
    QStringList groups;  // in the order they first appear among the people
    QHash<QString, QStringList> members;
    for (const Person& p : people) {
        if (p.shownName.isEmpty()) {
            continue;  // neither name nor address: nothing a mail program can hold
        }
        const QString dn = distinguishedName(p);
        QByteArray record;
        addAttribute(record, "dn", dn);
        record +=
            "objectclass: top\r\nobjectclass: person\r\nobjectclass: organizationalPerson\r\n"
            "objectclass: inetOrgPerson\r\nobjectclass: mozillaAbPersonAlpha\r\n";
        addAttribute(record, "cn", p.shownName);
        addAttribute(record, "givenName", p.givenName);
        addAttribute(record, "sn", p.familyName);
        addAttribute(record, "mail", p.address);
        addAttribute(record, "o", p.company);
        addAttribute(record, "ou", p.department);
        addAttribute(record, "title", p.title);
        out.writeBytes(record + "\r\n");
        for (const QString& group : p.groups) {
            if (!members.contains(group)) {
                groups << group;
            }
            members[group] << dn;
        }
    }
    for (const QString& group : groups) {
        const QString name = listName(group);
        QByteArray record;
        addAttribute(record, "dn", QStringLiteral("cn=") + name);
        record += "objectclass: top\r\nobjectclass: groupOfNames\r\n";
        addAttribute(record, "cn", name);
        for (const QString& dn : members.value(group)) {
            addAttribute(record, "member", dn);
        }
        out.writeBytes(record + "\r\n");
    }
    out.commit();
    return losses.finish();
}

}  // namespace zt
