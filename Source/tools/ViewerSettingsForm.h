#pragma once

#include <Source/windows/ModalForm.h>

#include <array>

class QLineEdit;
class QPushButton;
class TViewerOptions;

// Edits the viewer's five effect steps. OK stores what the edits hold, each
// kept within what the effect can use, and saves the set.
class TViewerSettingsForm1 : public TModalForm1
{
    Q_OBJECT

public:
    TViewerSettingsForm1(QWidget *owner, TViewerOptions &options);

    // Runs the dialog on options; answers whether the user pressed OK.
    static bool ShowSettings(QWidget *owner, TViewerOptions &options);

    // The edits in option order: blur, sharpen, angle, brightness, contrast.
    std::array<QLineEdit *, 5> Edits;
    QPushButton *OkButton;
    QPushButton *CancelButton;
    // Greyed while the preferences are not registered.
    QPushButton *JpegButton;
    QPushButton *HelpButton;

private:
    void FormShow();
    void OkButtonClick();

    TViewerOptions &m_options;
};
