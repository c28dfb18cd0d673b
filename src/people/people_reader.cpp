#include "people/people_reader.h"

#include <optional>

#include "people/card_record.h"
#include "people/person_assembly.h"

namespace zt {

void forEachPerson(Database& db, const PersonSink& take) {
    // One statement, whose read lasts the loop: the records and the rows the
    // fallbacks read are of one snapshot.
    Recordset people = db.OpenRecordset(QStringLiteral(
        "SELECT 項目, (SELECT 記録 FROM 人物記録 AS r WHERE r.人物 = p.人物) FROM 出力人物 AS p"));
    std::optional<PeopleOfFields> ofFields;
    for (; !people.Eof(); people.MoveNext()) {
        if (const QByteArrayView record = people.BytesView(1); !record.isNull()) {
            if (!record.isEmpty()) {
                take(fromPersonRecord(record));
            }
            continue;
        }
        if (!ofFields) {
            ofFields.emplace(db);
        }
        if (Person p; ofFields->read(people.Integer(0), p)) {
            take(p);
        }
    }
}

std::vector<Person> readPeople(Database& db) {
    std::vector<Person> people;
    forEachPerson(db, [&people](const Person& p) { people.push_back(p); });
    return people;
}

PersonSource peopleOf(Database& db) {
    return [&db](const PersonSink& take) { forEachPerson(db, take); };
}

}  // namespace zt
