#pragma once

#include "i18n/LanguageTargets.h"

#include <QPointer>

#include <map>
#include <vector>

class QObject;
class QTabWidget;
class QWidget;

namespace kdx {

class UserPrompts;

// The window's controls whose texts follow the language, each under the key
// of the language file that sets it. Every page registers its own controls
// when it builds them; loading a language then reaches exactly these.
class LanguageRegistry : public LanguageTargets {
public:
    LanguageRegistry(QTabWidget& pages, UserPrompts& prompts);

    // A control the key addresses: a caption (label, button, group box, lamp,
    // menu or menu item, or a tab page's tab), a grid's cell or a drop-down's
    // item, as the key table says. Its font follows the language too. A
    // control built after a language was loaded gets that language's caption.
    void add(int key, QObject* target);
    // A control that shows language texts composed elsewhere: its font follows.
    void addFont(QWidget* target);
    // The controls the key addresses (none when no page registered it).
    std::vector<QObject*> targets(int key) const;

    // --- LanguageTargets ---------------------------------------------------------
    void setCaption(int key, const std::string& text) override;
    void setGridCell(int key, int column, int row, const std::string& text) override;
    void setComboItem(int key, int index, const std::string& text) override;
    void setTextFont(const std::string& family, int charset) override;
    void message(const std::string& text) override;

private:
    void setCaptionOf(QObject* target, const QString& text);

    QTabWidget& m_pages;
    UserPrompts& m_prompts;
    std::multimap<int, QPointer<QObject>> m_targets;
    std::vector<QPointer<QWidget>> m_fonts;
    std::map<int, QString> m_captions; // the last caption set under each key
    QString m_fontFamily;              // the last language's font, empty before one
};

} // namespace kdx
