// SPDX-License-Identifier: MIT
// The help window: the program's Qt Help collection with contents, index and full-text search.
#pragma once

#include "UserPrompts.h"

#include <QMainWindow>
#include <QUrl>

#include <memory>

class QHelpEngine;
class QLineEdit;
class QTabWidget;
class QTextBrowser;

/// Shows a help collection.  A collection that is missing or unreadable is reported in
/// the window itself; the program goes on unchanged.
class HelpWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit HelpWindow(const QString& collectionFile, QWidget* parent = nullptr);
    ~HelpWindow() override;

    /// Shows the contents tab and the first page.
    void showContents();
    bool isLoaded() const { return m_loaded; }
    QTextBrowser* browser() const { return m_browser; }
    QTabWidget* tabs() const { return m_tabs; }
    QHelpEngine* engine() const { return m_engine; }

private:
    bool load(const QString& collectionFile);
    void showMissing(const QString& collectionFile, const QString& reason);
    void search();

    QHelpEngine* m_engine = nullptr;
    QTextBrowser* m_browser = nullptr;
    QTabWidget* m_tabs = nullptr;
    QLineEdit* m_indexFilter = nullptr;
    QUrl m_home;
    bool m_loaded = false;
    bool m_indexed = false;
};

/// Opens the help window (created on first use) at its contents.
class QtHelpLauncher : public IHelpLauncher {
public:
    explicit QtHelpLauncher(QString collectionFile);
    ~QtHelpLauncher() override;
    void showHelpContents(QWidget* parent) override;

private:
    QString m_collectionFile;
    std::unique_ptr<HelpWindow> m_window;
};
