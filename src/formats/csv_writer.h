#pragma once

#include <QString>
#include <QStringList>

#include "db/database.h"
#include "formats/loss_report.h"

namespace zt {

// `text` as one CSV field: enclosed in double quotes, its own doubled, when it
// holds any character of `specials` (which names '"' too); otherwise unchanged.
QString quoteCsv(const QString& text, QStringView specials);

// `fields` joined by commas, each quoted as RFC 4180 asks: when it holds a
// double quote, a comma, a CR or a LF; stray controls (control_characters.h)
// left out. For the UTF-8 CSV outputs; no line end.
QString rfc4180Fields(const QStringList& fields);

// The text of one CSV field: NULL as the empty text; a value holding an ASCII
// double quote is enclosed in double quotes with each of its own doubled; a
// value holding an ASCII comma (and no quote) is enclosed as it stands; any
// other value is written unchanged, blanks, TABs and line breaks included.
QString QuoteCsvField(const FieldValue& value);

// Writes every row of the stored query 出力情報, in the order the query yields
// them, as one line of six fields (グループ,名前,アドレス,会社名,部署名,役職) to
// `path`, in CP932 with CR LF after each line, a group on one line and no
// stray control in any field (layoutText); what CP932 cannot hold, and what
// those change, goes in the loss report beside it (zt::LossReport). Returns
// the number of losses.
// Throws zt::Error on any failure; the file at `path` is then left as it was.
qsizetype writeCsv(Database& db, const OutputTarget& target);

}  // namespace zt
