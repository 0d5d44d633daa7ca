#pragma once

class QPushButton;
class QProgressBar;
class QTextEdit;
class QWidget;

namespace kdx {

// The controls of the "firmware upgreade" page, built once on the page; the
// upgrade glue drives them.
struct FirmwareControls {
    explicit FirmwareControls(QWidget* page);

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
