#pragma once

// Driving the model editor with the keyboard and the mouse only: menus are
// stepped through with the arrow keys, texts are typed, buttons are clicked.
// Nothing here calls an editor's own builders.

#include "editor/accessorinput.h"
#include "editor/configurationwizard.h"
#include "editor/fieldinput.h"
#include "editor/pythoneditor.h"

#include <coreplugin/ieditor.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeView>
#include <QtTest>

namespace UserDriving {

using namespace KorvanDebugger::Configuration;

// Steps a closed menu to the entry with the text, as the arrow keys do.
inline bool pickEntry(QComboBox *combo, const QString &text)
{
    const int target = combo->findText(text);
    if (target < 0)
        return false;
    combo->setFocus();
    for (int guard = 0; combo->currentIndex() < target && guard < 100; ++guard)
        QTest::keyClick(combo, Qt::Key_Down);
    for (int guard = 0; combo->currentIndex() > target && guard < 100; ++guard)
        QTest::keyClick(combo, Qt::Key_Up);
    return combo->currentIndex() == target;
}

inline bool pickOption(AccessorField *row, const QString &text)
{
    return pickEntry(row->input()->optionCombo(), text);
}

// Replaces a line edit's text by typing.
inline void typeText(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

inline void typeInto(AccessorField *row, const QString &text)
{
    typeText(row->input()->textEdit(), text);
}

// Types a Python body into the entry's Python editor, as the popup shows it.
inline bool typePythonBody(AccessorInput *input, const QString &text)
{
    PythonEditor *editor = input->pythonEditor();
    QWidget *widget = editor && editor->editor() ? editor->editor()->widget() : nullptr;
    if (!widget)
        return false;
    QWidget *target = widget->focusProxy() ? widget->focusProxy() : widget;
    target->setFocus();
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_Backspace);
    QTest::keyClicks(target, text);
    return true;
}

inline void click(QPushButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

inline QPushButton *buttonOf(QWidget *owner, const QString &text)
{
    for (QPushButton *button : owner->findChildren<QPushButton *>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

// Python checks run in child processes; the wizard's buttons follow their ends.
inline bool settle(QWidget *root, int timeout = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeout) {
        const QList<AccessorInput *> inputs = root->findChildren<AccessorInput *>();
        if (std::none_of(inputs.begin(), inputs.end(), [](AccessorInput *i) { return i->isChecking(); }))
            return true;
        QTest::qWait(5);
    }
    return false;
}

// Presses Next while it is shown and enabled; true when Finish is reached.
inline bool walkToFinish(ConfigurationWizard *wizard)
{
    for (int guard = 0; guard < 12; ++guard) {
        if (!settle(wizard))
            return false;
        if (wizard->finishButton()->isVisible())
            return wizard->finishButton()->isEnabled();
        if (!wizard->nextButton()->isEnabled())
            return false;
        click(wizard->nextButton());
    }
    return false;
}

inline void walkBackToStart(ConfigurationWizard *wizard)
{
    for (int guard = 0; guard < 12 && wizard->backButton()->isEnabled(); ++guard)
        click(wizard->backButton());
}

} // namespace UserDriving
