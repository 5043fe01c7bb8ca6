// frmabout.cpp -- the about box's picture, labels, web-site link and "Exit".
#include "app/frmabout.h"

#include "app/Logo.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaly {

frmabout::frmabout(UrlOpener opener, QWidget* parent) : QDialog(parent), opener_(std::move(opener)) {
    setObjectName("frmabout");
    setWindowTitle("About Tessaly");
    setModal(true);

    auto* picture = new QLabel(this);
    picture->setObjectName("Picture1");
    picture->setPixmap(tessalyLogo(72, devicePixelRatioF()));

    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        return l;
    };
    QLabel* product = label("SkinLabel1", "Tessaly");
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    product->setFont(big);
    QLabel* version = label("SkinLabel2", "Version 1.50");
    QLabel* what = label("SkinLabel3", "Backs up and restores the mail, news, accounts, address book,\n"
                                       "rules, blocked senders, signatures, stationery and settings\n"
                                       "of one Outlook Express identity.");
    QLabel* scheduled = label("SkinLabel4", "Scheduled backups run without any window.");
    QLabel* site = label("SkinLabel5", QStringLiteral("<a href=\"%1\">%1</a>").arg(kWebsiteAddress));
    site->setTextFormat(Qt::RichText);
    site->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(site, &QLabel::linkActivated, this, [this](const QString& link) {
        if (opener_)
            opener_(QUrl(link));
    });
    QLabel* licence = label("SkinLabel6", "Free software: use it, study it, share it.");
    QLabel* credits = label("SkinLabel7", "Built with Qt and libzip.");

    auto* line = new QFrame(this);
    line->setObjectName("Line1");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* exitButton = new QPushButton("&Exit", this);
    exitButton->setObjectName("Command3");
    exitButton->setDefault(true);
    connect(exitButton, &QPushButton::clicked, this, &frmabout::Command3_Click);

    auto* texts = new QVBoxLayout;
    for (QLabel* l : {product, version, what, scheduled, site})
        texts->addWidget(l);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto* bottom = new QHBoxLayout;
    auto* smallPrint = new QVBoxLayout;
    smallPrint->addWidget(licence);
    smallPrint->addWidget(credits);
    bottom->addLayout(smallPrint, 1);
    bottom->addWidget(exitButton, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(line);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmabout::Command3_Click() {
    accept();
    // The window that opened the box comes back to the front; a modal window in between keeps its place.
    if (QWidget* owner = parentWidget(); owner && owner->isVisible()) {
        owner->raise();
        owner->activateWindow();
    }
}

} // namespace tessaly
