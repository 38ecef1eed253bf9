// Message boxes with the desktop's button sets and answers, behind one hook so that tests can
// answer scripted questions and see what was asked.
#pragma once

#include <functional>

#include "platform/ansistring.h"

class QWidget;

namespace qm {

inline constexpr int MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4;
inline constexpr int MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30,
                     MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7;

// Shows a modal box and returns the button pressed (IDOK, IDCANCEL, IDYES, IDNO).
int MessageBox(QWidget* owner, const AnsiString& text, const AnsiString& caption, int flags);

using MessageBoxHook = std::function<int(QWidget* owner, const AnsiString& text,
                                         const AnsiString& caption, int flags)>;
// With a hook set no box is shown; the hook's answer is returned. An empty hook restores boxes.
void SetMessageBoxHook(MessageBoxHook hook);

// The owner window that boxes without an explicit owner use (the main window once it exists).
void SetDefaultOwner(QWidget* owner);
QWidget* DefaultOwner();

}  // namespace qm
