// SPDX-License-Identifier: MIT
// Shared by the window tests: copies of the sample log in a temporary folder, a fixed
// local date for rewritten headers, and closing a modal dialog from a timer.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>

/// Copies samples/QUILLON.DBF and .DBT into dir under baseName (.DBF and .DBT); returns
/// the table's path.
inline QString CopySample(const QTemporaryDir& dir, const QString& baseName = QStringLiteral("QUILLON"))
{
    const QString samples = QStringLiteral(QUILLON_SAMPLES_DIR);
    const QString table = dir.filePath(baseName + QStringLiteral(".DBF"));
    const QString memo = dir.filePath(baseName + QStringLiteral(".DBT"));
    QFile::remove(table);
    QFile::remove(memo);
    if (!QFile::copy(samples + QStringLiteral("/QUILLON.DBF"), table) ||
        !QFile::copy(samples + QStringLiteral("/QUILLON.DBT"), memo))
        return {};
    const auto writable = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile::setPermissions(table, writable);
    QFile::setPermissions(memo, writable);
    return table;
}

inline QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Polls for a modal dialog and hands it to act, which must close it.  Parent the closer
/// to an object the test deletes in cleanup(): a timer left running breaks the next test.
inline QTimer* CloseModalWhenShown(QObject* parent, std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer(parent);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act = std::move(act)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            act(modal);
        }
    });
    timer->start();
    return timer;
}
