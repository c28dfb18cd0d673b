#include "platform/durable_file.h"

#include "platform/error.h"
#include "platform/replacement_file.h"

namespace zt::durable {

Placed placeNewFile(const QString& target, const QByteArray& bytes, QString& error) {
    try {
        ReplacementFile file(target, ReplacementFile::Kind::New);
        file.write(bytes);
        return file.commit() ? Placed::Done : Placed::Taken;
    } catch (const Error& e) {
        error = e.text();
        return Placed::Failed;
    }
}

}  // namespace zt::durable
