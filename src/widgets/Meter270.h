#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QWidget>

namespace kdx {

// A 270-degree analogue dial: the scale runs clockwise from the lower left
// (minimum) to the lower right (maximum). A navy needle with a lime pointer
// tip shows the value. The scale numbers sit outside the scale, beyond the
// needle's reach; the value in figures, the signal name and the unit sit in
// the quarter below the hub that the needle never sweeps, so nothing is
// ever crossed by the needle or touches anything else. Drawn in a 198 x 180
// design space scaled uniformly to the widget, so it stays sharp at any size.
class Meter270 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 198;
    static constexpr int kDesignHeight = 180;
    static constexpr double kSweepDeg = 270.0;

    explicit Meter270(QWidget* parent = nullptr);

    // Repaints only when the needle's tip moves by a device pixel or more
    // from where it was last drawn, or the value in figures changes: ten
    // frames a second of a steady engine cost nothing.
    void setValue(double value);
    double value() const { return m_value; }

    void setRange(double minimum, double maximum);
    double minimum() const { return m_min; }
    double maximum() const { return m_max; }

    // Major scale steps and sub-steps per major step.
    void setScaleSteps(int majorSteps, int subSteps);
    int majorSteps() const { return m_majorSteps; }
    int subSteps() const { return m_subSteps; }

    void setSignalName(const QString& name);
    const QString& signalName() const { return m_signalName; }
    void setUnit(const QString& unit);
    const QString& unit() const { return m_unit; }

    // Number on the scale at major step k ("0.0" format, the locale's
    // decimal separator, as every number below).
    QString scaleLabel(int k) const;
    // The value in figures ("##0.0" format).
    QString valueText() const;
    // Needle angle in degrees, counter-clockwise from 3 o'clock, for value v
    // (clamped to the range): 225 at the minimum, -45 at the maximum.
    double angleForValue(double v) const;

    // Where things are drawn, in the design space (198 x 180).
    static QPointF centre();
    static double faceRadius();
    QRectF scaleLabelRect(int k) const;
    QRectF valueRect() const;
    QRectF signalNameRect() const;
    QRectF unitRect() const;
    // The needle with its pointer tip at value v.
    QPainterPath needlePath(double v) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFont numberFont() const;
    QFont nameFont() const;
    QFont unitFont() const;
    QFont valueFont() const;
    // A text's box centred on c, as tall as the font's line and as wide as the text.
    static QRectF textBox(const QFont& font, const QString& text, const QPointF& c);
    static QString numberText(double v);
    // Where the needle's tip is for value v, in device pixels of the widget.
    QPointF tipInDevicePixels(double v) const;
    // Everything but the needle and the value in figures, drawn once per
    // size, scale and texts into m_face.
    void paintFace(QPainter& p) const;
    void dropFace();

    double m_value = 0.0;
    double m_min = 0.001;
    double m_max = 7.0;
    int m_majorSteps = 7;
    int m_subSteps = 10;
    QString m_signalName = QStringLiteral("RPM");
    QString m_unit = QStringLiteral("[x1000]");
    QPixmap m_face;
    QString m_facePoint; // the decimal point the face's numbers were drawn with
    // What the last paint showed; none before the first.
    bool m_painted = false;
    double m_paintedValue = 0.0;
};

} // namespace kdx
