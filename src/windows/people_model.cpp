#include "windows/people_model.h"

#include <algorithm>

#include "formats/person_report.h"

using namespace Qt::StringLiterals;

namespace {

// What a search compares: case, width and kana kind set aside, so that
// "ｔａｒｏ" finds "Taro" and "たろう" finds "タロウ". NFKC is paid only by a
// text holding a half- or full-width form, few of them in an address book.
QString folded(const QString& text) {
    const bool hasWidthForms = std::any_of(
        text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF; });
    QString out = (hasWidthForms ? text.normalized(QString::NormalizationForm_KC) : text).toCaseFolded();
    for (QChar& c : out) {
        if (c.unicode() >= 0x30A1 && c.unicode() <= 0x30F6) {  // katakana ァ..ヶ to hiragana ぁ..ゖ
            c = QChar(c.unicode() - 0x60);
        }
    }
    return out;
}

bool isPhoneSign(QChar c) {
    return c == u'-' || c == u'(' || c == u')' || c == u'+' || c == u'.' || c == u'/';
}

QString digitsOf(const QString& text) {
    QString digits;
    for (const QChar c : text) {
        if (c.isDigit()) {
            digits += c;
        }
    }
    return digits;
}

// A word typed as a phone number is written ("03-1234"), which also finds
// the number written otherwise ("03(1234)5678").
bool looksLikePhone(const QString& word) {
    return std::any_of(word.begin(), word.end(), [](QChar c) { return c.isDigit(); }) &&
           std::all_of(word.begin(), word.end(), [](QChar c) { return c.isDigit() || isPhoneSign(c); });
}

QString joined(const QList<zt::TypedValue>& values) {
    QStringList texts;
    for (const zt::TypedValue& v : values) {
        texts << v.value;
    }
    return texts.join(u", "_s);
}

QString reading(const zt::Person& p) {
    return p.phoneticFamily.isEmpty() || p.phoneticGiven.isEmpty()
               ? p.phoneticFamily + p.phoneticGiven
               : p.phoneticFamily + u' ' + p.phoneticGiven;
}

QString lossesText(const zt::Person& p) {
    QStringList lines;
    for (const zt::ReportedLoss& loss : zt::reportedLosses(p)) {
        lines << loss.output + u"："_s + loss.field + u"　"_s + loss.value;
    }
    return lines.join(u'\n');
}

}  // namespace

PeopleModel::Row PeopleModel::rowOf(const zt::Person& p) {
    Row row;
    row.columns[Mark] = lossesText(p);
    row.columns[Name] = p.shownName;
    row.columns[Reading] = reading(p);
    row.columns[Emails] = joined(p.emails);
    row.columns[Phones] = joined(p.phones);
    row.columns[Company] = p.company;
    row.columns[Groups] = p.groups.join(u", "_s);
    QString search = row.columns[Name] + u'\n' + row.columns[Reading] + u'\n' + row.columns[Emails] + u'\n' +
                     row.columns[Phones] + u'\n' + row.columns[Company] + u'\n' + p.groups.join(u'\n');
    for (const zt::TypedValue& phone : p.phones) {
        search += u'\n' + digitsOf(phone.value);
    }
    row.search = folded(search);
    return row;
}

PeopleModel::PeopleModel(QObject* parent) : QAbstractTableModel(parent) {}

void PeopleModel::load(const zt::PersonSource& people) {
    std::vector<Row> rows;
    people([&rows](const zt::Person& p) { rows.push_back(rowOf(p)); });
    beginResetModel();
    people_.clear();
    shown_.clear();
    marked_ = 0;
    filter_.clear();
    words_.clear();
    endResetModel();
    append(std::move(rows));
}

void PeopleModel::append(std::vector<Row> rows) {
    std::vector<int> shown;
    for (Row& row : rows) {
        if (kept(row)) {
            shown.push_back(int(people_.size()));
        }
        marked_ += row.columns[Mark].isEmpty() ? 0 : 1;
        people_.push_back(std::move(row));
    }
    if (shown.empty()) {
        return;
    }
    beginInsertRows({}, int(shown_.size()), int(shown_.size() + shown.size()) - 1);
    shown_.insert(shown_.end(), shown.begin(), shown.end());
    endInsertRows();
}

bool PeopleModel::kept(const Row& row) const {
    return std::all_of(words_.begin(), words_.end(), [&row](const Word& w) {
        return row.search.contains(w.text) || (!w.digits.isEmpty() && row.search.contains(w.digits));
    });
}

void PeopleModel::setFilter(const QString& text) {
    if (text == filter_) {
        return;
    }
    filter_ = text;
    words_.clear();
    QString typed = folded(text);
    // An ideographic space, typed with a Japanese input method on, parts words too.
    std::replace_if(
        typed.begin(), typed.end(), [](QChar c) { return c.isSpace(); }, u' ');
    for (const QString& word : typed.split(u' ', Qt::SkipEmptyParts)) {
        words_.push_back({word, looksLikePhone(word) ? digitsOf(word) : QString()});
    }
    beginResetModel();
    shown_.clear();
    for (std::size_t i = 0; i < people_.size(); ++i) {
        if (kept(people_[i])) {
            shown_.push_back(int(i));
        }
    }
    endResetModel();
}

int PeopleModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shown_.size());
}

int PeopleModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PeopleModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(shown_.size())) {
        return {};
    }
    const Row& row = people_[std::size_t(shown_[std::size_t(index.row())])];
    const QString& losses = row.columns[Mark];
    switch (role) {
        case Qt::DisplayRole:
            if (index.column() == Mark) {
                return losses.isEmpty() ? QString() : u"！"_s;
            }
            // A value's own line breaks would make a row of one line unreadable.
            return QString(row.columns[index.column()]).replace(u'\n', u' ').replace(u'\r', u' ');
        case Qt::ToolTipRole:
            return losses.isEmpty() ? QVariant() : QVariant(losses);
        case LossesRole:
            return losses;
        case Qt::TextAlignmentRole:
            return index.column() == Mark ? QVariant(Qt::AlignCenter) : QVariant();
        default:
            return {};
    }
}

QVariant PeopleModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QString captions[ColumnCount] = {u"報告"_s, u"名前"_s,   u"ふりがな"_s, u"メールアドレス"_s,
                                                  u"電話"_s, u"会社名"_s, u"グループ"_s};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount) {
        return captions[section];
    }
    return {};
}
