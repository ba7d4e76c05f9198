#pragma once

#include <Source/engine/SearchContext.h>
#include <Source/windows/ToolHost.h>
#include <lib/Options.h>
#include <lib/String.h>

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// Accepts the files whose names contain a pattern, or equal it. Without
// match case, letters compare without case (ASCII letters only). An empty
// pattern accepts every name. Made for one search.
class CFinderContext : public CSearchContext
{
public:
    CFinderContext(const CString &pattern, bool matchCase, bool exactMatch, bool clearSelection, bool moveToTop);

    // The file name of the thumbnail's record, without its folder.
    bool MatchesThumbnail(const TThumbnail &thumbnail) override;
    bool MatchesFile(CString fileName) override;

private:
    CString m_pattern;   // lower-cased unless m_matchCase
    bool m_matchCase;
    bool m_exactMatch;
};

// "Image Finder": selects, in every browse window and optionally in the
// basket, the thumbnails whose file names match the pattern. A stay-on-top
// tool window that the coordinator makes once. Window thread only.
class TFinderForm1 : public QWidget, public TToolForm
{
    Q_OBJECT

public:
    // The settings entries of "Finder", by index.
    enum Option { Left, Top, MatchCase, ExactMatch, ClearSelection, MoveSelection, IncludeBasket };
    // The most patterns the history keeps.
    static constexpr int HistoryCapacity = 10;

    TFinderForm1();

    // TToolForm
    QWidget *Window() override { return this; }
    void SetIncludeBasket(bool include) override;

    // Makes text the pattern, unless it is already.
    void SetPattern(const QString &text);
    // Whether a search runs: the browse windows are being searched.
    bool IsSearching() const { return m_searching; }

    void FindButtonClick();
    void CloseButtonClick() { close(); }
    void HelpButtonClick();

    QComboBox *PatternCombo;
    QCheckBox *MatchCaseCheck;
    QCheckBox *ExactMatchCheck;
    QCheckBox *ClearSelectionCheck;
    QCheckBox *MoveSelectionCheck;
    QCheckBox *IncludeBasketCheck;
    QLabel *ResultLabel;
    QPushButton *FindButton;
    QPushButton *CloseButton;
    QPushButton *HelpButton;
    TOptionsReg Options;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void addToHistory(const QString &text);
    void loadHistory();
    // Writes the patterns over the old ones, in one registry transaction; the
    // section's other values (the window's options) stay.
    void saveHistory();
    // The check boxes of options MatchCase to IncludeBasket, in that order.
    QCheckBox *optionCheck(int option) const;

    bool m_searching = false;
};
