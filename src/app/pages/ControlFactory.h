#pragma once

#include "params/EditorId.h"

#include <QRect>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPoint;
class QPushButton;
class QWidget;

namespace kdx {

class LedIndicator;
class StringGrid;
struct LampAppearance;

// The pages' controls made alike: each gets its object name (for tests and
// accessibility) and its design position once, here.
template <typename T>
T* named(T* widget, const char* name, const QRect& geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry);
// A label for a live figure that changes with every status frame.
QLabel* makeFigureLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry);
QPushButton* makeButton(QWidget* parent, const char* name, const QString& text, const QRect& geometry);
QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& text, const QRect& geometry, QLabel* buddy);
// Drop-down lists: the stored value comes from the item index, so free
// typing is not offered.
QComboBox* makeCombo(QWidget* parent, const char* name, const QStringList& items, int index, const QRect& geometry,
                     QLabel* buddy);
StringGrid* makeGrid(QWidget* parent, const char* name, int columns, int rows, int fixed, int columnWidth,
                     int rowHeight, const QPoint& at);
// Bold dark red: a warning the technician must not miss.
void markWarning(QWidget* w);

// Drop-down items: whole numbers from..to; rpm "000", "100" .. "10000";
// comparator thresholds "1,00V" .. "11,00V".
// The items of a parameter list, as the parameter table counts them.
QStringList listItems(EditorId id);
// A lamp with the given look (colours, shape, light size, flashing).
LedIndicator* makeLed(QWidget* parent, const char* name, const LampAppearance& look, const QString& caption,
                      const QRect& geometry);

} // namespace kdx
