// TForm7, the transaction dialog: a move of money between two accounts whose currencies may
// differ, with the amount sent, the amount received and the exchange rate, one of the three
// computed from the other two. It writes the move pair itself, keeps the ledger buffers in step,
// recalculates the balances and repaints. Tag on opening: 0 a new move, 1 the current ledger
// row; Tag after closing: 1 when the move was written, else 0.
#pragma once

#include <vector>

#include "app/store/move_store.h"
#include "controls/num_edit.h"
#include "platform/controls.h"
#include "platform/forms.h"

namespace qm {

class TForm7 : public TForm {
    Q_OBJECT
  public:
    explicit TForm7(QWidget* parent = nullptr);

    TLabel* Label1 = nullptr;   // source account
    TLabel* Label2 = nullptr;   // date
    TLabel* Label3 = nullptr;   // number
    TLabel* Label4 = nullptr;   // note
    TLabel* Label5 = nullptr;   // destination account
    TLabel* Label6 = nullptr;   // amount sent
    TLabel* Label7 = nullptr;   // exchange rate
    TLabel* Label12 = nullptr;  // amount received
    TLabel* Label8 = nullptr;   // "1 <source> = <rate> <destination>"
    TLabel* Label10 = nullptr;  // the same the other way round
    TLabel* Label9 = nullptr;   // source currency
    TLabel* Label11 = nullptr;  // destination currency
    TComboBox* ComboBox1 = nullptr;
    TComboBox* ComboBox2 = nullptr;
    TDateTimePicker* DateTimePicker1 = nullptr;
    TEdit* Edit1 = nullptr;                // number
    TEdit* Edit2 = nullptr;                // note
    TRxCalcEdit* RxCalcEdit1 = nullptr;    // amount sent
    TEdit* Edit3 = nullptr;                // exchange rate, an expression
    TRxCalcEdit* RxCalcEdit3 = nullptr;    // amount received
    TRadioButton* RadioButton1 = nullptr;  // the amount sent is computed
    TRadioButton* RadioButton2 = nullptr;  // the rate is computed
    TRadioButton* RadioButton3 = nullptr;  // the amount received is computed
    TButton* Button1 = nullptr;            // OK
    TButton* Button2 = nullptr;            // Cancel

    // The accounts to preselect while opening; 0 none.
    int SrcBillId = 0;
    int DestBillId = 0;
    // The account list, indexed like the items of both combo boxes.
    std::vector<int> BillIds;
    std::vector<long double> KursValues;  // the currency's kurs
    std::vector<AnsiString> ShortNames;   // the currency's short name
    std::vector<AnsiString> KursStrs;     // the currency's rate expression
    // True while the dialog fills itself; the recalculation waits.
    bool Loading = false;

    void ComboBox1Change();
    void RadioButton1Click(TRadioButton* clicked);
    void RxCalcEdit1Change();
    void Button1Click();
    void Button2Click();
    void FormKeyPress(char& key);

  protected:
    void FormShow() override;

  private:
    void FormCreate();
    void Layout();
    void SetLook(TControl* field, bool editable);
    bool LoadLedgerRow(long double& A);
    void LoadAccounts();
    void RateFromExpressions();
    void ConvertNewRow(long double A);
    void LoadStoredMove(long double A);
    bool CheckInput(long double& sent, long double& received);
    bool StoredCharactersKept();
    bool Refuse(int text, QWidget* focus);
    void StoreNewMove(const MoveFields& f, int source, int dest);
    void StoreEditedMove(const MoveFields& f, int source, int dest);
    void Finish();

    // Opened for a stored move: OK rewrites its pair instead of adding one.
    bool editingStored_ = false;
    // The stored move the ledger row's number and note came from (the row's own, or the one it
    // was duplicated from), 0 for none, and those texts as the file holds them.
    int textsOf_ = 0;
    StoredMoveTexts stored_;
};

extern TForm7* Form7;

}  // namespace qm
