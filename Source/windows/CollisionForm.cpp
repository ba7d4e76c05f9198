#include "CollisionForm.h"

#include "NamedControl.h"

#include <Source/engine/HostPaintBox.h>

#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

// The previews' side, in pixels.
constexpr int PreviewSize = 120;

// A sunken panel holding a file's preview.
static QFrame *previewPanel(QWidget *parent, const char *name, THostPaintBox *&preview, const CPath &path,
                            const char *hint)
{
    auto *panel = NewControl<QFrame>(parent, name);
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    preview = new THostPaintBox(panel, path);
    preview->setToolTip(QString::fromLatin1(hint));
    preview->setFixedSize(PreviewSize, PreviewSize);
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(preview);
    return panel;
}

static QLineEdit *pathEdit(QWidget *parent, const char *name, const CPath &path)
{
    auto *edit = NewControl<QLineEdit>(parent, name, path.ToAnsiString());
    edit->setReadOnly(true);
    return edit;
}

// One file's column: heading, preview, path, dimensions and date, then its buttons.
static QVBoxLayout *fileColumn(const char *heading, QWidget *panel, QLineEdit *edit, QLabel *size, QLabel *date,
                               std::initializer_list<QWidget *> buttons)
{
    auto *column = new QVBoxLayout;
    column->addWidget(new QLabel(QString::fromLatin1(heading), panel->parentWidget()));
    column->addWidget(panel, 0, Qt::AlignHCenter);
    column->addWidget(edit);
    auto *facts = new QHBoxLayout;
    facts->addWidget(size);
    facts->addStretch(1);
    facts->addWidget(date);
    column->addLayout(facts);
    auto *row = new QHBoxLayout;
    for (QWidget *button : buttons)
        row->addWidget(button);
    row->addStretch(1);
    column->addLayout(row);
    return column;
}

static QToolButton *openButton(QWidget *parent, const char *name, const char *hint)
{
    auto *button = NewControl<QToolButton>(parent, name);
    button->setIcon(parent->style()->standardIcon(QStyle::SP_DialogOpenButton));
    button->setToolTip(QString::fromLatin1(hint));
    return button;
}

TCollisionForm1::TCollisionForm1(QWidget *owner, const CPath &source, const CPath &destination)
    : TModalForm1(owner)
    , Label1(NewControl<QLabel>(this, "Label1", QStringLiteral("A file with this name already exists in folder")))
    , FileNameLabel(NewControl<QLabel>(this, "FileNameLabel", source.GetFilePart().ToAnsiString()))
    , DestFolderLabel(NewControl<QLabel>(this, "DestFolderLabel", CPath(destination.GetDirPart()).ToAnsiString()))
    , SrcePanel(previewPanel(this, "SrcePanel", m_sourcePreview, source, "Image which is being copied (Source)"))
    , DestPanel(previewPanel(this, "DestPanel", m_destinationPreview, destination,
                             "Image which is already in the target folder (Destination)"))
    , SrceEdit(pathEdit(this, "SrceEdit", source))
    , DestEdit(pathEdit(this, "DestEdit", destination))
    , SrceSizeLabel(NewControl<QLabel>(this, "SrceSizeLabel"))
    , DestSizeLabel(NewControl<QLabel>(this, "DestSizeLabel"))
    , SrceDateLabel(NewControl<QLabel>(this, "SrceDateLabel"))
    , DestDateLabel(NewControl<QLabel>(this, "DestDateLabel"))
    , OpenSrceButton(openButton(this, "OpenSrceButton", "Open Source Image"))
    , OpenDestButton(openButton(this, "OpenDestButton", "Open Destination Image"))
    , RenameSrceButton(NewControl<QPushButton>(this, "RenameSrceButton", QStringLiteral("Rename")))
    , SkipSrceButton(NewControl<QPushButton>(this, "SkipSrceButton", QStringLiteral("Skip")))
    , RenameDestButton(NewControl<QPushButton>(this, "RenameDestButton", QStringLiteral("Rename")))
    , DeleteDestButton(NewControl<QPushButton>(this, "DeleteDestButton", QStringLiteral("Delete")))
    , IgnoreAllButton(NewControl<QPushButton>(this, "IgnoreAllButton", QStringLiteral("&Ignore All")))
    , CancelButton(NewControl<QPushButton>(this, "CancelButton", QStringLiteral("Cancel")))
    , m_source(source, true)
    , m_destination(destination, true)
{
    setObjectName(QStringLiteral("CollisionForm1"));
    setWindowTitle(QStringLiteral("File Name Collision"));

    SrceSizeLabel->setText(m_source.GetDimensionString().ToAnsiString());
    DestSizeLabel->setText(m_destination.GetDimensionString().ToAnsiString());
    SrceDateLabel->setText(m_source.GetDateTimeString().ToAnsiString());
    DestDateLabel->setText(m_destination.GetDateTimeString().ToAnsiString());
    QFont bold = FileNameLabel->font();
    bold.setBold(true);
    FileNameLabel->setFont(bold);
    DestFolderLabel->setFont(bold);
    IgnoreAllButton->setDefault(true);
    IgnoreAllButton->setFocus();

    auto *files = new QHBoxLayout;
    files->addLayout(fileColumn("Source image:", SrcePanel, SrceEdit, SrceSizeLabel, SrceDateLabel,
                                {OpenSrceButton, RenameSrceButton, SkipSrceButton}));
    files->addSpacing(12);
    files->addLayout(fileColumn("Destination image:", DestPanel, DestEdit, DestSizeLabel, DestDateLabel,
                                {OpenDestButton, RenameDestButton, DeleteDestButton}));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(IgnoreAllButton);
    buttons->addWidget(CancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(DestFolderLabel);
    layout->addWidget(FileNameLabel);
    layout->addSpacing(6);
    layout->addLayout(files);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    const std::pair<QPushButton *, CollisionChoice> choices[] = {
        {IgnoreAllButton, CollisionIgnoreAll},         {RenameSrceButton, CollisionRenameSource},
        {SkipSrceButton, CollisionSkip},               {RenameDestButton, CollisionRenameDestination},
        {DeleteDestButton, CollisionDeleteDestination},
    };
    for (const auto &[button, choice] : choices)
        connect(button, &QPushButton::clicked, this, [this, choice = choice] { ChoiceButtonClick(choice); });
    SetButtonResult(CancelButton, mrCancel);
    connect(OpenSrceButton, &QToolButton::clicked, this, &TCollisionForm1::OpenSrceButtonClick);
    connect(OpenDestButton, &QToolButton::clicked, this, &TCollisionForm1::OpenDestButtonClick);
}

TCollisionForm1::~TCollisionForm1() = default;

CollisionChoice TCollisionForm1::Ask(const CPath &source, const CPath &destination)
{
    TCollisionForm1 form(nullptr, source, destination);
    if (form.ShowModal() != mrOk)
        return CollisionCancel;
    return CollisionChoice(form.Choice());
}

void TCollisionForm1::ChoiceButtonClick(CollisionChoice choice)
{
    m_choice = choice;
    SetModalResult(mrOk);
}

void TCollisionForm1::OpenSrceButtonClick()
{
    m_source.Open(CString());
}

void TCollisionForm1::OpenDestButtonClick()
{
    m_destination.Open(CString());
}
