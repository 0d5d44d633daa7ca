#pragma once

class QPushButton;
class QProgressBar;
class QTextEdit;
class QWidget;

namespace kdx {

class LanguageRegistry;

// The controls of the "firmware upgreade" page, built once on the page; the
// upgrade glue drives them.
struct FirmwareControls {
    // Registers the texts that follow the language with texts.
    FirmwareControls(QWidget* page, LanguageRegistry& texts);

    QPushButton* upgrade = nullptr;
    QProgressBar* progress = nullptr;
    QTextEdit* log = nullptr;
    // Kept from the bootloader's workshop tools; they carry no action.
    QPushButton* reset = nullptr;
    QPushButton* riseFromTheDead = nullptr;
    QPushButton* openFile = nullptr;
    // Their captions follow the bootloader's replies.
    QPushButton* talkToBoot = nullptr;
    QPushButton* switchToSave = nullptr;
};

} // namespace kdx
