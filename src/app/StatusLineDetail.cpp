#include "app/StatusLineDetail.h"

#include "link/TextFormat.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace kdx {

namespace {

constexpr int kKeyTitle = 102300;
constexpr int kKeyCopy = 102301;
constexpr int kKeyClose = 102302;
constexpr int kKeyCopyMessage = 102303;
constexpr int kKeyShowMessage = 102304;

} // namespace

StatusLineDetail::StatusLineDetail(QStatusBar& bar, Words words) : QObject(&bar), m_bar(bar), m_words(std::move(words))
{
    m_menu = new QMenu(&bar);
    m_menu->setObjectName(QStringLiteral("MenuStatusLine"));
    m_copyAction = m_menu->addAction(QString());
    m_copyAction->setObjectName(QStringLiteral("CopyStatusMessage"));
    m_showAction = m_menu->addAction(QString());
    m_showAction->setObjectName(QStringLiteral("ShowStatusMessage"));
    connect(m_copyAction, &QAction::triggered, this, &StatusLineDetail::copyMessage);
    connect(m_showAction, &QAction::triggered, this, &StatusLineDetail::showDetail);

    m_dialog = new QDialog(bar.window());
    m_dialog->setObjectName(QStringLiteral("StatusDetail"));
    m_dialog->setModal(false);
    auto* column = new QVBoxLayout(m_dialog);
    m_text = new QPlainTextEdit(m_dialog);
    m_text->setObjectName(QStringLiteral("MemoStatusDetail"));
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setAccessibleName(QStringLiteral("status message"));
    column->addWidget(m_text);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_copy = new QPushButton(m_dialog);
    m_copy->setObjectName(QStringLiteral("ButtonCopyStatus"));
    m_close = new QPushButton(m_dialog);
    m_close->setObjectName(QStringLiteral("ButtonCloseStatus"));
    buttons->addWidget(m_copy);
    buttons->addWidget(m_close);
    column->addLayout(buttons);
    m_dialog->resize(480, 180);
    connect(m_copy, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(m_text->toPlainText());
    });
    connect(m_close, &QPushButton::clicked, m_dialog, &QDialog::close);

    bar.installEventFilter(this);
    retranslate();
}

QString StatusLineDetail::word(int key, const char* english) const
{
    return QString::fromStdString(textOf(m_words, key, english));
}

void StatusLineDetail::retranslate()
{
    m_copyAction->setText(word(kKeyCopyMessage, "&Copy message"));
    m_showAction->setText(word(kKeyShowMessage, "&Show message..."));
    m_dialog->setWindowTitle(word(kKeyTitle, "Status message"));
    m_copy->setText(word(kKeyCopy, "&Copy"));
    m_close->setText(word(kKeyClose, "Close"));
}

void StatusLineDetail::showDetail()
{
    const QString message = m_bar.currentMessage();
    if (message.isEmpty())
        return;
    retranslate();
    m_text->setPlainText(message);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
    m_copy->setFocus();
}

void StatusLineDetail::copyMessage()
{
    const QString message = m_bar.currentMessage();
    if (!message.isEmpty())
        QApplication::clipboard()->setText(message);
}

bool StatusLineDetail::eventFilter(QObject* watched, QEvent* event)
{
    // Only what lands on the bar itself: the permanent widgets are its children.
    if (watched != &m_bar)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        // A click passed up from a permanent widget (the link area, the
        // recording indicator) is not a click on the message.
        if (mouse->button() == Qt::LeftButton && !m_bar.childAt(mouse->position().toPoint())
            && !m_bar.currentMessage().isEmpty()) {
            showDetail();
            return true;
        }
    }
    if (event->type() == QEvent::ContextMenu) {
        const bool any = !m_bar.currentMessage().isEmpty();
        retranslate();
        m_copyAction->setEnabled(any);
        m_showAction->setEnabled(any);
        m_menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kdx
