// QtUi.cpp -- message boxes titled by the caller, the progress panel and the event pump on Qt Widgets.
#include "app/QtUi.h"

#include "app/frmPwd.h"
#include "platform/NumberText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

namespace tessaly {

namespace {

QMessageBox::Icon qtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// Closing a box with the window's close button or Escape counts as its most cautious answer.
MsgResult cautiousAnswer(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgResult::Ok;
    case MsgButtons::YesNo:
        return MsgResult::No;
    case MsgButtons::OkCancel:
    case MsgButtons::YesNoCancel:
        break;
    }
    return MsgResult::Cancel;
}

// Escape that reaches a box just after it appeared was meant for what came before it (held down, or
// pressed to stop a run as the run ended): the box closes only on a fresh press, made after it has
// been on the screen for a moment.
class FreshEscapeOnly : public QObject {
public:
    static constexpr int kSettleMilliseconds = 400;

    explicit FreshEscapeOnly(QWidget* box) : box_(box) {
        shown_.start();
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~FreshEscapeOnly() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(target);
        if (!widget || (widget != box_ && !box_->isAncestorOf(widget)))
            return false;
        if (event->type() == QEvent::Show && widget == box_)
            shown_.restart();
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        return key->key() == Qt::Key_Escape &&
               (key->isAutoRepeat() || shown_.elapsed() < kSettleMilliseconds);
    }

private:
    QWidget* box_;
    QElapsedTimer shown_;
};

} // namespace

QString displayText(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

void QtUi::attachWindow(QWidget* window, QWidget* panel, QProgressBar* bar, QLabel* label,
                        QLabel* fileLabel) {
    window_ = window;
    panel_ = panel;
    bar_ = bar;
    label_ = label;
    fileLabel_ = fileLabel;
}

MsgResult QtUi::messageBox(const std::string& text, const std::string& title, MsgIcon icon,
                           MsgButtons buttons) {
    if (quiet_)
        return cautiousAnswer(buttons);
    QMessageBox box(qtIcon(icon), QString::fromStdString(title), displayText(text), qtButtons(buttons),
                    window_);
    box.setObjectName("msgbox");
    if (buttons == MsgButtons::OkCancel)
        box.setEscapeButton(QMessageBox::Cancel);
    FreshEscapeOnly guard(&box);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MsgResult::Ok;
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    default:
        return cautiousAnswer(buttons);
    }
}

std::optional<std::string> QtUi::inputBox(const std::string& prompt, const std::string& title) {
    QInputDialog dialog(window_);
    dialog.setObjectName("inputbox");
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setLabelText(displayText(prompt));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue().toStdString();
}

std::optional<std::string> QtUi::askPassword() {
    frmPwd prompt(window_);
    return prompt.ask();
}

std::optional<std::string> QtUi::askPasswordFor(const std::string& file, bool again) {
    frmPwd prompt(window_);
    prompt.setFile(file, again);
    return prompt.ask();
}

void QtUi::showProgress(bool visible) {
    if (panel_) {
        panel_->setVisible(visible);
        if (visible)
            panel_->raise();
    }
    if (progressShown)
        progressShown(visible);
}

void QtUi::setProgress(int value) {
    if (bar_)
        bar_->setValue(std::clamp(value, bar_->minimum(), bar_->maximum()));
}

void QtUi::setStatusText(const std::string& text) {
    if (label_)
        label_->setText(QString::fromStdString(text));
    if (fileLabel_)
        fileLabel_->clear();
}

void QtUi::showBytes(const std::string& file, std::uint64_t done, std::uint64_t total, double percent) {
    setProgress(static_cast<int>(percent));
    if (fileLabel_)
        fileLabel_->setText(QStringLiteral("%1 \u2014 %2 of %3")
                                .arg(QString::fromStdString(file), QString::fromStdString(sizeText(done)),
                                     QString::fromStdString(sizeText(total))));
}

void QtUi::pumpEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

} // namespace tessaly
