#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace kdx {

// A 270-degree analogue dial: the scale runs clockwise from the lower left
// (minimum) to the lower right (maximum). A navy needle and a lime pointer
// mark show the value; the value is also written in figures below the hub.
// Drawn in a 198 x 180 design space scaled uniformly to the widget, so it
// stays sharp at any size.
class Meter270 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDesignWidth = 198;
    static constexpr int kDesignHeight = 180;
    static constexpr double kSweepDeg = 270.0;

    explicit Meter270(QWidget* parent = nullptr);

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

    // Number on the scale at major step k ("0.0" format).
    QString scaleLabel(int k) const;
    // The value in figures ("##0.0" format).
    QString valueText() const;
    // Needle angle in degrees, counter-clockwise from 3 o'clock, for value v
    // (clamped to the range): 225 at the minimum, -45 at the maximum.
    double angleForValue(double v) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_value = 0.0;
    double m_min = 0.001;
    double m_max = 7.0;
    int m_majorSteps = 7;
    int m_subSteps = 10;
    QString m_signalName = QStringLiteral("RPM");
    QString m_unit = QStringLiteral("[x1000]");
};

} // namespace kdx
