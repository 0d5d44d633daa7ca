#include "app/pages/ControlFactory.h"

#include "live/LampAppearance.h"
#include "params/ComboItems.h"
#include "widgets/FigureLabel.h"
#include "widgets/LedIndicator.h"
#include "widgets/StringGrid.h"
#include "widgets/WheelGuard.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kdx {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* l = named(new QLabel(text, parent), name, geometry);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

QLabel* makeFigureLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* l = named(new FigureLabel(text, parent), name, geometry);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    return named(new QPushButton(text, parent), name, geometry);
}

QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                    QLabel* buddy)
{
    auto* e = named(new QLineEdit(text, parent), name, geometry);
    if (buddy)
        buddy->setBuddy(e);
    return e;
}

QComboBox* makeCombo(QWidget* parent, const char* name, const QStringList& items, int index,
                     const QRect& geometry, QLabel* buddy)
{
    auto* c = named(new QComboBox(parent), name, geometry);
    c->addItems(items);
    c->setCurrentIndex(index);
    c->setMaxVisibleItems(20);
    WheelGuard::guard(c); // a scroll over it changes nothing unless it has the focus
    if (buddy)
        buddy->setBuddy(c);
    return c;
}

StringGrid* makeGrid(QWidget* parent, const char* name, int columns, int rows, int fixed,
                     int columnWidth, int rowHeight, const QPoint& at)
{
    auto* g = new StringGrid(columns, rows, fixed, fixed, parent);
    g->setObjectName(QString::fromLatin1(name));
    g->setDefaultColumnWidth(columnWidth);
    g->setDefaultRowHeight(rowHeight);
    g->move(at);
    g->fitToCells();
    return g;
}

LedIndicator* makeLed(QWidget* parent, const char* name, const LampAppearance& look, const QString& caption,
                      const QRect& geometry)
{
    auto* led = named(new LedIndicator(parent), name, geometry);
    auto colour = [](const Rgb& c) { return QColor(c.r, c.g, c.b); };
    led->setOnColor(colour(look.onColour));
    if (look.offColour)
        led->setOffColor(colour(*look.offColour));
    led->setShape(look.shape == LampAppearance::Shape::Rectangle ? LedIndicator::Shape::Rectangle
                                                                 : LedIndicator::Shape::Round);
    led->setLightSize(QSize(look.width, look.height));
    if (look.flashHz > 0)
        led->setFlashing(true, look.flashHz);
    led->setCaption(caption);
    led->setAccessibleName(caption);
    return led;
}

QStringList listItems(EditorId id)
{
    QStringList items;
    for (const std::string& item : ComboItems::of(id))
        items << QString::fromStdString(item);
    return items;
}

void markWarning(QWidget* w)
{
    QFont f = w->font();
    f.setBold(true);
    w->setFont(f);
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, QColor(192, 0, 0));
    pal.setColor(QPalette::ButtonText, QColor(192, 0, 0));
    w->setPalette(pal);
}

} // namespace kdx
