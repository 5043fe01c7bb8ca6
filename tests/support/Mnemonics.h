// Mnemonics.h -- the Alt+letter keys of a window: each command has one, and no two alike at one time.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>

#include <map>
#include <string>
#include <vector>

namespace tessaly::test {

// The letter after a single "&" ("&&" is a plain ampersand), in lower case; 0 when there is none.
inline QChar mnemonicOf(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '&' && text[++i] != '&')
            return text[i].toLower();
    return QChar();
}

// Problems found: commands without a letter and letters used twice, each as one readable line.
// Scopes: what the window shows at once (its menu bar titles, tabs, and the buttons, check boxes and
// labelled fields visible now) and each menu on its own. Buttons that take no focus (read-only facts)
// are not commands.
inline std::vector<std::string> mnemonicProblems(QWidget* window) {
    std::vector<std::string> problems;
    auto check = [&](const std::vector<std::pair<QString, std::string>>& scope, const std::string& where) {
        std::map<QChar, std::string> seen;
        for (const auto& [text, what] : scope) {
            QChar key = mnemonicOf(text);
            if (key.isNull()) {
                problems.push_back(where + ": no mnemonic on " + what + " \"" + text.toStdString() + "\"");
                continue;
            }
            auto [it, fresh] = seen.emplace(key, what);
            if (!fresh)
                problems.push_back(where + ": Alt+" + QString(key).toStdString() + " on both " + it->second +
                                   " and " + what);
        }
    };
    std::vector<std::pair<QString, std::string>> shown;
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        for (QAction* a : bar->actions())
            if (a->isVisible() && !a->isSeparator())
                shown.push_back({a->text(), "menu " + a->text().toStdString()});
    for (QTabBar* tabs : window->findChildren<QTabBar*>())
        if (tabs->isVisibleTo(window))
            for (int i = 0; i < tabs->count(); ++i)
                shown.push_back({tabs->tabText(i), "tab " + tabs->tabText(i).toStdString()});
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(window) && b->focusPolicy() != Qt::NoFocus && !b->text().isEmpty() &&
            !qobject_cast<QTabBar*>(b->parentWidget()))
            shown.push_back({b->text(), b->objectName().toStdString()});
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->isVisibleTo(window) && l->buddy())
            shown.push_back({l->text(), "label " + l->text().toStdString()});
    check(shown, window->objectName().toStdString());

    for (QMenu* menu : window->findChildren<QMenu*>()) {
        std::vector<std::pair<QString, std::string>> entries;
        for (QAction* a : menu->actions())
            if (!a->isSeparator() && !a->text().isEmpty())
                entries.push_back({a->text(), a->objectName().isEmpty() ? a->text().toStdString()
                                                                        : a->objectName().toStdString()});
        check(entries, "menu " + menu->objectName().toStdString());
    }
    return problems;
}

// The same for every page of each tab widget of the window, one page shown at a time.
inline std::vector<std::string> mnemonicProblemsOnEveryPage(QWidget* window) {
    std::vector<std::string> problems;
    QList<QTabWidget*> tabs = window->findChildren<QTabWidget*>();
    if (tabs.isEmpty())
        return mnemonicProblems(window);
    for (int page = 0; page < tabs[0]->count(); ++page) {
        tabs[0]->setCurrentIndex(page);
        for (const std::string& p : mnemonicProblems(window))
            problems.push_back("page " + std::to_string(page) + ": " + p);
    }
    return problems;
}

} // namespace tessaly::test
