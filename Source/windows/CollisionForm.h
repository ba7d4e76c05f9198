#pragma once

#include "ModalForm.h"

#include <Source/engine/WindowHooks.h>
#include <Source/engine/FileHandler.h>
#include <lib/Path.h>

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;
class THostPaintBox;

// "File Name Collision": a file being copied or moved meets a file of the
// same name in the target folder. Shows both files with their previews and
// asks what to do. Window thread.
class TCollisionForm1 : public TModalForm1
{
    Q_OBJECT

public:
    TCollisionForm1(QWidget *owner, const CPath &source, const CPath &destination);
    ~TCollisionForm1() override;

    // The collision dialog for source meeting destination: its choice, or
    // CollisionCancel when it was cancelled or closed. What the transfers'
    // ShowCollisionDialog hook answers.
    static CollisionChoice Ask(const CPath &source, const CPath &destination);

    // The button pressed; CollisionCancel until a choice button is.
    uint8_t Choice() const { return m_choice; }

    QLabel *Label1;
    QLabel *FileNameLabel;
    QLabel *DestFolderLabel;
    QWidget *SrcePanel;
    QWidget *DestPanel;
    QLineEdit *SrceEdit;
    QLineEdit *DestEdit;
    QLabel *SrceSizeLabel;
    QLabel *DestSizeLabel;
    QLabel *SrceDateLabel;
    QLabel *DestDateLabel;
    QToolButton *OpenSrceButton;
    QToolButton *OpenDestButton;
    QPushButton *RenameSrceButton;
    QPushButton *SkipSrceButton;
    QPushButton *RenameDestButton;
    QPushButton *DeleteDestButton;
    QPushButton *IgnoreAllButton;
    QPushButton *CancelButton;

private:
    void ChoiceButtonClick(CollisionChoice choice);
    void OpenSrceButtonClick();
    void OpenDestButtonClick();

    TImageHandler m_source;
    TImageHandler m_destination;
    THostPaintBox *m_sourcePreview;
    THostPaintBox *m_destinationPreview;
    uint8_t m_choice = CollisionCancel;
};
