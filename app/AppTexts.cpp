// SPDX-License-Identifier: MIT
// The program's pictures and the help location it was built with.
#include "AppTexts.h"

QString HelpCollectionPath()
{
    return QStringLiteral(QUILLON_HELP_COLLECTION);
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/quillon2adif-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon ButtonPicture(const QString& name)
{
    return QIcon(QStringLiteral(":/icons/%1.png").arg(name));
}
