#pragma once

#include "BasketData.h"

#include <Source/engine/WindowHooks.h>
#include <Source/windows/ToolHost.h>
#include <lib/Options.h>
#include <lib/Path.h>
#include <platform/StringList.h>

#include <QItemSelectionModel>
#include <QWidget>

#include <optional>
#include <vector>

class QAbstractItemView;
class QAction;
class QActionGroup;
class QLabel;
class QListView;
class QMenu;
class QMenuBar;
class QStackedWidget;
class QTreeView;
class TDock;
class TDockToolbar;
class TDropFile;
class TGradientCaption;

// The basket: images from any folders in one list, kept in "Basket.zilb"
// across runs. The list is read when the window is first shown or searched
// and written whenever it hides; a list that could not be read whole is never
// written over. The coordinator owns the window, ticks it and hides it at
// shut-down; it answers the engine's basket hooks while it lives. Window
// thread only.
class TBasketForm1 : public QWidget, public TToolForm, public BasketHooks
{
    Q_OBJECT

public:
    // The settings entries of "Basket", by index; the six column widths follow Icons.
    enum Option { WindowX, WindowY, WindowWidth, WindowHeight, Icons, Column1 };
    // View styles, as "Icons" stores them.
    enum ViewStyle { LargeIcons, SmallIcons, List, Details };

    TBasketForm1();
    ~TBasketForm1() override;

    // TToolForm
    QWidget *Window() override { return this; }
    void Tick() override { UpdateCommandStates(); }
    void SetCaptionGradient(TGradEnabled mode) override;
    void ReloadOpenWithMenu() override;
    // Adds the thumbnails' files, then shows and focuses the window.
    void AddThumbnails(const std::vector<TThumbnail *> &thumbnails) override;
    void ClearCutMarks() override;
    // Loads the basket first when it has not been; shows the window when a row matched.
    int ApplySearch(CSearchContext &criterion) override;

    // BasketHooks
    void RemoveMissingItems() override;
    void RenameItem(const CPath &oldPath, const CPath &newPath) override;

    void LoadBasket();
    // Nothing while the basket is not loaded whole.
    void SaveBasket();
    // False when the path is in the basket already.
    bool AddFile(const TImageHandler &file);
    // Adds each file, says how many were refused as duplicates, shows the window.
    void AddFiles(const std::vector<TImageHandler> &files);
    TBasketItem *FindItem(const CPath &path) const;
    void RemoveItem(TBasketItem *item);
    // Enables the commands by the selection, then refreshes four rows in
    // the background. Nothing while the window is hidden.
    void UpdateCommandStates();
    // A click on a column header: a new column sorts ascending, the same
    // column again reverses the order.
    void ListViewColumnClick(int column);

    bool Loaded() const { return m_loaded; }
    int GetViewStyle() const { return m_viewStyle; }
    void SetViewStyle(int style);
    // The window's command whose action has this object name; null for none.
    QAction *Command(const QString &name) const;
    // The selected rows' full paths, in list order.
    TStringList SelectedPaths() const;
    // The view that shows the rows in the present style.
    QAbstractItemView *CurrentView() const;

    TBasketModel *Model;
    QStackedWidget *ListView;   // the two views over the one model
    QListView *IconView;        // large icons, small icons and list
    QTreeView *ReportView;      // details
    TGradientCaption *GradientCaption1;
    QMenuBar *MainMenu1;
    TDock *DockBar;
    TDockToolbar *Toolbar1;
    QLabel *StatusBar;
    QMenu *PopupMenu1;
    TDropFile *DropFile1;
    TOptionsReg Options;

    // The commands, shared by menu items, pop-up items and buttons.
    void Open1Click();
    void OpenBrowser1Click();
    void Cut1Click();
    void Copy1Click();
    void SelectAll1Click();
    void SelectNone1Click();
    void InvertSelection1Click();
    void CopyTo1Click();
    void MoveTo1Click();
    void Delete1Click();
    void Rename1Click();
    void Remove1Click();
    void RemoveAll1Click();
    void Properties1Click();
    void FinderWindow1Click();
    void NewBrowser1Click();
    void Close1Click();
    void Contents1Click();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Rule { Always, Selected, Any, HelpFile };
    struct TCommand
    {
        QAction *action;
        Rule rule;
        std::optional<Tool> tool;
    };

    void createControls();
    void createCommands();
    void createMenus();
    void createToolbar();
    QAction *addCommand(const char *name, const char *caption, const char *key, void (TBasketForm1::*handler)(),
                        Rule rule, std::optional<Tool> tool = std::nullopt);
    // The in-place rename of a row's name, by the rename dialog's rules; a
    // refused name puts the old one back and opens the editor again.
    bool renameInPlace(TBasketItem &item, const QString &name);
    std::vector<TBasketItem *> selectedItems() const;
    void selectAll(QItemSelectionModel::SelectionFlags how);
    void storeLayout();

    std::vector<TCommand> m_commands;
    QActionGroup *m_viewStyles = nullptr;
    QMenu *m_openWithMenu = nullptr;
    QMenu *m_openWithPopup = nullptr;
    TStringList m_keptLines;   // lines of drives absent now, saved as they were
    int m_viewStyle = Details;
    int LastSortColumn = -1;
    bool SortAscending = true;
    bool m_loaded = false;
    bool EditingLabel = false;   // while an in-place rename is committed
    CPath EditOldPath;
};
