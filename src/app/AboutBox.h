#pragma once

#include "link/ConnectionState.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <optional>

class QLabel;

namespace kdx {

class LanguageTexts;

// What Help -> About tells the technician.
struct AboutFacts {
    ConnectionState state;                 // versions while a controller is connected
    std::optional<uint32_t> serialNumber;  // from the parameter image, once read
    QString languageFile;                  // the language file last read (empty: none)
    QString parameterFolder;
    QString firmwareFolder;
    const LanguageTexts* texts = nullptr;  // the window's language (none: English)
};

// The text of the About box, one fact a line.
QString aboutText(const AboutFacts& facts);

// Help -> About: the program's version, the connected controller's versions
// and serial number, and the folders the tool reads from.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(const AboutFacts& facts, QWidget* parent = nullptr);
    QLabel* textLabel() const { return m_text; }

private:
    QLabel* m_text;
};

} // namespace kdx
