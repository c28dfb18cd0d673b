#pragma once

#include <QLabel>
#include <QStringList>

// The job windows' status label. Its texts often hold a full path, which on
// this platform rarely fits one line, so it shows plain text wrapped to its
// width: a line breaks after a "/", and only a part too wide for a whole line
// (or text without "/") breaks between characters. The breaks exist only in
// the painted lines; text() (and so what a screen reader reads) stays exactly
// the text that was set.
class StatusLabel : public QLabel {
    Q_OBJECT
public:
    explicit StatusLabel(QWidget* parent);

    // The lines as painted at the label's present width.
    QStringList displayLines() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList linesFor(int textWidth) const;
};
