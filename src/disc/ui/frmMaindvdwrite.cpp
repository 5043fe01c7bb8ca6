// frmMaindvdwrite.cpp -- the writing window's controls, menus, start and closing.
#include "disc/ui/frmMaindvdwrite.h"
#include "uikit/ScreenFit.h"

#include "disc/ui/DiscIcons.h"
#include "disc/ui/ImageViews.h"
#include "disc/ui/frmDiscInfo.h"
#include "disc/ui/frmErase.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace tessaly {

namespace {

QCheckBox* checkBox(const char* name, const char* caption, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(name);
    return box;
}

QPushButton* button(const char* name, const char* caption, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QAction* menuEntry(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(name);
    return action;
}

} // namespace

frmMaindvdwrite::frmMaindvdwrite(DiscWriter& control, Ui& ui, DiscHandOver handOver, DiscWindowHooks hooks,
                                 QWidget* parent)
    : QDialog(parent), control_(control), ui_(ui), handOver_(std::move(handOver)), hooks_(std::move(hooks)) {
    setObjectName("frmMaindvdwrite");
    setWindowTitle("Backup your data to CD and DVD");
    setModal(true);
    buildControls();
    fitToScreen(this);
    control_.addListener(this);
    Form_Load();
}

frmMaindvdwrite::~frmMaindvdwrite() {
    control_.removeListener(this);
}

void frmMaindvdwrite::buildControls() {
    auto* layout = new QVBoxLayout(scrollingBody(this));
    buildMenus();

    layout->addWidget(buildOptions());

    auto* driveRow = new QHBoxLayout;
    auto* lblDevices = new QLabel("&Drive:", this);
    lblDevices->setObjectName("lblDevices");
    cboDevices_ = new QComboBox(this);
    cboDevices_->setObjectName("cboDevices");
    cboDevices_->setMinimumWidth(260);
    auto* lblWriteSpeed = new QLabel("Write S&peed:", this);
    lblWriteSpeed->setObjectName("lblWriteSpeed");
    cboWriteSpeed_ = new QComboBox(this);
    cboWriteSpeed_->setObjectName("cboWriteSpeed");
    cboWriteSpeed_->setMinimumWidth(80);
    lblDevices->setBuddy(cboDevices_);
    lblWriteSpeed->setBuddy(cboWriteSpeed_);
    cmdWriteDisc_ = button("cmdWriteDisc", "&Write Disc", this);
    cmdCancel_ = button("cmdCancel", "&Cancel", this);
    driveRow->addWidget(lblDevices);
    driveRow->addWidget(cboDevices_, 1);
    driveRow->addWidget(lblWriteSpeed);
    driveRow->addWidget(cboWriteSpeed_);
    driveRow->addWidget(cmdWriteDisc_);
    driveRow->addWidget(cmdCancel_);
    layout->addLayout(driveRow);

    auto* lblDragDrop = new QLabel("Drag and Drop Files or Folders", this);
    lblDragDrop->setObjectName("lblDragDrop");
    layout->addWidget(lblDragDrop);
    layout->addWidget(buildImageArea(), 1);

    prgTotalProgress_ = new QProgressBar(this);
    prgTotalProgress_->setObjectName("prgTotalProgress");
    prgTotalProgress_->setRange(0, 100);
    prgTotalProgress_->setValue(0);
    layout->addWidget(prgTotalProgress_);

    auto* sbrStatus = new QStatusBar(this);
    sbrStatus->setObjectName("sbrStatus");
    sbrStatus->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(sbrStatus);
        panels_[i]->setObjectName(QString("sbrStatusPanel%1").arg(i + 1));
        panels_[i]->setMinimumWidth(i == 0 ? 320 : 110);
        sbrStatus->addWidget(panels_[i], i == 0 ? 1 : 0);
    }
    layout->addWidget(sbrStatus);

    connect(cboDevices_, &QComboBox::currentIndexChanged, this, [this] { cboDevices_Click(); });
    connect(cboWriteSpeed_, &QComboBox::currentIndexChanged, this, [this] { cboWriteSpeed_Click(); });
    connect(cmdWriteDisc_, &QPushButton::clicked, this, [this] { cmdWriteDisc_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    resize(780, 600);
}

QWidget* frmMaindvdwrite::buildOptions() {
    auto* row = new QWidget(this);
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);

    auto* fraWriteOptions = new QGroupBox("Write Options", row);
    fraWriteOptions->setObjectName("fraWriteOptions");
    auto* writeLayout = new QVBoxLayout(fraWriteOptions);
    chkAutoVerify_ = checkBox("chkAutoVerify", "Auto-&Verify File Data", fraWriteOptions);
    chkTestWrite_ = checkBox("chkTestWrite", "Te&st Write (Invalid for DVD Formats)", fraWriteOptions);
    chkFinalizeDisc_ =
        checkBox("chkFinalizeDisc", "Fina&lize Disc (No Further Writing Possible)", fraWriteOptions);
    chkCacheImage_ = checkBox("chkCacheImage", "Cache &Image Before Writing (CDR/W Only)", fraWriteOptions);
    chkUseBurnProof_ =
        checkBox("chkUseBurnProof", "Use &Buffer Protection (Burn Proof,JustLink,etc.)", fraWriteOptions);
    for (QCheckBox* box : {chkAutoVerify_, chkTestWrite_, chkFinalizeDisc_, chkCacheImage_, chkUseBurnProof_})
        writeLayout->addWidget(box);

    auto* fraImageOptions = new QGroupBox("Data Options", row);
    fraImageOptions->setObjectName("fraImageOptions");
    auto* imageLayout = new QGridLayout(fraImageOptions);
    auto* lblVolIdentifier = new QLabel("V&olume ID:", fraImageOptions);
    lblVolIdentifier->setObjectName("lblVolIdentifier");
    txtVolIdentifier_ = new QLineEdit("Outlook Express Data Disc", fraImageOptions);
    txtVolIdentifier_->setObjectName("txtVolIdentifier");
    lblVolIdentifier->setBuddy(txtVolIdentifier_);
    chkUseMode2XA_ = checkBox("chkUseMode2XA", "&Mode2XA instead of Mode1 (CDR/W Only)", fraImageOptions);
    chkDVDHighCompMode_ =
        checkBox("chkDVDHighCompMode", "DVD &High Compatibility (Write at least 1GB)", fraImageOptions);
    chkUseJoliet_ =
        checkBox("chkUseJoliet", "Include &Joliet Directories (64 char file names)", fraImageOptions);
    chkUseJoliet_->setChecked(true);
    imageLayout->addWidget(lblVolIdentifier, 0, 0);
    imageLayout->addWidget(txtVolIdentifier_, 0, 1);
    imageLayout->addWidget(chkUseMode2XA_, 1, 0, 1, 2);
    imageLayout->addWidget(chkDVDHighCompMode_, 2, 0, 1, 2);
    imageLayout->addWidget(chkUseJoliet_, 3, 0, 1, 2);
    imageLayout->setRowStretch(4, 1);

    rowLayout->addWidget(fraWriteOptions);
    rowLayout->addWidget(fraImageOptions);

    connect(chkCacheImage_, &QCheckBox::clicked, this, [this](bool on) { chkCacheImage_Click(on); });
    connect(chkUseJoliet_, &QCheckBox::clicked, this, [this](bool on) { chkUseJoliet_Click(on); });
    connect(chkUseMode2XA_, &QCheckBox::clicked, this, [this](bool on) { chkUseMode2XA_Click(on); });
    connect(txtVolIdentifier_, &QLineEdit::textChanged, this,
            [this](const QString& text) { txtVolIdentifier_Change(text); });
    return row;
}

QWidget* frmMaindvdwrite::buildImageArea() {
    imageArea_ = new QWidget(this);
    imageArea_->setObjectName("imageArea");
    auto* layout = new QHBoxLayout(imageArea_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    tvwDirectories_ = new ImageView(imageArea_);
    tvwDirectories_->setObjectName("tvwDirectories");
    tvwDirectories_->setHeaderHidden(true);
    tvwDirectories_->setColumnCount(1);
    tvwDirectories_->setFixedWidth(220);

    imgSplitter_ = new SplitterBar(imageArea_);
    imgSplitter_->setObjectName("imgSplitter");

    lvwImageFiles_ = new ImageView(imageArea_);
    lvwImageFiles_->setObjectName("lvwImageFiles");
    lvwImageFiles_->setRootIsDecorated(false);
    lvwImageFiles_->setColumnCount(3);
    lvwImageFiles_->setHeaderLabels({"File Name", "Size", "Date"});
    lvwImageFiles_->header()->resizeSection(0, 200);
    lvwImageFiles_->header()->resizeSection(1, 100);

    layout->addWidget(tvwDirectories_);
    layout->addWidget(imgSplitter_);
    layout->addWidget(lvwImageFiles_, 1);

    picSplitter_ = new QFrame(imageArea_);
    picSplitter_->setObjectName("picSplitter");
    picSplitter_->setFrameShape(QFrame::NoFrame);
    picSplitter_->setAutoFillBackground(true);
    QPalette dark = picSplitter_->palette();
    dark.setColor(QPalette::Window, QColor(64, 64, 64));
    picSplitter_->setPalette(dark);
    picSplitter_->hide();

    tvwDirectories_->onDrop = [this](const QStringList& paths) { AddDroppedItems(paths); };
    lvwImageFiles_->onDrop = [this](const QStringList& paths) { AddDroppedItems(paths); };
    tvwDirectories_->onRightRelease = [this](const QPoint& at) { popupFileMenu(true, at); };
    lvwImageFiles_->onRightRelease = [this](const QPoint& at) { popupFileMenu(false, at); };
    tvwDirectories_->beforeLabelEdit = [this](QTreeWidgetItem* node) {
        return tvwDirectories_BeforeLabelEdit(node);
    };
    tvwDirectories_->afterLabelEdit = [this](QTreeWidgetItem* node, const QString& text) {
        return tvwDirectories_AfterLabelEdit(node, text);
    };
    lvwImageFiles_->afterLabelEdit = [this](QTreeWidgetItem* row, const QString& text) {
        return lvwImageFiles_AfterLabelEdit(row, text);
    };
    connect(tvwDirectories_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node) { ShowFolderFiles(node->data(0, Qt::UserRole).toString()); });
    imgSplitter_->onPress = [this](int x) { imgSplitter_MouseDown(x); };
    imgSplitter_->onDrag = [this](int x) { imgSplitter_MouseMove(x); };
    imgSplitter_->onRelease = [this](int x) { imgSplitter_MouseUp(x); };
    return imageArea_;
}

void frmMaindvdwrite::buildMenus() {
    auto* bar = new QMenuBar(this);
    bar->setObjectName("mnuBar");
    layout()->setMenuBar(bar);

    mnuFile_ = bar->addMenu("&File");
    mnuFile_->setObjectName("mnuFile");
    mnuFileAddFiles_ = menuEntry(mnuFile_, "mnuFileAddFiles", "Add &Files\u2026");
    mnuFileAddFolder_ = menuEntry(mnuFile_, "mnuFileAddFolder", "Add F&older\u2026");
    mnuFileClear_ = menuEntry(mnuFile_, "mnuFileClear", "&Clear All Items");
    mnuFileRemoveDir_ = menuEntry(mnuFile_, "mnuFileRemoveDir", "Remove &Directory");
    mnuFileRenameDir_ = menuEntry(mnuFile_, "mnuFileRenameDir", "Re&name Directory");
    mnuFileRemoveFile_ = menuEntry(mnuFile_, "mnuFileRemoveFile", "Re&move File");
    mnuFileRenameFile_ = menuEntry(mnuFile_, "mnuFileRenameFile", "Ren&ame File");
    mnuFile_->addSeparator()->setObjectName("mnuFileSep1");
    QAction* saveIso = menuEntry(mnuFile_, "mnuFileSaveISO", "&Save Image as ISO File...");
    QAction* writeIso = menuEntry(mnuFile_, "mnuFileWriteISO", "&Write Disc from ISO File...");
    mnuFile_->addSeparator()->setObjectName("mnuFileSep2");
    QAction* exit = menuEntry(mnuFile_, "mnuFileExit", "E&xit");

    // "CD-&Recorder" and "Abou&t": Alt+C and Alt+A belong to the Cancel button and the Action menu.
    mnuCDRecorder_ = bar->addMenu("CD-&Recorder");
    mnuCDRecorder_->setObjectName("mnuCDRecorder");
    QAction* eject = menuEntry(mnuCDRecorder_, "mnuEject", "&Eject");
    QAction* closeTray = menuEntry(mnuCDRecorder_, "mnuCloseTray", "Close &Tray");
    QAction* discInfo = menuEntry(mnuCDRecorder_, "mnuDiscInfo", "Disc &Information...");
    QAction* erase = menuEntry(mnuCDRecorder_, "mnuEraseDisc", "E&rase Disc...");
    QAction* import = menuEntry(mnuCDRecorder_, "mnuImportSession", "Import &Previous Session");

    QMenu* mnuAction = bar->addMenu("&Action");
    mnuAction->setObjectName("mnuAction");
    QAction* write = menuEntry(mnuAction, "mnuActionWrite", "&Write Disc");
    QAction* cancel = menuEntry(mnuAction, "mnuActionCancel", "&Cancel");

    QMenu* mnuAbout = bar->addMenu("Abou&t");
    mnuAbout->setObjectName("mnuAbout");
    QAction* about = menuEntry(mnuAbout, "mnuAboutAbout", "&About");

    connect(mnuFileAddFiles_, &QAction::triggered, this, [this] { mnuFileAdd_Click(false); });
    connect(mnuFileAddFolder_, &QAction::triggered, this, [this] { mnuFileAdd_Click(true); });

    connect(mnuFileClear_, &QAction::triggered, this, [this] { mnuFileClear_Click(); });
    connect(mnuFileRemoveDir_, &QAction::triggered, this, [this] { mnuFileRemoveDir_Click(); });
    connect(mnuFileRenameDir_, &QAction::triggered, this, [this] { mnuFileRenameDir_Click(); });
    connect(mnuFileRemoveFile_, &QAction::triggered, this, [this] { mnuFileRemoveFile_Click(); });
    connect(mnuFileRenameFile_, &QAction::triggered, this, [this] { mnuFileRenameFile_Click(); });
    connect(saveIso, &QAction::triggered, this, [this] { mnuFileSaveISO_Click(); });
    connect(writeIso, &QAction::triggered, this, [this] { mnuFileWriteISO_Click(); });
    connect(exit, &QAction::triggered, this, [this] { close(); });
    connect(eject, &QAction::triggered, this, [this] { control_.EjectTray(false); });
    connect(closeTray, &QAction::triggered, this, [this] { control_.EjectTray(true); });
    connect(discInfo, &QAction::triggered, this, [this] { ShowDiscInfo(control_, ui_, this); });
    connect(erase, &QAction::triggered, this,
            [this] { ShowErase(control_, ui_, this, cboDevices_->currentText().toStdString()); });
    connect(import, &QAction::triggered, this, [this] { mnuImportSession_Click(); });
    connect(write, &QAction::triggered, this, [this] { cmdWriteDisc_Click(); });
    connect(cancel, &QAction::triggered, this, [this] { cmdCancel_Click(); });
    connect(about, &QAction::triggered, this, [this] { mnuAbout_Click(); });
}

void frmMaindvdwrite::Form_Load() {
    // The skin of the original look has no counterpart here; the window keeps the desktop's style.
    if (!control_.InitDrives(false))
        message("Drives Cannot be initialized!", MsgIcon::None);
    FillDriveList();
    control_.ClearImage();
    control_.SetJoliet(1);
    SetWindowIdle(true);
    txtVolIdentifier_->setText("Outlook Express Data Backup CD");
    if (!handOver_.backupfiletocd.empty() && !handOver_.backupcdpath.empty()) {
        control_.AddFile("\\" + handOver_.backupfiletocd, handOver_.backupcdpath);
        RefreshImageView();
    }
}

void frmMaindvdwrite::SetWindowIdle(bool idle) {
    mnuFile_->setEnabled(idle);
    mnuFile_->menuAction()->setEnabled(idle);
    mnuCDRecorder_->setEnabled(idle);
    mnuCDRecorder_->menuAction()->setEnabled(idle);
    for (QWidget* w : std::initializer_list<QWidget*>{
             cboDevices_, cboWriteSpeed_, lvwImageFiles_, tvwDirectories_, cmdWriteDisc_, chkCacheImage_,
             chkFinalizeDisc_, chkTestWrite_, chkUseJoliet_, txtVolIdentifier_, chkDVDHighCompMode_,
             chkUseMode2XA_, chkAutoVerify_})
        w->setEnabled(idle);
    chkUseBurnProof_->setEnabled(idle && control_.HasFeature(kFeatureBufferProtection));
    cmdCancel_->setEnabled(!idle);
    windowIdle_ = idle;
    if (idle)
        unsetCursor();
    else
        setCursor(Qt::WaitCursor);
    yield();
}

QString frmMaindvdwrite::panelText(int panel) const {
    return panel >= 1 && panel <= 3 ? panels_[panel - 1]->text() : QString();
}

void frmMaindvdwrite::setPanel(int panel, const QString& text) {
    if (panel >= 1 && panel <= 3)
        panels_[panel - 1]->setText(text);
}

void frmMaindvdwrite::message(const std::string& text, MsgIcon icon) {
    ui_.messageBox(text, kAppTitle, icon, MsgButtons::Ok);
}

// Lets the window repaint while the control works; input waits, so no second command can start
// in the middle of a control call.
void frmMaindvdwrite::yield() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmMaindvdwrite::mnuAbout_Click() {
    if (hooks_.showAbout)
        hooks_.showAbout(this);
    else
        message(kAppTitle, MsgIcon::Information);
}

void frmMaindvdwrite::closeEvent(QCloseEvent* event) {
    if (!windowIdle_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frmMaindvdwrite::reject() {
    if (windowIdle_)
        QDialog::reject();
}

} // namespace tessaly
