#pragma once

#include "ThumbSettingsLink.h"

#include <Source/engine/WindowHooks.h>

#include <Source/engine/OptionDialog.h>
#include <Source/engine/ThumbCache.h>
#include <Source/windows/ModalForm.h>
#include <lib/Options.h>
#include <lib/Path.h>
#include <lib/String.h>

#include <QImage>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QStackedWidget;
class QTableWidget;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class THistoryComboBox;
class TNewScrollBar;
class TZiloOptions;
class TPicturePanel;
class ToolBrowser;

// "The thumbnail cache currently contains 4 thumbnails of which 1 is in use.\n..."
// as the cache page shows the totals.
CString CacheStatisticsText(const TThumbStatistics &statistics);
// "The memo cache is empty." or "... contains 3 memos."
CString MemoStatisticsText(int memoCount);
// The JPEG page's track bar (0..maximum) and percent edit, each from the other.
int JpegPercentFromPosition(int position, int maximum);
int JpegPositionFromPercent(int percent, int maximum);
// Puts '?' in place of every drive (either case) in letters; answers whether
// one was there. A drive that is no letter matches nothing.
bool MaskDriveLetter(QString &letters, char drive);

// The preferences: the option groups General, Panel, Jpeg, Disk and Cache,
// the shown folder's options and the open-with applications, on eight pages.
// Nothing reaches a group before Apply or OK. Window thread only.
class TOptionForm1 : public TModalForm1, public OptionDialog
{
    Q_OBJECT

public:
    enum Page { GeneralPage, FolderPage, PanelPage, JpegPage, ApplicationsPage, AdvancedPage, DiskPage, CachePage };
    static constexpr int PageCount = 8;
    // The track bar of the JPEG page.
    static constexpr int JpegTrackMaximum = 50;
    // Timer2's interval and the ticks between two readings of the cache.
    static constexpr int TickMs = 20;
    static constexpr int StatisticsTicks = 100;

    // page -1: the page shown last; another page alone, without the tree.
    // folder empty: no folder page. browser, when given, opens the folder
    // manager; it must outlive the dialog.
    TOptionForm1(QWidget *owner, int page, const CPath &folder, ToolBrowser *browser = nullptr);
    ~TOptionForm1() override;

    // The dialog for browser's shown folder; each Apply fills every Open With
    // menu again. Answers whether OK or Apply was pressed.
    static bool ShowPreferences(ToolBrowser &browser);
    // One page alone, without a folder (the viewer settings' "&JPEG...").
    static bool ShowPage(QWidget *owner, int page);

    // Set by the opener before the dialog shows.
    void SetThumbnailAppearanceAllowed(bool allowed) { m_appearanceAllowed = allowed; }
    void SetApplyCallback(std::function<void()> callback) { m_applyCallback = std::move(callback); }

    // The page's option group; null for a page without one (and the folder
    // page without a folder).
    TZiloOptions *Store(int page) const { return m_stores[size_t(page)]; }
    int ActivePage() const;
    void ShowPageOfTag(int page);
    // Step 5 of every tick: the enabled states, and Revert, Use Defaults,
    // Set As Defaults and Apply by comparing each group with the dialog.
    // Cheap when nothing changed since the last call.
    void UpdateControls();
    // Renders the JPEG page's preview now (what Timer1 does).
    void RenderJpegPreview();
    void Timer2Timer();
    ThumbSettingsPanel &ThumbSettings() { return *m_thumbSettings; }
    // The grid's rows as entries.
    std::vector<OpenWithApplication> GridApplications() const;

    // OptionDialog
    bool IsChecked(OptionControl control) const override;
    void SetChecked(OptionControl control, bool checked) override;
    int GetItemIndex(OptionControl control) const override;
    void SetItemIndex(OptionControl control, int index) override;
    QString GetText(OptionControl control) const override;
    void SetText(OptionControl control, const QString &text) override;
    int32_t GetTextureColour() const override { return m_textureColour; }
    void SetTextureColour(int32_t colour) override;
    int32_t GetColourStrength() const override { return m_colourStrength; }
    void SetColourStrength(int32_t strength) override;
    int32_t GetSelectionColour() const override { return m_selectionColour; }
    void SetSelectionColour(int32_t colour) override;
    int32_t GetTextColour() const override { return m_textColour; }
    void SetTextColour(int32_t colour) override;
    int GetThumbnailSize() const override;
    void SetThumbnailSize(int size) override;
    int GetThumbnailSpacing() const override;
    void SetThumbnailSpacing(int spacing) override;
    int GetThumbnailSharpness() const override;
    void SetThumbnailSharpness(int sharpness) override;

    CString GetTextureFile() const;
    void SetTextureFile(const CString &file);
    CString GetSpecialBrowseFolder() const;
    void SetSpecialBrowseFolder(const CString &folder);

    QTreeWidget *TreeView;
    QStackedWidget *PageControl;
    std::array<QWidget *, PageCount> Pages{};
    QPushButton *OkButton;
    QPushButton *CancelButton;
    QPushButton *ApplyButton;
    QPushButton *RevertButton;
    QPushButton *UseDefaultsButton;
    QPushButton *SetDefaultsButton;
    QPushButton *HelpButton;

    // General
    QLineEdit *AskEdit;
    QWidget *AskUpDown;
    QLabel *ImagesLabel;
    TNewScrollBar *ScrollBarSample;
    // Folder
    QGroupBox *FolderGroupBox;
    QLabel *InfoLabel;
    QLabel *DriveIcon;
    QLabel *WriteProtectedLabel;
    QToolButton *CustomSortTool;
    QPushButton *ThumbnailAppearanceButton;
    QPushButton *FolderManagerButton;
    // Panel
    THistoryComboBox *PanelTextureCombo;
    QPushButton *TextureBrowseButton;
    QLabel *TextureFileErrorLabel;
    QSlider *IntensityTrackBar;
    TPicturePanel *TexturePreviewPanel;
    QPushButton *TextureColourButton;
    QLabel *TextureColourPanel;
    QPushButton *SelectionColourButton;
    QLabel *SelectionColourPanel;
    QPushButton *TextColourButton;
    QLabel *TextColourPanel;
    // JPEG
    QSlider *JpegTrackBar;
    QLineEdit *JpegEdit;
    TPicturePanel *SourcePreviewPanel;
    TPicturePanel *CompressedPreviewPanel;
    QLabel *QualityErrorLabel;
    // Applications
    QTableWidget *ApplicationGrid;
    QToolButton *UpTool;
    QToolButton *DownTool;
    QPushButton *AddButton;
    QPushButton *ModifyButton;
    QPushButton *RemoveButton;
    QPushButton *LaunchButton;
    QLineEdit *TextFileAppEdit;
    QPushButton *TextFileBrowseButton;
    QPushButton *NotepadButton;
    // Advanced
    QPushButton *DiskPreferencesButton;
    QPushButton *CachePreferencesButton;
    // Disk
    QLineEdit *SpecialBrowseFolderEdit;
    QPushButton *SpecialBrowseButton;
    QLineEdit *WriteProtectEdit;
    // Cache
    QLabel *ThumbnailStatisticsLabel;
    QLabel *MemoStatisticsLabel;
    QPushButton *PurgeThumbnailsButton;
    QPushButton *PurgeMemosButton;

    QTimer *Timer1;   // the JPEG preview, 250 ms after the last change
    QTimer *Timer2;   // the controls, every TickMs
    QTimer *Timer3;   // the texture preview, 250 ms after the last change

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void FormDestroy();
    void OkButtonClick();
    void ApplyButtonClick();
    void RevertButtonClick();
    void UseDefaultsButtonClick();
    void SetDefaultsButtonClick();
    void TreeViewChange();
    void PageControlChange(int page);
    void FolderManagerButtonClick();
    void ThumbnailAppearanceButtonClick();
    void CustomSortToolClick();
    void JpegTrackBarChange(int position);
    void JpegEditChange();
    void Timer3Timer();
    void TextureBrowseButtonClick();
    void chooseColour(int32_t colour, void (TOptionForm1::*setter)(int32_t));
    void SpecialBrowseButtonClick();
    void DiskFolderChange();
    void PurgeThumbnailsButtonClick();
    void PurgeMemosButtonClick();
    void AddButtonClick();
    void ModifyButtonClick();
    void RemoveButtonClick();
    void MoveRow(int step);
    void LaunchButtonClick();
    void ApplicationGridEdited(int row, int column);
    void TextFileBrowseButtonClick();
    void NotepadButtonClick();

    void buildGeneralPage(QWidget *page);
    void buildFolderPage(QWidget *page);
    void buildPanelPage(QWidget *page);
    void buildJpegPage(QWidget *page);
    void buildApplicationsPage(QWidget *page);
    void buildAdvancedPage(QWidget *page);
    void buildDiskPage(QWidget *page);
    void buildCachePage(QWidget *page);
    QCheckBox *addCheck(QWidget *parent, const char *name, const char *caption, OptionControl control);
    QLineEdit *addEdit(QWidget *parent, const char *name, OptionControl control);
    QButtonGroup *addChoice(OptionControl control, const std::vector<QRadioButton *> &buttons);

    void applyStep();
    void showStatistics();
    void loadApplicationsPage();
    void saveApplicationsPage();
    void setGridRows(const std::vector<OpenWithApplication> &applications);
    void appendGridRow(const OpenWithApplication &application);
    // The open dialog for a program; answers the Windows path, or empty
    // (with the refusal shown) for a file that cannot run.
    CString chooseProgram(const CString &current);
    void paintColourPanel(QLabel *panel, int32_t colour);
    void restartTimer(QTimer *timer);
    void markChanged() { m_changed = true; }
    void updateEnabledStates();
    void compareStores();
    bool loadQualityPicture();
    bool isThumbSettingsVisible() const;

    int m_requestedPage;
    CPath m_folder;
    ToolBrowser *m_browser;
    bool m_writeProtected = false;
    bool m_appearanceAllowed = false;
    int32_t m_textureColour = 0;
    int32_t m_colourStrength = 0;
    int32_t m_selectionColour = 0;
    int32_t m_textColour = 0;
    int m_jpegChanging = 0;            // re-entrancy of the track bar and the edit
    bool m_specialFolderValid = true;
    bool m_conflictShown = false;      // the drive-conflict message is up
    bool m_textureError = false;
    bool m_changed = true;             // a control changed since the last comparison
    int m_tickCount = 0;
    std::function<void()> m_applyCallback;
    std::array<TZiloOptions *, PageCount> m_stores{};
    // One working copy per group, reused by every comparison.
    std::array<std::unique_ptr<TZiloOptions>, PageCount> m_probes;
    std::array<bool, PageCount> m_differsFromValues{};
    std::array<bool, PageCount> m_differsFromDefaults{};
    bool m_applicationsDiffer = false;
    // The list as the store held it when last loaded or saved: only this
    // dialog writes it while it is open.
    std::vector<OpenWithApplication> m_storedApplications;
    CString m_storedTextEditor;
    std::unique_ptr<ThumbSettingsPanel> m_thumbSettings;
    TOptionsReg m_windowOptions;
    // The source picture of the JPEG preview, loaded once.
    QImage m_qualityPicture;
    bool m_qualityLoaded = false;

    static constexpr size_t ControlCount = size_t(OptionControl::LabelCombo) + 1;
    std::array<QWidget *, ControlCount> m_controls{};
    std::array<QButtonGroup *, ControlCount> m_choices{};
    QTreeWidgetItem *m_treeItems[PageCount] = {};
};
