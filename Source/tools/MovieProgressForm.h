#pragma once

#include <Source/windows/ModalForm.h>
#include <lib/Path.h>
#include <lib/controls/ProgressPanel.h>

#include <memory>

class QLabel;
class QPushButton;

// The progress of a movie being made, not modal: the frames saved, then the
// movie compressed, each on its own row. Every other window of the program is
// disabled while it shows. Cancel, Escape and the close box cancel the
// current row. Window thread.
class TMovieProgressForm1 : public TModalForm1
{
    Q_OBJECT

public:
    explicit TMovieProgressForm1(const CPath &target, QWidget *owner = nullptr);
    ~TMovieProgressForm1() override;

    // For a movie written without compression: the second row goes, and the
    // window is 50 pixels lower.
    void HideCompressionBar();
    // Drives the rows; its Cancelled is set by Cancel.
    TProgress &Progress() { return *m_progress; }

    void reject() override;

    QLabel *Label;
    TProgressPanel *ProgressPanel;
    QPushButton *CancelButton;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // The panel's height for rows of bars.
    int panelHeight(int rows) const;

    std::unique_ptr<TProgress> m_progress;
    bool m_disabled = false;   // the program's other windows, by this one
};
