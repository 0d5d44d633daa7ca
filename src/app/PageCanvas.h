#pragma once

#include <QRect>
#include <QWidget>

#include <vector>

class QScrollArea;

namespace kdx {

// The surface a page's controls sit on at their design positions, inside a
// scroll area that fills the page: a window smaller than the controls
// scrolls the page instead of clipping or overlapping it, and a larger one
// gives its extra room to the controls anchored to the right or bottom edge
// (logs and grids grow, the footer moves down) rather than to empty margins.
class PageCanvas : public QWidget {
    Q_OBJECT
public:
    enum Anchor {
        GrowRight = 1,  // right edge follows the page's right edge
        GrowDown = 2,   // bottom edge follows the page's bottom edge
        StickDown = 4,  // moves with the page's bottom edge, keeps its size
    };
    static constexpr int kMarginPx = 8;
    static constexpr int kRightMarginPx = 1;

    // Puts a scroll area with a new canvas into page and returns the canvas.
    static PageCanvas* wrap(QWidget* page);
    // The same for a fixed-width column (the dashboard): it scrolls only
    // up and down, and the column widens by the scroll bar while one shows,
    // so that no control goes under it.
    static PageCanvas* wrapColumn(QWidget* column);
    // The canvas holding w, or nullptr.
    static PageCanvas* of(const QWidget* w);

    explicit PageCanvas(QWidget* parent = nullptr);

    // Anchors a control (a child or grandchild of the canvas) by its current
    // geometry, which becomes its smallest.
    void anchor(QWidget* control, int anchors);
    // The smallest size that shows every visible control whole.
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override { return minimumSizeHint(); }

    QScrollArea* scrollArea() const;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Anchored {
        QWidget* control;
        QRect design;
        int anchors;
    };
    QRect designRect(const QWidget* child) const;
    void applyAnchors();

    std::vector<Anchored> m_anchored;
};

} // namespace kdx
