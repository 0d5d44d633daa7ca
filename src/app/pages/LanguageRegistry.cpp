#include "app/pages/LanguageRegistry.h"

#include "prompts/UserPrompts.h"
#include "widgets/LedIndicator.h"
#include "widgets/StringGrid.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>

#include <algorithm>

namespace kdx {

LanguageRegistry::LanguageRegistry(QTabWidget& pages, UserPrompts& prompts) : m_pages(pages), m_prompts(prompts) {}

void LanguageRegistry::add(int key, QObject* target)
{
    m_targets.emplace(key, target);
    if (target->isWidgetType())
        addFont(static_cast<QWidget*>(target));
    if (const auto known = m_captions.find(key); known != m_captions.end())
        setCaptionOf(target, known->second);
}

void LanguageRegistry::addFont(QWidget* target)
{
    if (std::find(m_fonts.begin(), m_fonts.end(), target) != m_fonts.end())
        return;
    m_fonts.emplace_back(target);
    if (!m_fontFamily.isEmpty() && target->font().family() != m_fontFamily) {
        QFont f = target->font();
        f.setFamily(m_fontFamily);
        target->setFont(f);
    }
}

std::vector<QObject*> LanguageRegistry::targets(int key) const
{
    std::vector<QObject*> found;
    const auto [from, to] = m_targets.equal_range(key);
    for (auto it = from; it != to; ++it)
        if (it->second)
            found.push_back(it->second);
    return found;
}

void LanguageRegistry::setCaption(int key, const std::string& text)
{
    const QString value = QString::fromStdString(text);
    m_captions[key] = value;
    for (QObject* target : targets(key))
        setCaptionOf(target, value);
}

void LanguageRegistry::setCaptionOf(QObject* target, const QString& value)
{
    if (auto* led = qobject_cast<LedIndicator*>(target))
        led->setCaption(value);
    else if (auto* button = qobject_cast<QAbstractButton*>(target))
        button->setText(value);
    else if (auto* label = qobject_cast<QLabel*>(target))
        label->setText(value);
    else if (auto* group = qobject_cast<QGroupBox*>(target))
        group->setTitle(value);
    else if (auto* action = qobject_cast<QAction*>(target))
        action->setText(value);
    else if (auto* menu = qobject_cast<QMenu*>(target))
        menu->setTitle(value);
    else if (auto* page = qobject_cast<QWidget*>(target); page && m_pages.indexOf(page) >= 0)
        m_pages.setTabText(m_pages.indexOf(page), value);
    else if (auto* window = qobject_cast<QWidget*>(target); window && window->isWindow())
        window->setWindowTitle(value);
}

void LanguageRegistry::setGridCell(int key, int column, int row, const std::string& text)
{
    for (QObject* target : targets(key))
        if (auto* grid = qobject_cast<StringGrid*>(target))
            grid->setCell(column, row, QString::fromStdString(text));
}

void LanguageRegistry::setComboItem(int key, int index, const std::string& text)
{
    for (QObject* target : targets(key))
        if (auto* combo = qobject_cast<QComboBox*>(target); combo && index >= 0 && index < combo->count())
            combo->setItemText(index, QString::fromStdString(text));
}

void LanguageRegistry::setTextFont(const std::string& family, int /*charset: Qt draws every script from Unicode*/)
{
    const QString wanted = QString::fromStdString(family);
    m_fontFamily = wanted;
    for (const QPointer<QWidget>& widget : m_fonts) {
        if (!widget)
            continue;
        QFont f = widget->font();
        if (f.family() != wanted) {
            f.setFamily(wanted);
            widget->setFont(f);
        }
    }
}

void LanguageRegistry::message(const std::string& text) { m_prompts.message(text); }

} // namespace kdx
