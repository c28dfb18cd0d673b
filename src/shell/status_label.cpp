#include "shell/status_label.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QTextBoundaryFinder>

namespace {

// Breaks one line of text greedily: whole "/"-ended parts while they fit, and
// a part wider than `width` between grapheme clusters, so that a surrogate
// pair or a combining mark never splits. Every line holds at least one
// cluster, however narrow the label.
QStringList wrapLine(const QString& line, const QFontMetrics& metrics, int width) {
    const auto fits = [&](const QString& text) { return metrics.horizontalAdvance(text) <= width; };
    QStringList lines;
    QString current;
    for (qsizetype start = 0; start < line.size();) {
        const qsizetype slash = line.indexOf(u'/', start);
        const qsizetype end = slash < 0 ? line.size() : slash + 1;
        const QString part = line.mid(start, end - start);
        start = end;
        if (fits(current + part)) {
            current += part;
            continue;
        }
        if (!current.isEmpty()) {
            lines << current;
            current.clear();
        }
        if (fits(part)) {
            current = part;
            continue;
        }
        QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, part);
        qsizetype from = 0;
        for (qsizetype to = clusters.toNextBoundary(); to > 0; to = clusters.toNextBoundary()) {
            const QString cluster = part.mid(from, to - from);
            if (!current.isEmpty() && !fits(current + cluster)) {
                lines << current;
                current.clear();
            }
            current += cluster;
            from = to;
        }
    }
    lines << current;
    return lines;
}

}  // namespace

StatusLabel::StatusLabel(QWidget* parent) : QLabel(parent) {
    // A group folder named like a tag must show as its name, not as markup.
    setTextFormat(Qt::PlainText);
}

QStringList StatusLabel::linesFor(int textWidth) const {
    QStringList lines;
    for (const QString& line : text().split(u'\n')) {
        lines << wrapLine(line, fontMetrics(), textWidth);
    }
    return lines;
}

QStringList StatusLabel::displayLines() const {
    return linesFor(contentsRect().width());
}

int StatusLabel::heightForWidth(int width) const {
    const QMargins margins = contentsMargins();
    const QStringList lines = linesFor(width - margins.left() - margins.right());
    return fontMetrics().size(0, lines.join(u'\n')).height() + margins.top() + margins.bottom();
}

void StatusLabel::paintEvent(QPaintEvent*) {
    // Drawn as a plain label draws its text, so that a text that needs no
    // break looks exactly as it would in a plain label.
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, contentsRect(), QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), displayLines().join(u'\n'), foregroundRole());
}
