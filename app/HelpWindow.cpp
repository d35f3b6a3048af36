// SPDX-License-Identifier: MIT
// The help window over the program's Qt Help collection, and the launcher that opens it.
#include "HelpWindow.h"

#include "AppTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLineEdit>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

/// A text browser that reads qthelp:// pages from the help engine.
class HelpBrowser : public QTextBrowser {
public:
    HelpBrowser(QHelpEngine*& engine, QWidget* parent) : QTextBrowser(parent), m_engine(engine) {}

    QVariant loadResource(int type, const QUrl& name) override
    {
        if (m_engine && name.scheme() == QLatin1String("qthelp"))
            return m_engine->fileData(name);
        return QTextBrowser::loadResource(type, name);
    }

private:
    QHelpEngine*& m_engine;
};

/// The full-text search index is written beside the collection, so the collection is
/// read from a copy in the user's cache; the installed folder is usually not writable.
QString WritableCopy(const QString& collectionFile)
{
    const QFileInfo source(collectionFile);
    const QString cacheBase = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString cacheDir = cacheBase + QStringLiteral("/help");
    if (cacheBase.isEmpty() || !QDir().mkpath(cacheDir))
        return collectionFile;
    QStringList files = source.dir().entryList({QStringLiteral("*.qch")}, QDir::Files);
    files.prepend(source.fileName());
    for (const QString& name : files) {
        const QFileInfo from(source.dir().filePath(name));
        const QFileInfo to(cacheDir + u'/' + name);
        if (to.exists() && to.size() == from.size() && to.lastModified() >= from.lastModified())
            continue;
        QFile::remove(to.filePath());
        if (!QFile::copy(from.filePath(), to.filePath()))
            return collectionFile;
        // Copies keep the source's read-only bits; the engine must be able to write its own.
        QFile::setPermissions(to.filePath(), QFile::permissions(to.filePath()) | QFileDevice::WriteOwner);
    }
    return cacheDir + u'/' + source.fileName();
}

}  // namespace

HelpWindow::HelpWindow(const QString& collectionFile, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("HelpWindow"));
    // Closing the main window ends the program, also while the help stays open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("%1 - Help").arg(apptexts::kApplicationTitle));
    setWindowIcon(ProgramIcon());
    resize(820, 560);

    auto* splitter = new QSplitter(this);
    m_tabs = new QTabWidget(splitter);
    m_browser = new HelpBrowser(m_engine, splitter);
    m_browser->setOpenExternalLinks(true);
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 3);
    setCentralWidget(splitter);

    m_loaded = load(collectionFile);
}

HelpWindow::~HelpWindow() = default;

bool HelpWindow::load(const QString& collectionFile)
{
    const QFileInfo info(collectionFile);
    if (!info.isFile() || !info.isReadable()) {
        showMissing(collectionFile, tr("The file does not exist or cannot be read."));
        return false;
    }
    const QString opened = WritableCopy(collectionFile);
    m_engine = new QHelpEngine(opened, this);
    // Without a writable copy the installed collection is used as it is, and only the
    // full-text search (whose index could not be written) comes up empty.
    m_engine->setReadOnly(!QFileInfo(opened).isWritable());
    m_engine->setUsesFilterEngine(true);
    if (!m_engine->setupData() || m_engine->registeredDocumentations().isEmpty()) {
        const QString reason = m_engine->error().isEmpty() ? tr("It holds no help pages.") : m_engine->error();
        delete m_engine;
        m_engine = nullptr;
        showMissing(collectionFile, reason);
        return false;
    }
    const QString ns = m_engine->registeredDocumentations().constFirst();
    m_home = QUrl(QStringLiteral("qthelp://%1/doc/index.html").arg(ns));

    // Contents.
    QHelpContentWidget* contents = m_engine->contentWidget();
    connect(contents, &QHelpContentWidget::linkActivated, m_browser, [this](const QUrl& url) { m_browser->setSource(url); });
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, contents, &QTreeView::expandAll);
    m_tabs->addTab(contents, tr("&Contents"));

    // Index, with a box that narrows it.
    auto* indexPage = new QWidget(m_tabs);
    auto* indexLayout = new QVBoxLayout(indexPage);
    m_indexFilter = new QLineEdit(indexPage);
    m_indexFilter->setPlaceholderText(tr("Type a keyword"));
    QHelpIndexWidget* index = m_engine->indexWidget();
    indexLayout->addWidget(m_indexFilter);
    indexLayout->addWidget(index);
    connect(m_indexFilter, &QLineEdit::textChanged, index, [index](const QString& text) { index->filterIndices(text); });
    connect(m_indexFilter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& document, const QString&) { m_browser->setSource(document.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink>& documents, const QString&) {
                if (!documents.isEmpty())
                    m_browser->setSource(documents.constFirst().url);
            });
    m_tabs->addTab(indexPage, tr("&Index"));

    // Full-text search; the index is built the first time the tab is used.
    auto* searchPage = new QWidget(m_tabs);
    auto* searchLayout = new QVBoxLayout(searchPage);
    QHelpSearchEngine* searchEngine = m_engine->searchEngine();
    searchLayout->addWidget(searchEngine->queryWidget());
    searchLayout->addWidget(searchEngine->resultWidget());
    connect(searchEngine->queryWidget(), &QHelpSearchQueryWidget::search, this, &HelpWindow::search);
    connect(searchEngine->resultWidget(), &QHelpSearchResultWidget::requestShowLink, m_browser,
            [this](const QUrl& url) { m_browser->setSource(url); });
    connect(searchEngine, &QHelpSearchEngine::indexingFinished, this, [this] {
        m_indexed = true;
        if (!m_engine->searchEngine()->queryWidget()->searchInput().isEmpty())
            search();
    });
    const int searchTab = m_tabs->addTab(searchPage, tr("&Search"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this, searchTab](int tab) {
        if (tab == searchTab && !m_indexed)
            m_engine->searchEngine()->reindexDocumentation();
    });
    return true;
}

void HelpWindow::search()
{
    QHelpSearchEngine* searchEngine = m_engine->searchEngine();
    if (!m_indexed) {
        searchEngine->reindexDocumentation();  // searches when the index is ready
        return;
    }
    searchEngine->search(searchEngine->queryWidget()->searchInput());
}

void HelpWindow::showMissing(const QString& collectionFile, const QString& reason)
{
    m_tabs->hide();
    m_browser->setHtml(tr("<h2>The help cannot be shown</h2>"
                          "<p>The help collection <b>%1</b> could not be opened.</p><p>%2</p>"
                          "<p>Reinstall the program to restore its help. The program itself "
                          "works without it.</p>")
                           .arg(collectionFile.toHtmlEscaped(), reason.toHtmlEscaped()));
}

void HelpWindow::showContents()
{
    if (!m_loaded)
        return;
    m_tabs->setCurrentIndex(0);
    m_browser->setSource(m_home);
}

QtHelpLauncher::QtHelpLauncher(QString collectionFile) : m_collectionFile(std::move(collectionFile)) {}

QtHelpLauncher::~QtHelpLauncher() = default;

void QtHelpLauncher::showHelpContents(QWidget*)
{
    // A window of its own, not owned by the main window, so it can stay open beside it.
    if (!m_window)
        m_window = std::make_unique<HelpWindow>(m_collectionFile);
    m_window->showContents();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
