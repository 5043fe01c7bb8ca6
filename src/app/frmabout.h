// frmabout.h -- the about box: the product's name and version, a link to the web site, "Exit".
#pragma once

#include "app/AppLinks.h"

#include <QDialog>

namespace tessaly {

class frmabout : public QDialog {
    Q_OBJECT
public:
    // opener is asked to open the web site when the link is clicked.
    explicit frmabout(UrlOpener opener, QWidget* parent = nullptr);

private:
    void Command3_Click();
    UrlOpener opener_;
};

} // namespace tessaly
