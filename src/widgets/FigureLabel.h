#pragma once

#include <QLabel>
#include <QStaticText>

#include <list>
#include <utility>

namespace kdx {

// A label for a live figure ("power supply: 14.18[V]"), new ten times a
// second while polling. A plain label shapes its text again at every paint;
// a figure jitters among a few values, so this one keeps the laid-out text
// of its recent values and draws them again without shaping. Rich, wrapped
// or multi-line text is painted as any label paints it.
class FigureLabel : public QLabel {
public:
    explicit FigureLabel(const QString& text, QWidget* parent = nullptr);

    static constexpr size_t kKeptTexts = 32;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const QStaticText& laidOut(const QString& text);

    std::list<std::pair<QString, QStaticText>> m_kept; // the most recent first
};

} // namespace kdx
