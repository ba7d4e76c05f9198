#pragma once

#include "ModalForm.h"

#include <lib/String.h>

class QLabel;
class QPushButton;

// The insert-volume prompt: asks for the volume of a stored folder path. The
// caller retries on OK, gives up on Cancel and goes on without the volume on
// Force.
class TVolumeForm1 : public TModalForm1
{
    Q_OBJECT

public:
    // allowForce: whether the Force button can be pressed.
    TVolumeForm1(QWidget *owner, const CString &text, bool allowForce);

    // The prompt for the engine: shows text and answers IDOK, IDCANCEL or
    // VolumeForce. Window thread only.
    static int Ask(const CString &text, bool allowForce);

    QLabel *Label;          // owned by the dialog as Qt children
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
    QPushButton *ForceBtn;
};
