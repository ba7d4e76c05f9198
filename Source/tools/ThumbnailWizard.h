#pragma once

#include <Source/windows/ModalForm.h>
#include <lib/Path.h>
#include <lib/String.h>

#include <QString>

#include <vector>

class CThumbBitmap;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
struct THtmlPage;

// Writes the selected thumbnails of a folder as "tn_" JPEG files into an
// output folder and, optionally, a page that shows them, made from the
// template (HtmlTemplate.h). Five pages, stepped by Back and Next; the
// settings are kept per input folder in its section's "*TnWiz". Window thread.
class TThumbnailWizardForm1 : public TModalForm1
{
    Q_OBJECT

public:
    // Holds a reference to each record, in the order given, while it lives.
    TThumbnailWizardForm1(QWidget *owner, const CPath &inputFolder, const std::vector<CThumbBitmap *> &records);
    ~TThumbnailWizardForm1() override;

    // The wizard for the records of inputFolder; answers whether it finished.
    static bool ShowWizard(const CPath &inputFolder, const std::vector<CThumbBitmap *> &records);

    // The subfolder (trimmed) joined with "tn_" and imageName, whose last '.'
    // becomes '_', and ".jpg": the file's place under the output folder and
    // the page's link to it.
    CString ThumbnailFileName(const CString &imageName) const;
    // The page's file name (Edit1 trimmed, ".htm" added unless it ends in
    // ".htm" or ".html" in any case); empty when it is not a valid name.
    CString HtmlFileName() const;
    // Writes each built thumbnail to the output folder, creating the
    // subfolder first; answers the records written, in order. Records not
    // built, or whose file could not be written (reported once), are left out.
    std::vector<CThumbBitmap *> WriteThumbnailFiles();
    // Stores the settings, writes the thumbnails and, with "Generate HTML",
    // the page. False when the user declined the template's regeneration or
    // the page's replacement, or the page could not be written.
    bool FinishWizard();
    // Finishes, then opens the page in the browser.
    void PreviewButtonClick();

    // The settings section: the input folder's own section and "*TnWiz".
    const QString &Section() const { return m_section; }
    const CPath &OutputFolder() const { return m_outputFolder; }
    CPath HtmlFilePath() const;
    // The page shown, 0 for the first.
    int PageIndex() const;

    QStackedWidget *PageControl;
    // Page 1
    QLabel *CountLabel;
    QLabel *ErrorLabel1;
    QPushButton *ChangeOutputFolderButton;
    QPushButton *InputFolderPropertiesButton;
    // Page 2
    QLineEdit *Edit2;
    QLabel *ErrorLabel2;
    QLabel *PrefixLabel;
    QLineEdit *Edit7;
    QLabel *LinkLabel;
    QLineEdit *Edit72;
    // Page 3
    QCheckBox *CheckBox1;
    QLineEdit *Edit1;
    QLineEdit *Edit4;
    QLineEdit *Edit5;
    QLineEdit *Edit6;
    QLineEdit *Edit8;
    QCheckBox *CheckBox4;
    QLabel *ErrorLabel3;
    // Page 4
    QPushButton *CustomButton;
    QPushButton *EditButton;
    // Page 5
    QCheckBox *CheckBox3;
    // Always shown
    QLineEdit *InputFolderEdit;
    QLineEdit *ThumbnailFolderEdit;
    QLineEdit *HtmlFileEdit;
    QPushButton *PreviewButton;
    QCheckBox *SafeSavesCheckBox;
    QPushButton *BackButton;
    QPushButton *NextButton;
    QPushButton *CancelButton;

private:
    void FormCreate();
    void NextButtonClick();
    void BackButtonClick();
    void CheckBox1Click();
    void Edit124Change();
    void EditButtonClick();
    void CustomButtonClick();
    void ChangeOutputFolderButtonClick();
    void InputFolderPropertiesButtonClick();

    void readKeys();
    void writeKeys() const;
    void setOutputFolder(const CPath &folder);
    void updateButtons();
    void showPage(int index);
    bool allThumbnailsSettled() const;
    bool subfolderIsValid() const;
    THtmlPage pageContents(const std::vector<CThumbBitmap *> &written) const;

    CPath m_inputFolder;
    std::vector<CThumbBitmap *> m_records;   // one reference each
    QString m_section;
    CPath m_outputFolder;
    bool m_writeProtected = false;
    bool m_filling = true;                   // no validation while the form is filled
};

