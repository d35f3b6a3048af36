// SPDX-License-Identifier: MIT
// The data source and the data links through which views follow a dataset.
#include "TDataSource.h"

#include <algorithm>

TDataSource::~TDataSource()
{
    SetDataSet(nullptr);
    for (TDataLink* link : m_links)
        link->m_dataSource = nullptr;
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == m_dataSet)
        return;
    if (m_dataSet != nullptr)
        m_dataSet->RemoveDataSource(this);
    m_dataSet = dataSet;
    if (m_dataSet != nullptr)
        m_dataSet->AddDataSource(this);
    NotifyLinks(TDataEvent::deUpdateState, 0);
}

void TDataSource::DataSetDestroyed()
{
    m_dataSet = nullptr;
    NotifyLinks(TDataEvent::deUpdateState, 0);
}

TDataSetState TDataSource::State() const
{
    return m_dataSet != nullptr ? m_dataSet->State() : TDataSetState::dsInactive;
}

void TDataSource::AddLink(TDataLink* link)
{
    if (std::find(m_links.begin(), m_links.end(), link) == m_links.end())
        m_links.push_back(link);
    if (m_dataSet != nullptr)
        m_dataSet->UpdateBufferCount();
}

void TDataSource::RemoveLink(TDataLink* link)
{
    m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
    if (m_dataSet != nullptr)
        m_dataSet->UpdateBufferCount();
}

void TDataSource::NotifyLinks(TDataEvent event, std::intptr_t info)
{
    // By index: a link may leave the source from inside its callback.
    for (std::size_t i = 0; i < m_links.size(); ++i)
        m_links[i]->DataEvent(event, info);
}

TDataLink::~TDataLink()
{
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource* source)
{
    if (source == m_dataSource)
        return;
    if (m_dataSource != nullptr)
        m_dataSource->RemoveLink(this);
    m_dataSource = source;
    m_firstRecord = 0;
    if (m_dataSource != nullptr)
        m_dataSource->AddLink(this);
    DataEvent(TDataEvent::deUpdateState, 0);
}

TDataSet* TDataLink::DataSet() const
{
    return m_dataSource != nullptr ? m_dataSource->DataSet() : nullptr;
}

bool TDataLink::Active() const
{
    TDataSet* dataSet = DataSet();
    return dataSet != nullptr && dataSet->Active();
}

bool TDataLink::Editing() const
{
    TDataSet* dataSet = DataSet();
    return dataSet != nullptr &&
           (dataSet->State() == TDataSetState::dsEdit || dataSet->State() == TDataSetState::dsInsert);
}

void TDataLink::SetBufferCount(int count)
{
    if (count < 1)
        count = 1;
    if (count == m_bufferCount)
        return;
    m_bufferCount = count;
    if (TDataSet* dataSet = DataSet()) {
        dataSet->UpdateBufferCount();
        AdjustWindow(0);
    }
}

int TDataLink::RecordCount() const
{
    TDataSet* dataSet = DataSet();
    if (dataSet == nullptr || !dataSet->Active())
        return 0;
    return std::clamp(dataSet->WindowRecordCount() - m_firstRecord, 0, m_bufferCount);
}

int TDataLink::ActiveRecord() const
{
    TDataSet* dataSet = DataSet();
    if (dataSet == nullptr || !dataSet->Active())
        return 0;
    return dataSet->ActiveRecord() - m_firstRecord;
}

void TDataLink::SetActiveRecord(int row)
{
    if (TDataSet* dataSet = DataSet())
        dataSet->SetActiveRecordIndex(row + m_firstRecord);
}

int TDataLink::MoveBy(int distance)
{
    TDataSet* dataSet = DataSet();
    return dataSet != nullptr ? dataSet->MoveBy(distance) : 0;
}

void TDataLink::AdjustWindow(int shift)
{
    TDataSet* dataSet = DataSet();
    if (dataSet == nullptr || !dataSet->Active()) {
        m_firstRecord = 0;
        return;
    }
    int first = m_firstRecord - shift;
    int active = dataSet->ActiveRecord();
    if (active < first)
        first = active;
    else if (active >= first + m_bufferCount)
        first = active - m_bufferCount + 1;
    // Keep the link's window full when the dataset's window has the rows for it.
    int count = dataSet->WindowRecordCount();
    if (first + m_bufferCount > count)
        first = count - m_bufferCount;
    m_firstRecord = std::max(first, 0);
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info)
{
    switch (event) {
    case TDataEvent::deUpdateState: {
        bool active = Active();
        bool editing = Editing();
        if (active != m_active) {
            m_active = active;
            m_editing = editing;
            m_firstRecord = 0;
            AdjustWindow(0);
            ActiveChanged();
        } else if (editing != m_editing) {
            m_editing = editing;
            EditingChanged();
        }
        break;
    }
    case TDataEvent::deDataSetChange:
        AdjustWindow(0);
        DataSetChanged();
        break;
    case TDataEvent::deDataSetScroll: {
        int shift = static_cast<int>(info);
        int oldFirst = m_firstRecord;
        AdjustWindow(shift);
        DataSetScrolled(m_firstRecord - (oldFirst - shift));
        break;
    }
    case TDataEvent::deRecordChange:
        RecordChanged(nullptr);
        break;
    case TDataEvent::deFieldChange:
        RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case TDataEvent::deLayoutChange:
        LayoutChanged();
        break;
    case TDataEvent::deUpdateRecord:
        UpdateData();
        break;
    case TDataEvent::deCheckBrowseMode:
        CheckBrowseMode();
        break;
    }
}
