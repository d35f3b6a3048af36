// SPDX-License-Identifier: MIT
// DBGrid: the data-aware grid that shows and edits a dataset through a data source.
#pragma once

#include "TDataSource.h"

#include <QAbstractScrollArea>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class IUserPrompts;
class QHeaderView;
class QLineEdit;
class QStandardItemModel;
class TField;
class DBGrid;

/// The grid's connection to the data source: turns the dataset's notifications into
/// repaints and scroll-bar updates of the grid.
class DBGridLink : public TDataLink {
public:
    explicit DBGridLink(DBGrid& grid) : m_grid(grid) {}

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void RecordChanged(TField* field) override;
    void EditingChanged() override;
    void UpdateData() override;
    void LayoutChanged() override;
    void CheckBrowseMode() override;

private:
    DBGrid& m_grid;
};

/// A grid over a dataset, the way a data-aware grid works: one record buffer of the
/// dataset per visible row, the current row is the dataset's current record, and every
/// movement goes through the dataset's navigation; it never reads the whole table.
///
/// Keys: arrows, Tab/Shift+Tab, PgUp/PgDn, Home/End (columns), Ctrl+Home/Ctrl+End (First/
/// Last), F2 or typing to edit a cell, Enter to end a cell edit, Esc to cancel the cell
/// edit and then the record edit, Insert for a new record, Down on the last row to append,
/// Ctrl+Delete to delete after a question.  Memo cells open a text editor dialog on F2,
/// Enter or a double click.  Errors go to the prompts' error display.
class DBGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    DBGrid(IUserPrompts& prompts, QWidget* parent = nullptr);
    ~DBGrid() override;

    TDataSource* DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource* source);

    /// Rows that fit in the viewport below the title row (the link's buffer count).
    int visibleRowCount() const { return m_visibleRows; }
    int currentColumn() const { return m_column; }
    void setCurrentColumn(int column);
    /// The displayed text of a cell in the window of shown records (row 0 is the top row).
    QString cellText(int row, int column) const;
    /// The cell's rectangle in viewport coordinates.
    QRect cellRect(int row, int column) const;
    int rowHeight() const { return m_rowHeight; }
    int indicatorWidth() const { return m_indicatorWidth; }
    /// Row of the current record within the shown rows, or -1.
    int currentRow() const;

    bool isEditorOpen() const;
    QLineEdit* cellEditor() const { return m_editor; }
    QHeaderView* titleRow() const { return m_header; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class DBGridLink;

    TDataSet* dataSet() const;
    bool active() const;
    bool guarded(const std::function<void()>& body);

    // Notifications from the link.
    void linkActiveChanged();
    void linkDataChanged();
    void linkRecordChanged(TField* field);
    void linkEditingChanged();
    void linkUpdateData();

    // Layout.
    void rebuildColumns();
    void updateGeometries();
    void scheduleScrollBarRefresh();
    void refreshScrollBar();
    void ensureColumnVisible(int column);
    int columnX(int column) const;
    int rowAt(int y) const;
    int columnAt(int x) const;

    // Keyboard and navigation.
    bool handleKey(QKeyEvent* event);
    void moveDown();
    void moveToRecordNumber(int recNo);
    void onScrollBarAction(int action);
    void focusLeft(Qt::FocusReason reason);

    // Editing.
    bool isMemoColumn(int column) const;
    void startEdit(const QString& typed);
    void commitEditor();
    void closeEditor();
    void cancelEditor();
    void placeEditor();
    void editMemo();
    void onEditorTextEdited();

    QString displayText(int column) const;

    IUserPrompts& m_prompts;
    DBGridLink m_link{*this};
    QHeaderView* m_header = nullptr;
    QStandardItemModel* m_headerModel = nullptr;
    QWidget* m_corner = nullptr;
    QLineEdit* m_editor = nullptr;
    bool m_editorOpen = false;
    bool m_editorModified = false;
    bool m_committing = false;
    bool m_destroying = false;
    bool m_inGeometryUpdate = false;
    bool m_geometryDirty = false;
    bool m_scrollBarRefreshQueued = false;
    bool m_updatingScrollBar = false;
    int m_wheelRemainder = 0;
    int m_column = 0;
    int m_visibleRows = 1;
    int m_rowHeight = 18;
    int m_indicatorWidth = 12;
    QString m_lastPaintError;
};
