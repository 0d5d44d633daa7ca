#include "app/pages/LanguageRegistry.h"

#include "prompts/UserPrompts.h"
#include "widgets/LedIndicator.h"
#include "widgets/StringGrid.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>

#include <algorithm>

namespace kdx {

LanguageRegistry::LanguageRegistry(QTabWidget& pages, UserPrompts& prompts) : m_pages(pages), m_prompts(prompts) {}

void LanguageRegistry::add(int key, QObject* target)
{
    m_targets.emplace(key, target);
    if (target->isWidgetType())
        addFont(static_cast<QWidget*>(target));
}

void LanguageRegistry::addFont(QWidget* target)
{
    if (std::find(m_fonts.begin(), m_fonts.end(), target) == m_fonts.end())
        m_fonts.emplace_back(target);
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
    for (QObject* target : targets(key)) {
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
        else if (auto* page = qobject_cast<QWidget*>(target); page && m_pages.indexOf(page) >= 0)
            m_pages.setTabText(m_pages.indexOf(page), value);
    }
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
