// frmMainLayout.cpp -- the main window's controls, captions, menus and pop-up menus.
#include "app/Logo.h"
#include "app/OptionalWindows.h"
#include "app/frmMain.h"
#include "uikit/ScreenFit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

namespace tessaly {

namespace {

// The mnemonics of the item boxes leave the letters of the menus, tabs and buttons free.
constexpr std::array<const char*, kBackupItemCount> kBackupCaptions = {
    "A&ccounts",      "A&ddress Book", "Ru&les",        "Email/News &Messages",
    "Bloc&k Senders", "Si&gnatures",   "Stat&ioneries", "OE Setti&ngs"};
constexpr std::array<const char*, kBackupItemCount> kRestoreCaptions = {
    "A&ccounts",      "A&ddress Book", "Ru&les",        "Email/News &Messages",
    "Bloc&k Senders", "Si&gnatures",   "Stat&ioneries", "S&ettings"};
constexpr const char* kComingLater = "Coming in a later version of Tessaly.";

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

// Eight boxes in two columns, named <array>_<index>.
QGridLayout* itemGrid(QWidget* parent, const char* arrayName, const std::array<const char*, 8>& captions,
                      std::array<QCheckBox*, kBackupItemCount>& boxes) {
    auto* grid = new QGridLayout;
    for (int i = 0; i < kBackupItemCount; ++i) {
        boxes[i] = new QCheckBox(captions[i], parent);
        boxes[i]->setObjectName(QStringLiteral("%1_%2").arg(arrayName).arg(i));
        grid->addWidget(boxes[i], i % 4, i / 4);
    }
    return grid;
}

// At a fractional scale factor (150 %) the text area, rounded outward, paints over the lower and left
// lines of its frame; a margin of one pixel inside the frame keeps them.
class FramedTextBox : public QPlainTextEdit {
public:
    explicit FramedTextBox(QWidget* parent) : QPlainTextEdit(parent) {
        const qreal ratio = devicePixelRatioF();
        if (ratio != std::floor(ratio))
            setViewportMargins(1, 1, 1, 1);
    }
};

QPlainTextEdit* textBox(QWidget* parent, const char* name, int lines, bool readOnly) {
    QPlainTextEdit* box = named(new FramedTextBox(parent), name);
    box->setReadOnly(readOnly);
    box->setTabChangesFocus(true);
    QFontMetrics fm(box->font());
    const int margins = 2 * box->frameWidth() + 2 * static_cast<int>(box->document()->documentMargin());
    box->setFixedHeight(fm.lineSpacing() * lines + margins + 6);
    return box;
}

} // namespace

void frmMain::buildControls() {
    setObjectName("frmMain");
    setWindowTitle("Tessaly V1.50");
    setWindowIcon(QIcon(tessalyLogo(64, 1.0)));

    auto* holder = new QWidget(this);
    setCentralWidget(holder);
    QWidget* central = scrollingBody(holder);
    central->setObjectName("centralwidget");

    auto* logo = named(new QLabel, "imgLogo");
    logo->setPixmap(tessalyLogo(48, devicePixelRatioF()));
    auto* product = named(new QLabel("Tessaly"), "lblProduct");
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    product->setFont(big);
    auto* tagline =
        named(new QLabel("Back up and restore the data of an Outlook Express identity"), "lblTagline");
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(product);
    titles->addWidget(tagline);
    // The heading gives its room to the controls on a small screen (see frmMain's constructor).
    picHeader_ = named(new QWidget(central), "picHeader");
    auto* header = new QHBoxLayout(picHeader_);
    header->setContentsMargins(0, 0, 0, 0);
    header->addWidget(logo);
    header->addSpacing(8);
    header->addLayout(titles, 1);

    SSTab1_ = named(new QTabWidget(central), "SSTab1");
    SSTab1_->addTab(buildBackupTab(), "&Backup");
    SSTab1_->addTab(buildRestoreTab(), "&Restore");

    // The progress panel lies over the tabs while a run shows it.
    auto* body = new QGridLayout;
    body->addWidget(SSTab1_, 0, 0);
    body->addWidget(buildProgressPanel(), 0, 0, Qt::AlignCenter);

    cmdAbout_ = named(new QPushButton("&About", central), "cmdAbout");
    cmdApply_ = named(new QPushButton("BACKUP NOW", central), "cmdApply");
    cmdApply_->setDefault(true);
    cmdApply_->setMinimumWidth(cmdApply_->fontMetrics().horizontalAdvance("Restore Now") * 2);
    cmdQuit_ = named(new QPushButton("&Quit", central), "cmdQuit");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAbout_);
    buttons->addStretch(1);
    buttons->addWidget(cmdApply_);
    buttons->addWidget(cmdQuit_);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(picHeader_);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    statusBar()->setObjectName("sbrStatus");
    buildMenus();
}

QWidget* frmMain::buildBackupTab() {
    auto* tab = named(new QWidget, "tabBackup");

    Frame1_ = named(new QGroupBox("What", tab), "Frame1");
    auto* what = new QVBoxLayout(Frame1_);
    what->addLayout(itemGrid(Frame1_, "backupitem", kBackupCaptions, backupitem_));
    what->addStretch(1);
    auto* identityLabel = new QLabel("Identit&y:", Frame1_);
    cbSource_ = named(new QComboBox(Frame1_), "cbSource");
    identityLabel->setBuddy(cbSource_);
    what->addWidget(identityLabel);
    what->addWidget(cbSource_);
    // Earlier backups beside the file are kept by this choice (the history of a backup file).
    cmbKeep_ = named(new QComboBox(Frame1_), "cmbKeep");
    // Sized for a short choice, so that the longest one does not widen the window.
    cmbKeep_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbKeep_->setMinimumContentsLength(12);
    what->addWidget(new QLabel("Keep earlier backups:", Frame1_));
    what->addWidget(cmbKeep_);

    auto* Frame2 = named(new QGroupBox("Where", tab), "Frame2");
    txtTargetFile_ = named(new QLineEdit(Frame2), "txtTargetFile");
    txtTargetFile_->setReadOnly(true);
    txtTargetFile_->setPlaceholderText("Choose the backup file with Browse...");
    txtTargetFile_->setMinimumWidth(txtTargetFile_->fontMetrics().averageCharWidth() * 32);
    cmdTargetFile_ = named(new QPushButton("Bro&wse...", Frame2), "cmdTargetFile");
    txtAttachInfo_ = textBox(Frame2, "txtAttachInfo", 3, false);
    txtAttachInfo_->setPlaceholderText("A note kept in the backup file (optional)");
    auto* where = new QGridLayout(Frame2);
    where->addWidget(new QLabel("Backup file:", Frame2), 0, 0);
    where->addWidget(txtTargetFile_, 0, 1);
    where->addWidget(cmdTargetFile_, 0, 2);
    auto* noteLabel = new QLabel("Not&e:", Frame2);
    noteLabel->setBuddy(txtAttachInfo_);
    where->addWidget(noteLabel, 1, 0, Qt::AlignTop);
    where->addWidget(txtAttachInfo_, 1, 1, 1, 2);

    auto* Frame5 = named(new QGroupBox("Security", tab), "Frame5");
    ifprotect_ = named(new QCheckBox("Protect back&up file with password", Frame5), "ifprotect");
    txtPassword_ = named(new QLineEdit(Frame5), "txtPassword");
    txtPassword2_ = named(new QLineEdit(Frame5), "txtPassword2");
    auto* security = new QGridLayout(Frame5);
    security->addWidget(ifprotect_, 0, 0, 1, 2);
    // Every letter of "Confirm" already opens something else on this tab; Tab leads there from Password.
    auto* passwordLabel = named(new QLabel("Pa&ssword:", Frame5), "lblPassword");
    passwordLabel->setBuddy(txtPassword_);
    security->addWidget(passwordLabel, 1, 0);
    security->addWidget(txtPassword_, 1, 1);
    security->addWidget(named(new QLabel("Confirm:", Frame5), "lblPassword2"), 2, 0);
    security->addWidget(txtPassword2_, 2, 1);
    for (QLineEdit* box : {txtPassword_, txtPassword2_})
        box->setEchoMode(QLineEdit::Password);
    optStrong_ = named(new QRadioButton("Strong (Argon2id, &XChaCha20-Poly1305)", Frame5), "optStrong");
    optStrong_->setToolTip("Argon2id key, XChaCha20-Poly1305 encryption");
    optCompatible_ = named(new QRadioButton("Compatible with older &versions", Frame5), "optCompatible");
    lblProtectionNote_ = named(new QLabel(Frame5), "lblProtectionNote");
    lblProtectionNote_->setWordWrap(true);
    // Room for either note, so that switching does not move the frame's other controls.
    lblProtectionNote_->setMinimumHeight(lblProtectionNote_->fontMetrics().lineSpacing() * 2 + 2);
    security->addWidget(new QLabel("Format:", Frame5), 3, 0);
    security->addWidget(optStrong_, 3, 1);
    security->addWidget(optCompatible_, 4, 1);
    security->addWidget(lblProtectionNote_, 5, 0, 1, 2);

    where->setRowStretch(2, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(Frame2);
    right->addWidget(Frame5);
    right->addStretch(1);
    auto* layout = new QHBoxLayout(tab);
    layout->addWidget(Frame1_, 1);
    layout->addLayout(right, 1);
    return tab;
}

QWidget* frmMain::buildRestoreTab() {
    auto* tab = named(new QWidget, "tabRestore");

    auto* Frame3 = named(new QGroupBox("Where", tab), "Frame3");
    txtSourceFile_ = named(new QLineEdit(Frame3), "txtSourceFile");
    txtSourceFile_->setReadOnly(true);
    txtSourceFile_->setPlaceholderText("Open a backup file with Browse...");
    txtSourceFile_->setMinimumWidth(txtSourceFile_->fontMetrics().averageCharWidth() * 32);
    cmdSourceFile_ = named(new QPushButton("Bro&wse...", Frame3), "cmdSourceFile");
    txtPOBinfo_ = textBox(Frame3, "txtPOBinfo", 4, true);
    txtFileInfo_ = textBox(Frame3, "txtFileInfo", 3, true);
    auto* where = new QGridLayout(Frame3);
    where->addWidget(new QLabel("Backup file:", Frame3), 0, 0);
    where->addWidget(txtSourceFile_, 0, 1);
    where->addWidget(cmdSourceFile_, 0, 2);
    where->addWidget(new QLabel("Details:", Frame3), 1, 0, Qt::AlignTop);
    where->addWidget(txtPOBinfo_, 1, 1, 1, 2);
    where->addWidget(new QLabel("Note:", Frame3), 2, 0, Qt::AlignTop);
    where->addWidget(txtFileInfo_, 2, 1, 1, 2);
    lstVersions_ = named(new QListWidget(Frame3), "lstVersions");
    lstVersions_->setToolTip("The versions of this backup file, newest first: choose one to open it");
    lstVersions_->setMaximumHeight(lstVersions_->fontMetrics().lineSpacing() * 3 + 8);
    where->addWidget(new QLabel("Versions:", Frame3), 3, 0, Qt::AlignTop);
    where->addWidget(lstVersions_, 3, 1, 1, 2);
    where->setRowStretch(4, 1);

    Frame4_ = named(new QGroupBox("What", tab), "Frame4");
    auto* what = new QVBoxLayout(Frame4_);
    what->addLayout(itemGrid(Frame4_, "restoreitem", kRestoreCaptions, restoreitem_));
    what->addStretch(1);
    auto* identityLabel = new QLabel("Restore into identit&y:", Frame4_);
    cbTarget_ = named(new QComboBox(Frame4_), "cbTarget");
    identityLabel->setBuddy(cbTarget_);
    what->addWidget(identityLabel);
    what->addWidget(cbTarget_);

    auto* frames = new QHBoxLayout;
    frames->addWidget(Frame3, 1);
    frames->addWidget(Frame4_, 1);
    // The opened file's protection.
    lblProtection_ = named(new QLabel(tab), "lblProtection");
    lblProtection_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The opened file's mail written out for other mail programs, on the line of its protection.
    cmdExportMessages_ = named(new QPushButton("E&xport Messages...", tab), "cmdExportMessages");
    cmdExportMessages_->setEnabled(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblProtection_, 1);
    bottom->addWidget(cmdExportMessages_);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(frames, 1);
    layout->addLayout(bottom);
    return tab;
}

QWidget* frmMain::buildProgressPanel() {
    auto* panel = named(new QFrame(centralWidget()), "picCon3");
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAutoFillBackground(true);
    pbshow_ = named(new QProgressBar(panel), "pbshow");
    Label1_ = named(new QLabel("Please Waiting...", panel), "Label1");
    // The file a long item is working on, and how far it has got.
    lblProgressFile_ = named(new QLabel(panel), "lblProgressFile");
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->addWidget(Label1_);
    layout->addWidget(pbshow_);
    layout->addWidget(lblProgressFile_);
    panel->setMinimumWidth(panel->fontMetrics().horizontalAdvance("Copying Block Senders...") * 2);
    picCon3_ = panel;
    return panel;
}

QAction* frmMain::addCommand(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

void frmMain::markComingLater(QAction* action) {
    action->setEnabled(false);
    action->setToolTip(kComingLater);
    action->setStatusTip(kComingLater);
}

void frmMain::buildMenus() {
    auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(name); };
    auto topMenu = [this](const char* name, const QString& caption) {
        QMenu* menu = menuBar()->addMenu(caption);
        menu->setObjectName(name);
        menu->setToolTipsVisible(true);
        return menu;
    };

    QMenu* file = topMenu("file", "&File");
    backup_ = addCommand(file, "backup", "&Backup Now");
    restore_ = addCommand(file, "restore", "&Restore Now");
    separator(file, "fg1");
    QAction* quit = addCommand(file, "quit", "&Quit");

    QMenu* option = topMenu("option", "&Option");
    TaskScheduler_ = addCommand(option, "TaskScheduler", "&Task Scheduler");
    separator(option, "fg54");
    QAction* update = addCommand(option, "update", "&Check for Update");
    update->setEnabled(false);
    update->setToolTip("Updates come with the system's packages.");

    QMenu* tools = topMenu("tools", "&Tools");
    QMenu* favorites = tools->addMenu("Backup and Restore IE &Favorites");
    favorites->setObjectName("backuprestorefavorites");
    favorites->setToolTipsVisible(true);
    backupiefavorites_ = addCommand(favorites, "backupiefavorites", "&Backup IE Favorites");
    restoreiefavorites_ = addCommand(favorites, "restoreiefavorites", "&Restore IE Favorites");
    separator(tools, "fg34");
    backuptocd_ = addCommand(tools, "backuptocd", "Backup Data to &CD/DVD");

    QMenu* help = topMenu("help", "&Help");
    QAction* help1 = addCommand(help, "help1", "&Help");
    help1->setShortcut(Qt::Key_F1);
    separator(help, "fg2");
    QAction* website = addCommand(help, "website", "Our &Website");
    separator(help, "fg3");
    QAction* about = addCommand(help, "about", "&About");

    selectitem_ = new QMenu(this);
    selectitem_->setObjectName("selectitem");
    QAction* selectAll = addCommand(selectitem_, "Selectallitems", "&Select all items");
    QAction* unselectAll = addCommand(selectitem_, "Unselectallitems", "&Deselect all items");
    selectitem2_ = new QMenu(this);
    selectitem2_->setObjectName("selectitem2");
    QAction* selectAll2 = addCommand(selectitem2_, "Selectallitems2", "&Select all items");
    QAction* unselectAll2 = addCommand(selectitem2_, "Unselectallitems2", "&Deselect all items");

    connect(backup_, &QAction::triggered, this, &frmMain::runBackupDriver);
    connect(restore_, &QAction::triggered, this, &frmMain::runRestoreDriver);
    connect(quit, &QAction::triggered, this, &frmMain::quit_Click);
    connect(help1, &QAction::triggered, this, &frmMain::gethelp);
    connect(website, &QAction::triggered, this, &frmMain::website_Click);
    connect(about, &QAction::triggered, this, &frmMain::about_Click);
    connect(selectAll, &QAction::triggered, this, [this] { setItems(backupitem_, true); });
    connect(unselectAll, &QAction::triggered, this, [this] { setItems(backupitem_, false); });
    connect(selectAll2, &QAction::triggered, this, [this] { setItems(restoreitem_, true); });
    connect(unselectAll2, &QAction::triggered, this, [this] { setItems(restoreitem_, false); });

    if (schedulerWindowBuilt())
        connect(TaskScheduler_, &QAction::triggered, this, &frmMain::TaskScheduler_Click);
    else
        markComingLater(TaskScheduler_);
    if (favoritesBuilt()) {
        connect(backupiefavorites_, &QAction::triggered, this, &frmMain::backupiefavorites_Click);
        connect(restoreiefavorites_, &QAction::triggered, this, &frmMain::restoreiefavorites_Click);
    } else {
        markComingLater(backupiefavorites_);
        markComingLater(restoreiefavorites_);
    }
    if (discWindowBuilt())
        connect(backuptocd_, &QAction::triggered, this, [this] {
            if (!beginRun())
                return;
            showDiscWindow(session_, state_, ui_, this);
            endRun();
        });
    else
        markComingLater(backuptocd_);

    // The right mouse button on either "What" frame offers its own pop-up menu.
    Frame1_->setContextMenuPolicy(Qt::CustomContextMenu);
    Frame4_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Frame1_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { selectitem_->popup(Frame1_->mapToGlobal(at)); });
    connect(Frame4_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { selectitem2_->popup(Frame4_->mapToGlobal(at)); });
}

} // namespace tessaly
