#pragma once

#include <QPointer>
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
// A grid grows by its cells, within limits. A canvas may instead zoom as a
// whole (the dashboard), so that it reads from a distance on a large screen.
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

    // How much a grid's cells may grow over their design size when the page
    // has room: enough to read the map from a step back, not so much that a
    // cell looks empty.
    static constexpr double kMaxCellGrowth = 2.0;

    // Puts a scroll area with a new canvas into page and returns the canvas.
    static PageCanvas* wrap(QWidget* page);
    // The same for a column beside the pages (the dashboard): it scrolls only
    // up and down, and widens by the scroll bar while one shows, so that no
    // control goes under it. Up to a window growFromPx wide the column is
    // width pixels wide; a wider window gives it a third of its further
    // width, up to maxWidth.
    static PageCanvas* wrapColumn(QWidget* column, int width, int growFromPx, int maxWidth);
    // The canvas holding w, or nullptr.
    static PageCanvas* of(const QWidget* w);

    explicit PageCanvas(QWidget* parent = nullptr);

    // Anchors a control (a child or grandchild of the canvas) by its current
    // geometry, which becomes its smallest.
    void anchor(QWidget* control, int anchors);
    // Zooms the whole canvas (positions, sizes, fonts, lamp lights) with the
    // room it has, between 1 and maxZoom, keeping footPx at its foot free
    // for what is laid over it. Below its design size it scrolls instead.
    void enableZoom(double maxZoom, int footPx);
    double zoom() const { return m_zoom; }

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
    struct Zoomed {
        QPointer<QWidget> control;
        QRect design;
        QSize light; // a lamp's light; empty for other controls
        qreal pointSize; // of its font
    };
    QRect designRect(const QWidget* child) const;
    void applyAnchors();
    void applyZoom();

    std::vector<Anchored> m_anchored;
    std::vector<Zoomed> m_zoomed; // every child, once zooming is on
    double m_maxZoom = 1.0;
    double m_zoom = 1.0;
    int m_footPx = 0;
    int m_zoomWidth = 0; // the width at which a column's canvas is not zoomed
    qreal m_designPointSize = 0;
    QSize m_fitSize; // the smallest size last handed to the scroll area
};

} // namespace kdx
