// A main window built in a private working folder that holds the window-button pictures,
// with scripted dialogs and a fixed clock.
#pragma once

#include "app/ui/formmain.h"
#include "tests/support/testseams.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace pelzo::test {

// Makes `dir`/ico/NAME as a small picture.
void MakePicture(const QString& dir, const QString& name);

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Builds the form in the working folder; the real timer is kept quiet, the test ticks.
    void MakeForm();
    MainState& st() { return form->state(); }

    QTemporaryDir dir;
    QString oldCwd;
    ScriptedDialogs dialogs;
    FixedClock clock;
    std::unique_ptr<TFormMain> form;
};

// Runs `probe` on the next modal window that opens (from within its event loop).
void OnNextModal(std::function<void(QWidget*)> probe);

template <typename T>
T* Find(QWidget* root, const char* name)
{
    return root->findChild<T*>(QString::fromLatin1(name));
}

}  // namespace pelzo::test
