// TForm12, the attached files dialog: lists the files of the selected move, adds files chosen on
// disk, removes one, and saves one back to disk. It writes the move's attachment value itself and
// keeps the attachment marks of the open ledgers in step.
#pragma once

#include "app/attached_files.h"
#include "platform/controls.h"
#include "platform/filedialogs.h"
#include "platform/forms.h"

namespace qm {

class TForm12 : public TForm {
    Q_OBJECT
  public:
    explicit TForm12(QWidget* parent = nullptr);

    TListBox* ListBox1 = nullptr;  // the file names, in the value's index order
    TButton* Button1 = nullptr;    // add
    TButton* Button2 = nullptr;    // remove
    TButton* Button4 = nullptr;    // save as
    TButton* Button3 = nullptr;    // close
    TOpenDialog OpenDialog1;
    TSaveDialog SaveDialog1;

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

    // The row of the move's pair that holds the value; -1 when the move is gone.
    int MoveRowId() const { return moveRowId_; }

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
    void SwitchButtons();
    void MarkFiles(bool has);
    bool ReadIntact(AnsiString& value, TAttachedFiles& files);
    int moveRowId_ = -1;
};

extern TForm12* Form12;

}  // namespace qm
