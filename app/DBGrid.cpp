// SPDX-License-Identifier: MIT
// The data-aware grid: painting the dataset's buffer window, keyboard and mouse
// navigation through the dataset, cell and memo editing.
#include "DBGrid.h"

#include "AppTexts.h"
#include "Cp1252Text.h"
#include "ErrorDisplay.h"
#include "TDataSet.h"
#include "TDbf.h"
#include "TField.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleOptionHeader>
#include <QTimer>

#include <algorithm>
#include <utility>
#include <cmath>
#include <cstring>

namespace {

/// The blank title cell above the record indicator column.
class GridCorner : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QStyleOptionHeader option;
        option.initFrom(this);
        option.rect = rect();
        option.position = QStyleOptionHeader::Beginning;
        style()->drawControl(QStyle::CE_Header, &option, &painter, this);
    }
};

bool IsNumeric(TFieldType type)
{
    return type == TFieldType::ftSmallint || type == TFieldType::ftInteger ||
           type == TFieldType::ftLargeint || type == TFieldType::ftFloat;
}

/// Characters a column shows by default, by kind.
int DefaultColumnChars(const TField& field)
{
    switch (field.DataType()) {
    case TFieldType::ftString:
        return std::max(field.Size(), 1);
    case TFieldType::ftSmallint:
        return 6;
    case TFieldType::ftInteger:
        return 11;
    case TFieldType::ftLargeint:
        return 12;
    case TFieldType::ftBoolean:
        return 5;
    case TFieldType::ftFloat:
        return 12;
    case TFieldType::ftDate:
        return 11;
    case TFieldType::ftMemo:
        return 24;
    default:
        return 10;
    }
}

/// Puts the dataset's active record back to the current row when drawing is done.
class ActiveRecordRestorer {
public:
    explicit ActiveRecordRestorer(TDataLink& link) : m_link(link), m_row(link.ActiveRecord()) {}
    ~ActiveRecordRestorer() { m_link.SetActiveRecord(m_row); }
    ActiveRecordRestorer(const ActiveRecordRestorer&) = delete;
    ActiveRecordRestorer& operator=(const ActiveRecordRestorer&) = delete;

private:
    TDataLink& m_link;
    int m_row;
};

}  // namespace

// --- the link -------------------------------------------------------------

void DBGridLink::ActiveChanged() { m_grid.linkActiveChanged(); }
void DBGridLink::DataSetChanged() { m_grid.linkDataChanged(); }
void DBGridLink::DataSetScrolled(int) { m_grid.linkDataChanged(); }
void DBGridLink::RecordChanged(TField* field) { m_grid.linkRecordChanged(field); }
void DBGridLink::EditingChanged() { m_grid.linkEditingChanged(); }
void DBGridLink::UpdateData() { m_grid.linkUpdateData(); }
void DBGridLink::LayoutChanged() { m_grid.linkActiveChanged(); }
void DBGridLink::CheckBrowseMode() { m_grid.linkUpdateData(); }

// --- construction ---------------------------------------------------------

DBGrid::DBGrid(IUserPrompts& prompts, QWidget* parent) : QAbstractScrollArea(parent), m_prompts(prompts)
{
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    m_headerModel = new QStandardItemModel(this);
    m_header = new QHeaderView(Qt::Horizontal, this);
    m_header->setModel(m_headerModel);
    m_header->setFocusPolicy(Qt::NoFocus);
    m_header->setSectionsClickable(false);
    m_header->setSectionsMovable(false);
    m_header->setHighlightSections(false);
    m_header->setStretchLastSection(false);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_header->setMinimumSectionSize(8);
    connect(m_header, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    m_corner = new GridCorner(this);

    m_editor = new QLineEdit(viewport());
    m_editor->setFrame(false);
    m_editor->hide();
    m_editor->installEventFilter(this);
    connect(m_editor, &QLineEdit::textEdited, this, &DBGrid::onEditorTextEdited);

    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &DBGrid::onScrollBarAction);

    const QFontMetrics metrics(font());
    m_rowHeight = metrics.height() + 4;
    m_indicatorWidth = std::max(12, metrics.height() * 3 / 4);
    updateGeometries();
}

DBGrid::~DBGrid()
{
    m_destroying = true;
    m_link.SetDataSource(nullptr);
}

void DBGrid::SetDataSource(TDataSource* source)
{
    m_link.SetDataSource(source);
    m_link.SetBufferCount(m_visibleRows);
    linkActiveChanged();
}

TDataSet* DBGrid::dataSet() const { return m_link.DataSet(); }

bool DBGrid::active() const { return m_link.Active() && dataSet() && dataSet()->FieldCount() > 0; }

bool DBGrid::guarded(const std::function<void()>& body)
{
    const bool ok = RunGuarded(m_prompts, window(), body);
    refreshScrollBar();
    placeEditor();
    viewport()->update();
    return ok;
}

// --- notifications from the dataset -----------------------------------------

void DBGrid::linkActiveChanged()
{
    if (m_destroying)
        return;
    closeEditor();
    rebuildColumns();
    updateGeometries();
    scheduleScrollBarRefresh();
    viewport()->update();
}

void DBGrid::linkDataChanged()
{
    if (m_destroying)
        return;
    if (isEditorOpen() && !m_editorModified && dataSet() && dataSet()->State() == TDataSetState::dsBrowse)
        closeEditor();
    placeEditor();
    scheduleScrollBarRefresh();
    viewport()->update();
}

void DBGrid::linkRecordChanged(TField* field)
{
    if (m_destroying)
        return;
    if (isEditorOpen() && !m_editorModified && active() && m_column < dataSet()->FieldCount() &&
        (field == nullptr || field == &dataSet()->Fields(m_column)))
        m_editor->setText(displayText(m_column));
    viewport()->update();
}

void DBGrid::linkEditingChanged()
{
    if (m_destroying)
        return;
    if (isEditorOpen() && !m_editorModified && dataSet() && dataSet()->State() == TDataSetState::dsBrowse)
        closeEditor();
    viewport()->update();
}

void DBGrid::linkUpdateData()
{
    // Before a post or a move the dataset asks for pending text; a failure (a character
    // CP1252 lacks, a value too long) stops that post or move and keeps the editor open.
    // Outside editing there is no record to take the text (a delete has just cancelled).
    if (!m_destroying && dataSet() && (dataSet()->State() == TDataSetState::dsEdit ||
                                       dataSet()->State() == TDataSetState::dsInsert))
        commitEditor();
}

// --- layout ---------------------------------------------------------------

void DBGrid::rebuildColumns()
{
    m_headerModel->clear();
    m_column = 0;
    if (!active())
        return;
    TDataSet* ds = dataSet();
    const int count = ds->FieldCount();
    m_headerModel->setColumnCount(count);
    const QFontMetrics metrics(font());
    const int charWidth = metrics.horizontalAdvance(u'0');
    for (int column = 0; column < count; ++column) {
        const TField& field = ds->Fields(column);
        const QString title = FromCp1252(field.FieldName());
        m_headerModel->setHorizontalHeaderItem(column, new QStandardItem(title));
        const int titleWidth = metrics.horizontalAdvance(title) + 12;
        const int dataWidth = std::min(DefaultColumnChars(field), 30) * charWidth + 8;
        m_header->resizeSection(column, std::max(titleWidth, dataWidth));
    }
}

void DBGrid::updateGeometries()
{
    if (m_inGeometryUpdate) {
        m_geometryDirty = true;
        return;
    }
    m_inGeometryUpdate = true;
    for (int pass = 0; pass < 3; ++pass) {
        m_geometryDirty = false;
        const int headerHeight = std::max(m_header->sizeHint().height(), m_rowHeight);
        setViewportMargins(0, headerHeight, 0, 0);
        const QRect area = viewport()->geometry();
        m_corner->setGeometry(area.left(), area.top() - headerHeight, m_indicatorWidth, headerHeight);
        m_header->setGeometry(area.left() + m_indicatorWidth, area.top() - headerHeight,
                              std::max(0, area.width() - m_indicatorWidth), headerHeight);

        const int available = std::max(0, area.width() - m_indicatorWidth);
        QScrollBar* horizontal = horizontalScrollBar();
        horizontal->setRange(0, std::max(0, m_header->length() - available));
        horizontal->setPageStep(std::max(1, available));
        horizontal->setSingleStep(20);
        m_header->setOffset(horizontal->value());

        const int rows = std::max(1, area.height() / m_rowHeight);
        if (rows != m_visibleRows) {
            m_visibleRows = rows;
            verticalScrollBar()->setPageStep(rows);
            // More buffers mean the dataset fetches more rows (or releases some).
            RunGuarded(m_prompts, window(), [this] { m_link.SetBufferCount(m_visibleRows); });
            scheduleScrollBarRefresh();
        }
        if (!m_geometryDirty)
            break;
    }
    m_inGeometryUpdate = false;
    placeEditor();
}

void DBGrid::scheduleScrollBarRefresh()
{
    // The dataset notifies in the middle of its own work; reading RecNo there would move
    // its cursor, so the scroll bar follows once the work is done.
    if (m_scrollBarRefreshQueued)
        return;
    m_scrollBarRefreshQueued = true;
    QMetaObject::invokeMethod(this, [this] { refreshScrollBar(); }, Qt::QueuedConnection);
}

void DBGrid::refreshScrollBar()
{
    m_scrollBarRefreshQueued = false;
    QScrollBar* bar = verticalScrollBar();
    int maximum = 0;
    int position = 0;
    if (active()) {
        RunGuarded(m_prompts, window(), [&] {
            TDataSet* ds = dataSet();
            const int count = ds->RecordCount();
            // The count includes deleted records, so when it fits, every shown record fits.
            if (count > m_visibleRows) {
                maximum = count - 1;
                position = std::clamp(ds->RecNo() - 1, 0, maximum);
            }
        });
    }
    // setValue, unlike setSliderPosition, runs no slider action, so following the record
    // never moves it.  Inside a slider action the value set here is the one the bar keeps.
    const bool wasUpdating = std::exchange(m_updatingScrollBar, true);
    bar->setRange(0, maximum);
    bar->setPageStep(m_visibleRows);
    bar->setValue(position);
    m_updatingScrollBar = wasUpdating;
}

void DBGrid::ensureColumnVisible(int column)
{
    if (column < 0 || column >= m_header->count())
        return;
    const int available = std::max(0, viewport()->width() - m_indicatorWidth);
    const int left = m_header->sectionPosition(column);
    const int right = left + m_header->sectionSize(column);
    QScrollBar* horizontal = horizontalScrollBar();
    if (left < horizontal->value())
        horizontal->setValue(left);
    else if (right > horizontal->value() + available)
        horizontal->setValue(std::min(left, right - available));
}

int DBGrid::columnX(int column) const { return m_indicatorWidth + m_header->sectionViewportPosition(column); }

QRect DBGrid::cellRect(int row, int column) const
{
    if (column < 0 || column >= m_header->count())
        return {};
    return {columnX(column), row * m_rowHeight, m_header->sectionSize(column), m_rowHeight};
}

int DBGrid::rowAt(int y) const { return y < 0 ? -1 : y / m_rowHeight; }

int DBGrid::columnAt(int x) const
{
    if (x < m_indicatorWidth)
        return -1;
    return m_header->logicalIndexAt(x - m_indicatorWidth);
}

int DBGrid::currentRow() const { return active() && m_link.RecordCount() > 0 ? m_link.ActiveRecord() : -1; }

void DBGrid::setCurrentColumn(int column)
{
    if (!active())
        return;
    m_column = std::clamp(column, 0, dataSet()->FieldCount() - 1);
    ensureColumnVisible(m_column);
    viewport()->update();
}

void DBGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateGeometries();
}

void DBGrid::scrollContentsBy(int dx, int)
{
    // Only the horizontal bar scrolls pixels; the vertical one stands for the record number.
    if (dx != 0) {
        m_header->setOffset(horizontalScrollBar()->value());
        placeEditor();
        viewport()->update();
    }
}

// --- drawing --------------------------------------------------------------

QString DBGrid::displayText(int column) const
{
    const TField& field = dataSet()->Fields(column);
    QString text = FromCp1252(field.DisplayText());
    if (field.DataType() == TFieldType::ftMemo) {
        const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
        if (end >= 0)
            text.truncate(end);
    }
    return text;
}

QString DBGrid::cellText(int row, int column) const
{
    if (!active() || row < 0 || row >= m_link.RecordCount() || column < 0 || column >= dataSet()->FieldCount())
        return {};
    auto& link = const_cast<DBGridLink&>(m_link);
    ActiveRecordRestorer restore(link);
    link.SetActiveRecord(row);
    return displayText(column);
}

void DBGrid::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QPalette& colours = palette();
    painter.fillRect(event->rect(), colours.base());
    if (!active())
        return;

    TDataSet* ds = dataSet();
    const int rows = std::min(m_link.RecordCount(), m_visibleRows + 1);
    const int current = m_link.ActiveRecord();
    const int columns = std::min(ds->FieldCount(), m_header->count());
    const bool focused = hasFocus() || m_editor->hasFocus();
    const QColor lineColour = colours.color(QPalette::Mid);
    const int right = columns > 0 ? columnX(columns - 1) + m_header->sectionSize(columns - 1) : m_indicatorWidth;
    QString paintError;

    painter.save();
    painter.setClipRect(QRect(m_indicatorWidth, 0, viewport()->width() - m_indicatorWidth, viewport()->height()));
    {
        ActiveRecordRestorer restore(m_link);
        for (int row = 0; row < rows; ++row) {
            m_link.SetActiveRecord(row);
            for (int column = 0; column < columns; ++column) {
                const QRect cell = cellRect(row, column);
                if (!cell.intersects(event->rect()))
                    continue;
                QString text;
                try {
                    text = displayText(column);
                } catch (const std::exception& error) {
                    // Painting must not throw; the error is shown once, after painting.
                    paintError = EngineText(error.what());
                    text = QStringLiteral("#");
                }
                const bool isCurrent = row == current && column == m_column;
                QPalette::ColorGroup group = focused ? QPalette::Active : QPalette::Inactive;
                if (isCurrent) {
                    painter.fillRect(cell, colours.brush(group, QPalette::Highlight));
                    painter.setPen(colours.color(group, QPalette::HighlightedText));
                } else {
                    painter.setPen(colours.color(QPalette::Text));
                }
                const TField& field = ds->Fields(column);
                const QRect textRect = cell.adjusted(3, 0, -3, 0);
                const Qt::Alignment align =
                    (IsNumeric(field.DataType()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
                painter.drawText(textRect, align, painter.fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
            }
        }
    }
    // Column and row lines.
    painter.setPen(lineColour);
    for (int column = 0; column < columns; ++column) {
        const int x = columnX(column) + m_header->sectionSize(column) - 1;
        painter.drawLine(x, 0, x, rows * m_rowHeight - 1);
    }
    for (int row = 1; row <= rows; ++row)
        painter.drawLine(m_indicatorWidth, row * m_rowHeight - 1, right - 1, row * m_rowHeight - 1);
    painter.restore();

    // The record indicator column: the current record, editing, inserting.
    QStyleOptionHeader option;
    option.initFrom(this);
    for (int row = 0; row < rows; ++row) {
        option.rect = QRect(0, row * m_rowHeight, m_indicatorWidth, m_rowHeight);
        option.position = QStyleOptionHeader::Middle;
        style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, this);
        if (row != current)
            continue;
        const QPointF centre = QRectF(option.rect).center();
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colours.color(QPalette::WindowText), 1.2));
        painter.setBrush(colours.color(QPalette::WindowText));
        switch (ds->State()) {
        case TDataSetState::dsEdit: {  // an I-beam
            const qreal h = m_rowHeight * 0.28;
            painter.drawLine(QPointF(centre.x(), centre.y() - h), QPointF(centre.x(), centre.y() + h));
            painter.drawLine(QPointF(centre.x() - 2.5, centre.y() - h), QPointF(centre.x() + 2.5, centre.y() - h));
            painter.drawLine(QPointF(centre.x() - 2.5, centre.y() + h), QPointF(centre.x() + 2.5, centre.y() + h));
            break;
        }
        case TDataSetState::dsInsert: {  // an asterisk
            const qreal r = m_rowHeight * 0.22;
            for (int i = 0; i < 3; ++i) {
                const qreal angle = 3.14159265358979 / 3 * i + 3.14159265358979 / 2;
                const QPointF d(r * std::cos(angle), r * std::sin(angle));
                painter.drawLine(centre - d, centre + d);
            }
            break;
        }
        default: {  // a triangle pointing at the current record
            const qreal h = m_rowHeight * 0.22;
            QPainterPath triangle;
            triangle.moveTo(centre.x() - h * 0.6, centre.y() - h);
            triangle.lineTo(centre.x() + h * 0.8, centre.y());
            triangle.lineTo(centre.x() - h * 0.6, centre.y() + h);
            triangle.closeSubpath();
            painter.drawPath(triangle);
            break;
        }
        }
        painter.restore();
    }

    if (!paintError.isEmpty() && paintError != m_lastPaintError) {
        m_lastPaintError = paintError;
        QTimer::singleShot(0, this, [this, paintError] { m_prompts.showError(window(), ErrorDisplayText(paintError)); });
    } else if (paintError.isEmpty()) {
        m_lastPaintError.clear();
    }
}

// --- keyboard and mouse ---------------------------------------------------

bool DBGrid::event(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        const QFontMetrics metrics(font());
        m_rowHeight = metrics.height() + 4;
        m_indicatorWidth = std::max(12, metrics.height() * 3 / 4);
        updateGeometries();
    }
    return QAbstractScrollArea::event(event);
}

bool DBGrid::focusNextPrevChild(bool next)
{
    // Tab moves between cells while there is data to move in.
    if (active())
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void DBGrid::keyPressEvent(QKeyEvent* event)
{
    if (!handleKey(event))
        QAbstractScrollArea::keyPressEvent(event);
}

bool DBGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editor) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            switch (key->key()) {
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Home:
            case Qt::Key_End:
            case Qt::Key_Delete:
                // Cursor keys edit the text; Ctrl+Home/End/Delete are the grid's.
                if (!(key->modifiers() & Qt::ControlModifier))
                    return false;
                break;
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Escape:
            case Qt::Key_Insert:
            case Qt::Key_F2:
                break;
            default:
                return false;
            }
            return handleKey(key);
        }
        if (event->type() == QEvent::FocusOut) {
            viewport()->update();
            focusLeft(static_cast<QFocusEvent*>(event)->reason());
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

bool DBGrid::handleKey(QKeyEvent* event)
{
    if (!active())
        return false;
    TDataSet* ds = dataSet();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool editorOpen = isEditorOpen();
    const int lastColumn = ds->FieldCount() - 1;
    auto leaveCell = [this] {
        commitEditor();
        closeEditor();
    };
    switch (event->key()) {
    case Qt::Key_Up:
        guarded([&] { leaveCell(); ds->Prior(); });
        return true;
    case Qt::Key_Down:
        guarded([&] { leaveCell(); moveDown(); });
        return true;
    case Qt::Key_PageUp:
        guarded([&] { leaveCell(); ds->MoveBy(-m_visibleRows); });
        return true;
    case Qt::Key_PageDown:
        guarded([&] { leaveCell(); ds->MoveBy(m_visibleRows); });
        return true;
    case Qt::Key_Home:
    case Qt::Key_End: {
        const bool home = event->key() == Qt::Key_Home;
        if (ctrl) {
            guarded([&] {
                leaveCell();
                if (home)
                    ds->First();
                else
                    ds->Last();  // sets the end-of-data flag
            });
            return true;
        }
        if (editorOpen)
            return false;
        setCurrentColumn(home ? 0 : lastColumn);
        return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (editorOpen || ctrl)
            return false;
        setCurrentColumn(m_column + (event->key() == Qt::Key_Left ? -1 : 1));
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const bool back = event->key() == Qt::Key_Backtab || (mods & Qt::ShiftModifier);
        guarded([&] {
            leaveCell();
            if (!back && m_column >= lastColumn) {
                moveDown();
                m_column = 0;
            } else if (back && m_column <= 0) {
                if (ds->MoveBy(-1) != 0)
                    m_column = lastColumn;
            } else {
                m_column += back ? -1 : 1;
            }
            ensureColumnVisible(m_column);
        });
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (isMemoColumn(m_column))
            guarded([&] { leaveCell(); editMemo(); });
        else if (editorOpen)
            guarded(leaveCell);
        else
            guarded([&] { startEdit(QString()); });
        return true;
    case Qt::Key_F2:
        if (isMemoColumn(m_column))
            guarded([&] { leaveCell(); editMemo(); });
        else if (!editorOpen)
            guarded([&] { startEdit(QString()); });
        return true;
    case Qt::Key_Escape:
        if (editorOpen)
            cancelEditor();
        else if (ds->State() == TDataSetState::dsEdit || ds->State() == TDataSetState::dsInsert)
            guarded([&] { ds->Cancel(); });
        else
            return false;
        return true;
    case Qt::Key_Insert:
        if (mods & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
            return false;
        guarded([&] { leaveCell(); ds->Insert(); });
        return true;
    case Qt::Key_Delete:
        if (!ctrl)
            return false;
        guarded([&] {
            const bool inserting = ds->State() == TDataSetState::dsInsert;
            if ((ds->IsEmpty() && !inserting) || !ds->CanModify())
                return;  // nothing to delete, or a read-only log: the grid offers no deletion
            if (!m_prompts.askYesNo(window(), apptexts::kDeleteQuestion))
                return;
            closeEditor();
            if (inserting)
                ds->Cancel();
            else
                ds->Delete();
        });
        return true;
    default:
        break;
    }
    const QString text = event->text();
    if (!editorOpen && !text.isEmpty() && text.at(0).isPrint() && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        if (isMemoColumn(m_column))
            guarded([&] { editMemo(); });
        else
            guarded([&] { startEdit(text); });
        return true;
    }
    return false;
}

void DBGrid::moveDown()
{
    TDataSet* ds = dataSet();
    if (ds->State() == TDataSetState::dsInsert) {
        // An untouched new row has nothing below it.  A changed one is saved at the end of
        // the table, where it stays current: going on from there appends the next new row.
        if (!ds->Modified())
            return;
        ds->Post();
    }
    ds->Next();
    if (ds->Eof() && ds->CanModify())
        ds->Append();
}

void DBGrid::moveToRecordNumber(int recNo)
{
    TDataSet* ds = dataSet();
    const int count = ds->RecordCount();
    if (recNo <= 1) {
        ds->First();
    } else if (recNo >= count) {
        ds->Last();
    } else if (dynamic_cast<TDbf*>(ds) != nullptr) {
        // A table's bookmark is its record index, and record numbers count deleted records
        // too: a jump costs a screenful of reads wherever it lands.  On a deleted record
        // the dataset goes on to the next shown one.
        const std::int32_t index = recNo - 1;
        TBookmark bookmark(12, 0);
        std::memcpy(bookmark.data(), &index, sizeof index);
        ds->GotoBookmark(bookmark);
    } else {
        const int distance = recNo - ds->RecNo();
        if (distance != 0)
            ds->MoveBy(distance);
    }
}

void DBGrid::onScrollBarAction(int action)
{
    if (!active() || m_updatingScrollBar)
        return;
    QScrollBar* bar = verticalScrollBar();
    const int position = bar->sliderPosition();
    TDataSet* ds = dataSet();
    guarded([&] {
        commitEditor();
        closeEditor();
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            ds->Next();
            break;
        case QAbstractSlider::SliderSingleStepSub:
            ds->Prior();
            break;
        case QAbstractSlider::SliderPageStepAdd:
            ds->MoveBy(m_visibleRows);
            break;
        case QAbstractSlider::SliderPageStepSub:
            ds->MoveBy(-m_visibleRows);
            break;
        case QAbstractSlider::SliderToMinimum:
            ds->First();
            break;
        case QAbstractSlider::SliderToMaximum:
            ds->Last();
            break;
        case QAbstractSlider::SliderMove:
            moveToRecordNumber(position + 1);
            break;
        default:
            break;
        }
    });
    // guarded() put the slider where the record is; the slider applies that position.
}

void DBGrid::mousePressEvent(QMouseEvent* event)
{
    if (!active() || event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    const int row = rowAt(pos.y());
    const int column = columnAt(pos.x());
    if (row < 0 || row >= m_link.RecordCount())
        return;
    guarded([&] {
        const int current = m_link.ActiveRecord();
        if (row != current || (column >= 0 && column != m_column)) {
            commitEditor();
            closeEditor();
        }
        if (row != current)
            m_link.MoveBy(row - current);
        if (column >= 0)
            m_column = column;
    });
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!active() || event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    const int row = rowAt(pos.y());
    const int column = columnAt(pos.x());
    if (row < 0 || row >= m_link.RecordCount() || column < 0 || row != m_link.ActiveRecord())
        return;
    m_column = column;
    if (isMemoColumn(column))
        guarded([&] { editMemo(); });
    else if (!isEditorOpen())
        guarded([&] { startEdit(QString()); });
}

void DBGrid::wheelEvent(QWheelEvent* event)
{
    if (!active())
        return;
    m_wheelRemainder += event->angleDelta().y();
    const int rows = -m_wheelRemainder / 40;  // three rows per notch
    m_wheelRemainder += rows * 40;
    if (rows != 0)
        guarded([&] {
            commitEditor();
            closeEditor();
            dataSet()->MoveBy(rows);
        });
    event->accept();
}

void DBGrid::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
    focusLeft(event->reason());
}

void DBGrid::focusLeft(Qt::FocusReason reason)
{
    // A dialog of our own (a question, the memo editor) or another window taking the
    // focus does not leave the grid; the user moving the focus elsewhere does.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    QTimer::singleShot(0, this, [this] {
        QWidget* focus = QApplication::focusWidget();
        if (focus == this || (focus && isAncestorOf(focus)) || !active())
            return;
        TDataSet* ds = dataSet();
        guarded([&] {
            commitEditor();
            closeEditor();
            // A new record left without changes is dropped.
            if (ds->State() == TDataSetState::dsInsert && !ds->Modified())
                ds->Cancel();
        });
    });
}

// --- editing --------------------------------------------------------------

bool DBGrid::isEditorOpen() const { return m_editorOpen; }

bool DBGrid::isMemoColumn(int column) const
{
    return active() && column >= 0 && column < dataSet()->FieldCount() &&
           dataSet()->Fields(column).DataType() == TFieldType::ftMemo;
}

void DBGrid::startEdit(const QString& typed)
{
    TDataSet* ds = dataSet();
    if (!ds->CanModify()) {
        // Let the dataset say why ("Cannot modify a read-only dataset").
        ds->Edit();
        return;
    }
    // Typing into an empty log starts its first record.
    if (ds->IsEmpty() && ds->State() != TDataSetState::dsInsert)
        ds->Append();
    if (!typed.isNull() && ds->State() == TDataSetState::dsBrowse)
        ds->Edit();
    ensureColumnVisible(m_column);
    m_editor->setText(typed.isNull() ? displayText(m_column) : typed);
    m_editorModified = !typed.isNull();
    m_editorOpen = true;
    placeEditor();
    m_editor->show();
    m_editor->setFocus(Qt::OtherFocusReason);
    m_editor->deselect();
    m_editor->end(false);
}

void DBGrid::onEditorTextEdited()
{
    if (m_editorModified)
        return;
    TDataSet* ds = dataSet();
    // The first change puts the record into editing; a read-only log says no here.
    if (ds && ds->State() == TDataSetState::dsBrowse && !RunGuarded(m_prompts, window(), [ds] { ds->Edit(); })) {
        cancelEditor();
        return;
    }
    m_editorModified = true;
    viewport()->update();
}

void DBGrid::commitEditor()
{
    if (!isEditorOpen() || !m_editorModified || m_committing || !active() || m_column >= dataSet()->FieldCount())
        return;
    TDataSet* ds = dataSet();
    TField& field = ds->Fields(m_column);
    const std::string bytes = ToCp1252(m_editor->text());  // refuses; the editor stays open
    // Typing put the dataset into editing; the guard keeps a dataset call made from here
    // (an empty log's edit turns into an insert, which checks browse mode) from coming back.
    m_committing = true;
    try {
        if (ds->State() == TDataSetState::dsBrowse)
            ds->Edit();
        field.SetAsString(bytes);  // a value too long or not a number: the editor stays open
    } catch (...) {
        m_committing = false;
        throw;
    }
    m_committing = false;
    m_editorModified = false;
}

void DBGrid::closeEditor()
{
    if (!isEditorOpen())
        return;
    const bool hadFocus = m_editor->hasFocus();
    m_editorOpen = false;
    m_editorModified = false;
    m_editor->hide();
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void DBGrid::cancelEditor() { closeEditor(); }

void DBGrid::placeEditor()
{
    if (!isEditorOpen())
        return;
    const int row = currentRow();
    if (row < 0) {
        m_editor->hide();
        return;
    }
    QRect cell = cellRect(row, m_column).adjusted(0, 0, -1, -1);
    cell.setLeft(std::max(cell.left(), m_indicatorWidth));
    m_editor->setGeometry(cell);
    if (!m_editor->isVisible())
        m_editor->show();
}

void DBGrid::editMemo()
{
    TDataSet* ds = dataSet();
    if (!isMemoColumn(m_column) || (ds->IsEmpty() && ds->State() != TDataSetState::dsInsert))
        return;
    TField& field = ds->Fields(m_column);
    const QString original = FromCp1252(field.AsString());
    QString text = original;
    const QString title = QStringLiteral("%1 - %2").arg(FromCp1252(field.FieldName()), apptexts::kApplicationTitle);
    // The dialog comes back with the user's text after a refusal, so nothing typed is lost.
    while (m_prompts.editMemo(window(), title, text)) {
        if (text == original)
            return;
        try {
            const std::string bytes = ToCp1252(text);
            if (ds->State() == TDataSetState::dsBrowse)
                ds->Edit();
            field.SetAsString(bytes);  // held by the dataset until the record is posted
            return;
        } catch (const std::exception& error) {
            ShowError(m_prompts, window(), error);
            if (!ds->CanModify())
                return;
        }
    }
}
