#include "FolderBrowserForm.h"

#include <Source/Glob.h>
#include <lib/SafeRegIniFile.h>
#include <lib/controls/DirectoryTreeView.h>

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

static constexpr char PlacementSection[] = "Folder Browser";
static constexpr int DefaultWidth = 300;
static constexpr int DefaultHeight = 400;

TFolderBrowserForm1::TFolderBrowserForm1(QWidget *owner, const CPath &startFolder)
    : TModalForm1(owner)
    , DirTreeView(new TDirectoryTreeView(this))
    , Label1(new QLabel(this))
    , OKBtn(new QPushButton("OK", this))
    , CancelBtn(new QPushButton("Cancel", this))
{
    setObjectName("FolderBrowserForm1");
    setWindowTitle("Browse for Folder");
    DirTreeView->setObjectName("DirTreeView");
    Label1->setObjectName("Label1");
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    OKBtn->setObjectName("OKBtn");
    CancelBtn->setObjectName("CancelBtn");
    OKBtn->setDefault(true);
    SetButtonResult(OKBtn, mrOk);
    SetButtonResult(CancelBtn, mrCancel);
    connect(DirTreeView, &TDirectoryTreeView::OnDirOpened, this,
            [this](const QString &path) { DirTreeViewChange(path); });
    connect(DirTreeView, &QTreeWidget::itemDoubleClicked, this, &TFolderBrowserForm1::DirTreeViewDblClick);

    // The buttons keep their places at the right edge as the window is sized.
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(DirTreeView, 1);
    layout->addWidget(Label1);
    layout->addLayout(buttons);

    readPlacement();
    SetFolder(startFolder);
}

bool TFolderBrowserForm1::Browse(CPath &folder)
{
    TFolderBrowserForm1 form(nullptr, folder);
    const bool chosen = form.ShowModal() == mrOk;
    form.writePlacement();
    if (chosen)
        folder = form.Folder();
    return chosen;
}

bool TFolderBrowserForm1::IsValidFolder(const CPath &path)
{
    if (path.GetLength() <= 2)
        return false;
    const CString start = path.Left(3);
    return start.Left(2) == "\\\\" || start.Mid(1, 2) == ":\\";
}

void TFolderBrowserForm1::SetFolder(const CPath &path)
{
    m_folder = path;
    Label1->setText(path.ToAnsiString());
    OKBtn->setEnabled(IsValidFolder(path));
    // The tree reports the folder it reaches, in its own spelling, through
    // DirTreeViewChange.
    if (!m_fromTree)
        DirTreeView->SetDirectory(path.ToAnsiString());
}

void TFolderBrowserForm1::DirTreeViewChange(const QString &path)
{
    m_fromTree = true;
    SetFolder(CPath(CString(path)));
    m_fromTree = false;
}

void TFolderBrowserForm1::DirTreeViewDblClick()
{
    // A node that is no folder (the computer, the network) only opens.
    if (OKBtn->isEnabled())
        SetModalResult(mrOk);
}

void TFolderBrowserForm1::readPlacement()
{
    const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize();
    int x = screen.width() / 8, y = screen.height() / 8, width = DefaultWidth, height = DefaultHeight;
    if (SettingsStore) {
        x = SettingsStore->ReadInteger(PlacementSection, "Window X", x);
        y = SettingsStore->ReadInteger(PlacementSection, "Window Y", y);
        width = SettingsStore->ReadInteger(PlacementSection, "Window Width", width);
        height = SettingsStore->ReadInteger(PlacementSection, "Window Height", height);
    }
    move(x, y);
    resize(width, height);
}

void TFolderBrowserForm1::writePlacement() const
{
    if (!SettingsStore || isMaximized() || isMinimized() || isFullScreen())
        return;
    SettingsStore->WriteInteger(PlacementSection, "Window X", pos().x());
    SettingsStore->WriteInteger(PlacementSection, "Window Y", pos().y());
    SettingsStore->WriteInteger(PlacementSection, "Window Width", width());
    SettingsStore->WriteInteger(PlacementSection, "Window Height", height());
}
