// SPDX-License-Identifier: MIT
// The program's fixed texts (title, open dialog, question), its pictures and its help location.
#pragma once

#include <QIcon>
#include <QString>

namespace apptexts {

/// The application title: the main window's caption and the caption of every message box.
inline const QString kApplicationTitle = QStringLiteral("Varden's Quillon to ADIF Converter v1.0");
/// The open dialog's title; the odd capitals are the program's own.
inline const QString kOpenDialogTitle = QStringLiteral("Varden's QUIllon to ADIF Converter v1.0 Open Dialog");
/// One filter entry.  Both letter cases, because Linux file names are case-sensitive and
/// Quillon names its logs in capitals (QUILLON.DBF).
inline const QString kOpenDialogFilter = QStringLiteral("DBF Files (*.dbf *.DBF)");
inline const QString kDeleteQuestion = QStringLiteral("Delete record?");

}  // namespace apptexts

/// The help collection's path, fixed when the program is built.
QString HelpCollectionPath();
/// The program's icon, drawn for each size it is shown at.
QIcon ProgramIcon();
/// A tool-bar picture by name ("open", "close", "convert", "help", "about", "close-small").
QIcon ButtonPicture(const QString& name);
