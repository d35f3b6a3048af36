// SPDX-License-Identifier: MIT
// A flat tool-bar button whose Alt+letter goes to its window's accelerator rule.
#pragma once

#include <QToolButton>

#include <functional>

/// A flat button with a picture above its caption.  Its "&" letter does not click it
/// directly: the window decides which button a letter clicks (the first enabled one, in
/// the window's order, whose caption has the letter), so two buttons can share a letter.
class SpeedButton : public QToolButton {
public:
    using MnemonicHandler = std::function<void(QChar letter)>;

    explicit SpeedButton(QWidget* parent = nullptr);
    void setMnemonicHandler(MnemonicHandler handler) { m_onMnemonic = std::move(handler); }
    /// The caption's accelerator letter, upper case, or a null QChar.
    QChar mnemonicLetter() const;

protected:
    bool event(QEvent* event) override;

private:
    MnemonicHandler m_onMnemonic;
};
