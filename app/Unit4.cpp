// SPDX-License-Identifier: MIT
// The About box: bevelled panels, the program's icon, its name, version, notice and terms.
#include "Unit4.h"

#include "AppTexts.h"

#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QToolButton>
#include <qdrawutil.h>

namespace {

/// A panel with a lowered outer and a raised inner bevel.
class BevelPanel : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QPalette& colours = palette();
        qDrawShadePanel(&painter, rect(), colours, true, 1);
        qDrawShadePanel(&painter, rect().adjusted(1, 1, -1, -1), colours, false, 1);
    }
};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect bounds, int points, bool bold)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("Verdana"));
    font.setPointSize(points);
    font.setBold(bold);
    label->setFont(font);
    // The form's labels size themselves to their text; keep the position and grow when the
    // local font is wider than the one the box was drawn with.
    const QSize hint = label->sizeHint();
    bounds.setWidth(std::max(bounds.width(), hint.width()));
    bounds.setHeight(std::max(bounds.height(), hint.height()));
    label->setGeometry(bounds);
    return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Varden's Quillon2ADIF"));
    setFixedSize(262, 189);

    Panel1 = new BevelPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 249, 137);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(10, 10, 47, 47);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(::ProgramIcon().pixmap(QSize(48, 48)));

    Label1 = MakeLabel(Panel1, "Label1", QStringLiteral("Varden's"), {112, 8, 47, 14}, 9, true);
    ProductName = MakeLabel(Panel1, "ProductName", QStringLiteral("Quillon to ADIF Converter"), {56, 24, 176, 14}, 9, true);
    Version = MakeLabel(Panel1, "Version", QStringLiteral("Version : v1.0 - 19 Nov 2000"), {72, 40, 151, 12}, 7, false);
    Copyright = MakeLabel(Panel1, "Copyright", QStringLiteral("Copyright (C) 2000 Varden"), {8, 61, 232, 12}, 7, false);
    Comments = MakeLabel(Panel1, "Comments",
                         QStringLiteral("This program is free software. You may use it, copy it "
                                        "and pass it on to others, free of charge, provided this "
                                        "notice goes with every copy. It comes with no warranty "
                                        "of any kind."),
                         {8, 78, 233, 96}, 7, false);
    Comments->setWordWrap(true);
    Comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Comments->setGeometry(8, 78, 233, 96);  // the panel shows the part within its 137 pixels

    Panel2 = new BevelPanel(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(8, 146, 249, 39);

    SpeedButton1 = new QToolButton(Panel2);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("&Close"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // QIcon draws the disabled look from the same picture.
    SpeedButton1->setIcon(ButtonPicture(QStringLiteral("close-small")));
    SpeedButton1->setIconSize(QSize(16, 16));
    SpeedButton1->setGeometry(96, 8, 75, 25);
    connect(SpeedButton1, &QToolButton::clicked, this, &TAboutBox::SpeedButton1Click);
}

int TAboutBox::ShowModal()
{
    if (!m_placed) {
        // Centred on the screen the first time; move() also tells QDialog not to centre it
        // over the main window on later showings, so it comes back where the user left it.
        QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
        m_placed = true;
    }
    return exec();
}

void TAboutBox::SpeedButton1Click() { reject(); }
