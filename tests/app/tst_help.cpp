// SPDX-License-Identifier: MIT
// The help window over the collection built from the program's help pages, and its
// own report of a missing collection.
#include "HelpWindow.h"

#include <QHelpContentModel>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QHelpSearchEngine>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

class HelpTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void opensAtContentsWithIndexAndSearch();
    void missingCollectionIsReportedInTheWindow();

private:
    QTemporaryDir m_cache;
};

void HelpTest::initTestCase()
{
    // The window copies the collection into the user's cache; keep that in the test's own.
    QVERIFY(m_cache.isValid());
    qputenv("XDG_CACHE_HOME", m_cache.path().toLocal8Bit());
}

void HelpTest::opensAtContentsWithIndexAndSearch()
{
    HelpWindow window(QStringLiteral(QUILLON_BUILD_HELP_COLLECTION));
    QVERIFY(window.isLoaded());
    window.showContents();
    QCOMPARE(window.tabs()->currentIndex(), 0);
    QTRY_VERIFY(window.browser()->toPlainText().contains(QStringLiteral("turns a logbook kept by the Quillon")));

    QHelpEngine* engine = window.engine();
    QHelpContentModel* contents = engine->contentModel();
    QTRY_COMPARE(contents->rowCount(), 1);
    QCOMPARE(contents->rowCount(contents->index(0, 0)), 5);  // the five topics under the start page

    QHelpIndexModel* index = engine->indexModel();
    QTRY_VERIFY(index->rowCount() > 30);
    QVERIFY(index->stringList().contains(QStringLiteral("Field too long")));

    QHelpSearchEngine* search = engine->searchEngine();
    QSignalSpy indexed(search, &QHelpSearchEngine::indexingFinished);
    search->reindexDocumentation();
    QVERIFY(indexed.wait(30000));
    QSignalSpy searched(search, &QHelpSearchEngine::searchingFinished);
    search->search(QStringLiteral("IOTA"));
    QVERIFY(searched.wait(30000));
    QVERIFY(search->searchResultCount() >= 1);
}

void HelpTest::missingCollectionIsReportedInTheWindow()
{
    const QString missing = m_cache.filePath(QStringLiteral("nowhere/quillon2adif.qhc"));
    HelpWindow window(missing);
    QVERIFY(!window.isLoaded());
    window.showContents();  // does nothing more, and raises nothing
    const QString text = window.browser()->toPlainText();
    QVERIFY(text.contains(QStringLiteral("The help cannot be shown")));
    QVERIFY(text.contains(missing));
}

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
