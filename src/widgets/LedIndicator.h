#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QWidget>

class QTimer;

namespace kdx {

// A lamp with a caption to its right. While on it shows its on colour, or,
// when flashing, alternates between the on and the off colour at the flash
// rate; while off it shows the off colour steadily. Clicking it emits
// clicked() (the diagnostic lamps open the "diag" page that way).
class LedIndicator : public QWidget {
    Q_OBJECT
public:
    enum class Shape { Round, Rectangle };

    static constexpr int kCaptionGapPx = 5;

    explicit LedIndicator(QWidget* parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return m_on; }

    void setCaption(const QString& caption);
    const QString& caption() const { return m_caption; }

    void setShape(Shape shape);
    Shape shape() const { return m_shape; }

    // Size of the light itself in pixels; the caption follows 5 px to its right.
    void setLightSize(const QSize& size);
    QSize lightSize() const { return m_lightSize; }

    void setOnColor(const QColor& color);
    QColor onColor() const { return m_onColor; }
    // An invalid colour (the default) means the palette's button face.
    void setOffColor(const QColor& color);
    QColor offColor() const;

    // Flash rate in full on/off cycles per second; 0 or flashing off: steady.
    void setFlashing(bool flashing, double rateHz = 4.0);
    bool isFlashing() const { return m_flashing; }
    double flashRateHz() const { return m_flashRateHz; }
    // Milliseconds between two blink steps (half a flash period).
    int blinkIntervalMs() const;
    // True while the lamp flashes (on and flashing). Its timer runs only
    // while the lamp is shown: a lamp on a hidden page wakes nobody.
    bool isBlinking() const;
    // A held lamp keeps its on or off colour steadily and runs no timer: the
    // dashboard holds its lamps while a cover says their values are old, so
    // nothing flashes (and nothing is painted) under it.
    void setHeld(bool held);
    bool isHeld() const { return m_held; }

    // One blink step: toggles between the lit and the dark half of the flash
    // period. The internal timer calls it; tests call it directly.
    void blinkStep();
    bool blinkLit() const { return m_blinkLit; }

    // The colour the light shows right now.
    QColor currentLightColor() const;
    // Where the light and the caption are drawn, in widget coordinates.
    QRect lightRect() const;
    QRect captionRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void updateBlinkTimer();

    QString m_caption;
    Shape m_shape = Shape::Round;
    QSize m_lightSize{13, 13};
    QColor m_onColor{0, 255, 0};
    QColor m_offColor; // invalid: palette button face
    bool m_on = false;
    bool m_flashing = false;
    double m_flashRateHz = 4.0;
    bool m_blinkLit = true;
    bool m_held = false;
    bool m_pressed = false;
    QTimer* m_blinkTimer = nullptr;
};

} // namespace kdx
