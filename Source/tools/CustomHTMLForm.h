#pragma once

#include <Source/windows/ModalForm.h>

#include <array>

class QCheckBox;
class QPushButton;
class QSpinBox;
class THistoryComboBox;
class TThumbnailWizardForm1;
struct THtmlBodyOptions;

// Edits what shapes the page's table of thumbnails (THtmlBodyOptions) in the
// wizard's section; each text field remembers its recent values under
// "Recent HTML". OK and Preview store; Cancel stores nothing. Window thread.
class TCustomHTMLForm1 : public TModalForm1
{
    Q_OBJECT

public:
    TCustomHTMLForm1(QWidget *owner, TThumbnailWizardForm1 &wizard);

    THistoryComboBox *TableCombo;
    THistoryComboBox *TrCombo;
    THistoryComboBox *TdCombo;
    QSpinBox *Edit1;          // images per row, with its up-down
    QCheckBox *CheckBox1;     // WIDTH and HEIGHT
    QSpinBox *Edit5;          // BORDER, with its up-down
    QCheckBox *CheckBox3;     // BORDER=
    THistoryComboBox *AltCombo;
    QCheckBox *CheckBox4;     // ALT=
    THistoryComboBox *LabelCombo;
    QCheckBox *CheckBox2;     // labels
    QCheckBox *CheckBox5;     // links
    QPushButton *OkButton;
    QPushButton *CancelButton;
    QPushButton *PreviewButton;
    QPushButton *ResetListsButton;

private:
    void FormShow();
    void OkButtonClick();
    void PreviewButtonClick();
    void ResetListsButtonClick();
    void CheckBox2Click();
    void CheckBox3Click();
    void CheckBox4Click();

    // Stores the lists and the values; false, reported, when the store refuses.
    bool store();
    void addPresets();
    THtmlBodyOptions options() const;
    std::array<THistoryComboBox *, 5> combos() const;

    TThumbnailWizardForm1 &m_wizard;
};
