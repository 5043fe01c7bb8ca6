// frmDiscInfo.cpp -- the "Disc Information" window: what the loaded disc is; closing its session or disc.
#include "disc/ui/frmDiscInfo.h"
#include "uikit/ScreenFit.h"

#include "disc/DriveErrorText.h"
#include "disc/ui/DiscFormats.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaly {

namespace {

QPushButton* button(const char* name, const char* caption, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

// A check box that only shows a fact: the pointer never hits it and it takes no focus.
class FactBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint&) const override { return false; }
};

QCheckBox* factBox(const char* name, const char* caption, QWidget* parent) {
    auto* box = new FactBox(QString::fromUtf8(caption), parent);
    box->setObjectName(name);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

void setText(QLabel* label, const std::optional<std::string>& text) {
    if (text)
        label->setText(QString::fromStdString(*text));
}

void setFact(QCheckBox* box, bool fact) {
    box->setCheckState(fact ? Qt::Checked : Qt::Unchecked);
}

} // namespace

frmDiscInfo::frmDiscInfo(DiscWriter& objCDR, Ui& ui, QWidget* parent) : DiscJobDialog(objCDR, ui, parent) {
    setObjectName("frmDiscInfo");
    setWindowTitle("Disc Information");
    buildControls();
    fitToScreen(this);
    mobjDVDPro_.addListener(this);
}

frmDiscInfo::~frmDiscInfo() {
    mobjDVDPro_.removeListener(this);
}

void frmDiscInfo::buildControls() {
    auto* layout = new QVBoxLayout(scrollingBody(this));
    auto* grid = new QGridLayout;
    const std::pair<const char*, const char*> rows[] = {
        {"lblValueMediaType", "Media Type:"},
        {"lblValueDiscStatus", "Disc Status:"},
        {"lblValueFreeSpace", "Free Space:"},
        {"lblValueUsedSpace", "Used Space:"},
        {"lblValueTotalCapacity", "Total Capacity:"},
        {"lblValueSessions", "Number of Sessions:"},
        {"lblValueLastSessionStatus", "Last Session Status:"},
        {"lblValueDiscType", "Disc Type (CD Only):"},
    };
    QLabel** values[] = {&lblValueMediaType_,         &lblValueDiscStatus_,    &lblValueFreeSpace_,
                         &lblValueUsedSpace_,         &lblValueTotalCapacity_, &lblValueSessions_,
                         &lblValueLastSessionStatus_, &lblValueDiscType_};
    for (int i = 0; i < 8; ++i) {
        auto* caption = new QLabel(rows[i].second, this);
        caption->setObjectName(QString(rows[i].first).replace("lblValue", "lbl"));
        *values[i] = new QLabel("N/A", this);
        (*values[i])->setObjectName(rows[i].first);
        grid->addWidget(caption, i, 0);
        grid->addWidget(*values[i], i, 1);
    }
    grid->setColumnMinimumWidth(1, 160);
    layout->addLayout(grid);

    auto* fraFileSystems = new QGroupBox("Detected File Systems", this);
    fraFileSystems->setObjectName("fraFileSystems");
    auto* fsLayout = new QGridLayout(fraFileSystems);
    chkISO9660FS_ = factBox("chkISO9660FS", "ISO9660", fraFileSystems);
    chkJolietFS_ = factBox("chkJolietFS", "Joliet", fraFileSystems);
    chkUDFFS_ = factBox("chkUDFFS", "UDF (1.0 or Higher)", fraFileSystems);
    chkOtherFS_ = factBox("chkOtherFS", "Other", fraFileSystems);
    fsLayout->addWidget(chkISO9660FS_, 0, 0);
    fsLayout->addWidget(chkJolietFS_, 0, 1);
    fsLayout->addWidget(chkUDFFS_, 1, 0);
    fsLayout->addWidget(chkOtherFS_, 1, 1);
    layout->addWidget(fraFileSystems);

    chkMultiSessionAllowed_ = factBox("chkMultiSessionAllowed", "Multi-Session Allowed", this);
    chkImportPermitted_ = factBox("chkImportPermitted", "Import Allowed", this);
    layout->addWidget(chkMultiSessionAllowed_);
    layout->addWidget(chkImportPermitted_);

    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName("lblStatus");
    layout->addWidget(lblStatus_);

    auto* buttons = new QHBoxLayout;
    cmdCloseDisc_ = button("cmdCloseDisc", "Close &Disc", this);
    cmdCloseSession_ = button("cmdCloseSession", "Close &Session", this);
    cmdOK_ = button("cmdOK", "&OK", this);
    buttons->addWidget(cmdCloseDisc_);
    buttons->addWidget(cmdCloseSession_);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK_);
    layout->addLayout(buttons);

    connect(cmdCloseDisc_, &QPushButton::clicked, this, [this] { closeMedia(true); });
    connect(cmdCloseSession_, &QPushButton::clicked, this, [this] { closeMedia(false); });
    connect(cmdOK_, &QPushButton::clicked, this, [this] { close(); });
}

void frmDiscInfo::FillDiscInfo() {
    cmdCloseDisc_->setEnabled(false);
    cmdCloseSession_->setEnabled(false);
    busy_ = false;
    lblValueSessions_->setText(QString::number(mobjDVDPro_.SessionCount()));
    setText(lblValueMediaType_, MediaTypeText(mobjDVDPro_.MediaType()));
    setText(lblValueDiscStatus_, DiscStatusText(mobjDVDPro_.DiscStatus()));
    setText(lblValueDiscType_, DiscTypeText(mobjDVDPro_.DiscType()));
    const auto space = [this](long long blocks) {
        return QString::fromStdString(FormatMegabytes(mobjDVDPro_.BlocksToBytes(blocks, 1)));
    };
    lblValueFreeSpace_->setText(space(mobjDVDPro_.FreeBlocks()));
    lblValueUsedSpace_->setText(space(mobjDVDPro_.UsedBlocks()));
    lblValueTotalCapacity_->setText(space(mobjDVDPro_.TotalBlocks()));
    const int sessionStatus = mobjDVDPro_.LastSessionStatus();
    setText(lblValueLastSessionStatus_, LastSessionStatusText(sessionStatus));
    if (sessionStatus == kSessionIncomplete) {
        cmdCloseSession_->setEnabled(true);
        cmdCloseDisc_->setEnabled(true);
    }
    setFact(chkMultiSessionAllowed_, mobjDVDPro_.MultiSessionAllowed());
    setFact(chkImportPermitted_, mobjDVDPro_.ImportAllowed());
    setFact(chkISO9660FS_, mobjDVDPro_.HasFileSystem(kFsIso9660));
    setFact(chkJolietFS_, mobjDVDPro_.HasFileSystem(kFsJoliet));
    setFact(chkUDFFS_, mobjDVDPro_.HasFileSystem(kFsUdf));
    setFact(chkOtherFS_, mobjDVDPro_.HasFileSystem(kFsOther));
}

void frmDiscInfo::closeMedia(bool wholeDisc) {
    busy_ = true;
    cmdOK_->setEnabled(false);
    cmdCloseDisc_->setEnabled(false);
    cmdCloseSession_->setEnabled(false);
    if (mobjDVDPro_.CloseMedia(wholeDisc))
        return;
    message(wholeDisc ? "Error attempting to Close Disc!" : "Error attempting to Close Session!",
            MsgIcon::Critical);
    busy_ = false;
    cmdOK_->setEnabled(true);
    cmdCloseDisc_->setEnabled(true);
    cmdCloseSession_->setEnabled(true);
}

// The window follows only the close it started; the writing window's jobs are not its business.
void frmDiscInfo::ClosingDisc() {
    if (busy_)
        lblStatus_->setText("...Closing Disc...");
}

void frmDiscInfo::ClosingSession() {
    if (busy_)
        lblStatus_->setText("...Closing Session...");
}

void frmDiscInfo::WriteDone() {
    if (!busy_)
        return;
    lblStatus_->setText("Closing Successful!!");
    FillDiscInfo();
    message("Session/Disc Closed Successful!", MsgIcon::Information);
    busy_ = false;
    cmdOK_->setEnabled(true);
}

void frmDiscInfo::DriveError(int kind, int code, const std::string& text, const std::string& senseData) {
    if (!busy_)
        return;
    message(DriveErrorMessage(kind, code, text, senseData), MsgIcon::Critical);
    busy_ = false;
    close();
}

frmDiscInfo* ShowDiscInfo(DiscWriter& objCDR, Ui& ui, QWidget* frmParent) {
    if (objCDR.MediaType() == kMediaNotLoaded) {
        ui.messageBox("No Media Loaded...Cannot Get Disc Info!", kAppTitle, MsgIcon::Information,
                      MsgButtons::Ok);
        return nullptr;
    }
    // One information window per writing window: asking again brings it forward with fresh facts.
    if (frmParent) {
        if (auto* open = frmParent->findChild<frmDiscInfo*>("frmDiscInfo", Qt::FindDirectChildrenOnly)) {
            open->show();
            open->raise();
            if (!open->busy())
                open->FillDiscInfo();
            return open;
        }
    }
    auto* window = new frmDiscInfo(objCDR, ui, frmParent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::NonModal);
    window->show();
    window->FillDiscInfo();
    return window;
}

} // namespace tessaly
