// SPDX-License-Identifier: MIT
// The data source between a dataset and the views (data links) that observe it.
#pragma once

#include "TDataSet.h"

#include <vector>

class TDataSource {
public:
    TDataSource() = default;
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TDataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet* dataSet);
    TDataSetState State() const;

    // Internal: the dataset and the links call these.
    void AddLink(TDataLink* link);
    void RemoveLink(TDataLink* link);
    void NotifyLinks(TDataEvent event, std::intptr_t info);
    const std::vector<TDataLink*>& Links() const { return m_links; }

private:
    friend class TDataSet;
    friend class TDataLink;
    /// The dataset is being destroyed: forget it without calling it back.
    void DataSetDestroyed();

    TDataSet* m_dataSet = nullptr;
    std::vector<TDataLink*> m_links;
};

/// A view's connection to a data source: it asks for a number of buffers (the rows it
/// shows) and hears about changes through the virtual callbacks.
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    bool Active() const;
    bool Editing() const;

    /// Rows the view shows; the dataset keeps at least that many buffers (plus a spare).
    int BufferCount() const { return m_bufferCount; }
    void SetBufferCount(int count);
    /// Records in this link's window (at most BufferCount()).
    int RecordCount() const;
    /// Row of the current record within this link's window.
    int ActiveRecord() const;
    /// Makes row the buffer that field reads use (for drawing); restore it afterwards.
    void SetActiveRecord(int row);
    /// Moves the dataset by distance; returns the distance moved.
    int MoveBy(int distance);

    // Called by the data source.
    void DataEvent(TDataEvent event, std::intptr_t info);

protected:
    virtual void ActiveChanged() {}
    virtual void DataSetChanged() {}
    /// distance: the rows this link's window scrolled (positive: towards the end; 0 when only
    /// the active row moved inside it).
    virtual void DataSetScrolled(int /*distance*/) {}
    virtual void RecordChanged(TField* /*field*/) {}
    virtual void EditingChanged() {}
    virtual void UpdateData() {}
    virtual void LayoutChanged() {}
    virtual void CheckBrowseMode() {}

private:
    friend class TDataSource;
    /// Moves this link's window after the dataset's window shifted by shift rows
    /// (positive: towards the end), keeping the dataset's active row inside it.
    void AdjustWindow(int shift);

    TDataSource* m_dataSource = nullptr;
    int m_bufferCount = 1;
    int m_firstRecord = 0;  ///< offset of this link's window in the dataset's window
    bool m_active = false;   ///< what ActiveChanged last reported
    bool m_editing = false;  ///< what EditingChanged last reported
};
