// TForm10, the about box: a text about the program and an OK button.
#pragma once

#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm10 : public TForm {
    Q_OBJECT
  public:
    explicit TForm10(QWidget* parent = nullptr);

    TLabel* Label1 = nullptr;  // the text, in a box of fixed size
    TButton* Button1 = nullptr;

    void Button1Click();

  private:
    void FormCreate();
};

extern TForm10* Form10;

}  // namespace qm
