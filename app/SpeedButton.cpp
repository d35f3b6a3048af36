// SPDX-License-Identifier: MIT
// Flat tool-bar buttons and the routing of their accelerator letters.
#include "SpeedButton.h"

#include <QEvent>

SpeedButton::SpeedButton(QWidget* parent) : QToolButton(parent)
{
    setAutoRaise(true);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(32, 32));
    setFocusPolicy(Qt::TabFocus);
}

QChar SpeedButton::mnemonicLetter() const
{
    const QString caption = text();
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return caption[i + 1].toUpper();
        ++i;  // "&&" is a literal ampersand
    }
    return {};
}

bool SpeedButton::event(QEvent* event)
{
    // Qt sends the mnemonic to one of the buttons that grabbed the letter (to each in turn
    // when several did); the window's rule picks the button.
    if (event->type() == QEvent::Shortcut && m_onMnemonic) {
        m_onMnemonic(mnemonicLetter());
        return true;
    }
    return QToolButton::event(event);
}
