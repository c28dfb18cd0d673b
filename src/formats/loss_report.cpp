#include "formats/loss_report.h"

#include <QDateTime>
#include <QFileInfo>

#include "formats/control_characters.h"
#include "platform/cp932.h"
#include "platform/replacement_file.h"
#include "platform/text_file_writer.h"

namespace zt {
namespace {

bool testing = false;

// A value's own line breaks and TABs would split one loss over several lines
// or columns; the backslash is escaped too, so that what is shown reads back
// as exactly one text. Any other control, which the outputs leave out, is
// shown by its code in hex ("<1B>"): the report is text a user reads.
void appendEscaped(QString& out, QStringView text) {
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' && !isControl(c)) {
            continue;
        }
        out += text.sliced(from, i - from);
        if (c == u'\\') {
            out += u"\\\\";
        } else if (c == u'\t') {
            out += u"\\t";
        } else if (c == u'\r' || c == u'\n') {
            out += u"\\n";
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;  // CR LF is one line break
            }
        } else {
            out += u'<' + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0') + u'>';
        }
        from = i + 1;
    }
    out += text.sliced(from);
}

}  // namespace

QString OutputTarget::report() const {
    return reportPath.isEmpty() ? reportPathFor(path) : reportPath;
}

LossReport::LossReport(const OutputTarget& target) : target_(target) {}

void LossReport::add(QStringView who, QStringView field, QStringView value) {
    QString line;
    line.reserve(who.size() + field.size() + value.size() + 8);
    appendEscaped(line, who);
    line += u'\t';
    appendEscaped(line, field);
    line += u'\t';
    appendEscaped(line, value);
    lines_ << line;
}

void LossReport::addUnencodable(QStringView who, QStringView field, QStringView value) {
    QByteArray scratch;
    if (cp932::encodeAppend(value, scratch) > 0) {
        add(who, field, value);
    }
}

qsizetype LossReport::finish(TextFileWriter& out) const {
    const QDateTime now = testing ? QDateTime(QDate(2024, 4, 1), QTime(9, 0)) : QDateTime::currentDateTime();
    const QString file =
        target_.path == kStandardOutput ? QStringLiteral("標準出力") : QFileInfo(target_.path).fileName();
    out.commitWithReport(target_.report(),
                         target_.caption + u'（' + file + QStringLiteral("）で出力できなかった項目　") +
                             now.toString(u"yyyy/MM/dd HH:mm"),
                         lines_);
    return lines_.size();
}

void LossReport::setTesting(bool on) {
    testing = on;
}

}  // namespace zt
