// DialogAnswerer.cpp -- polls for the active modal dialog and runs the next step on it.
#include "DialogAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace tessaly::test {

DialogAnswerer::DialogAnswerer() {
    connect(&timer_, &QTimer::timeout, this, &DialogAnswerer::poll);
    timer_.start(5);
}

DialogAnswerer::~DialogAnswerer() {
    timer_.stop();
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " dialog step(s) were never reached";
}

void DialogAnswerer::poll() {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog || !dialog->isVisible() || dialog->property("answered").toBool())
        return;
    dialog->setProperty("answered", true);
    ++dialogsSeen;
    if (auto* box = qobject_cast<QMessageBox*>(dialog))
        boxes.push_back({box->text().toStdString(), box->windowTitle().toStdString(), box->icon(),
                         box->standardButtons()});
    if (steps_.empty()) {
        ADD_FAILURE() << "unexpected dialog " << dialog->objectName().toStdString() << ": "
                      << (boxes.empty() ? std::string() : boxes.back().text);
        QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step(dialog);
}

void DialogAnswerer::thenAnswer(QMessageBox::StandardButton button, std::function<void()> during) {
    then([button, during](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QAbstractButton* b = box ? box->button(button) : nullptr;
        if (!b) {
            ADD_FAILURE() << "expected a message box with that button, got "
                          << dialog->objectName().toStdString();
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
            return;
        }
        if (during)
            during();
        b->click();
    });
}

void DialogAnswerer::thenTypePassword(const QString& text, bool pressEnter) {
    then([text, pressEnter](QWidget* dialog) {
        EXPECT_EQ(dialog->objectName().toStdString(), "frmPwd");
        auto* edit = dialog->findChild<QLineEdit*>("txtPassword");
        auto* ok = dialog->findChild<QAbstractButton*>("cmdOK");
        if (!edit || !ok) {
            ADD_FAILURE() << "not the password prompt";
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
            return;
        }
        QTest::keyClicks(edit, text);
        if (pressEnter)
            QTest::keyClick(edit, Qt::Key_Return);
        else
            ok->click();
    });
}

void DialogAnswerer::thenCancelPassword() {
    then([](QWidget* dialog) {
        EXPECT_EQ(dialog->objectName().toStdString(), "frmPwd");
        if (auto* cancel = dialog->findChild<QAbstractButton*>("cmdExit"))
            cancel->click();
        else
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    });
}

} // namespace tessaly::test
