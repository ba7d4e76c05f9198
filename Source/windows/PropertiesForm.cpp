#include "PropertiesForm.h"

#include "DialogParts.h"

#include <Source/Glob.h>
#include <Source/engine/HostPaintBox.h>
#include <Source/engine/Memo.h>
#include <platform/Exception.h>
#include <platform/StringList.h>

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

// A sunken panel that shows one property.
static QLabel *makePanel(QWidget *parent, const char *name, const QString &text)
{
    auto *panel = new QLabel(text, parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    panel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return panel;
}

TPropertiesForm1::TPropertiesForm1(QWidget *owner, const TImageHandler &file, bool moreFollow)
    : TModalForm1(owner)
    , m_file(file)
{
    setObjectName("PropertiesForm1");
    setWindowTitle("Image Properties");

    Edit = MakeColouredEdit(this, "Edit", palette().color(QPalette::Text));
    Edit->setText(file.GetFullPath().ToAnsiString());
    TStringList items;
    file.AddSubItems(false, items);
    DimensionsPanel = makePanel(this, "DimensionsPanel", items[1]);
    SizePanel = makePanel(this, "SizePanel", items[2]);
    ModifiedPanel = makePanel(this, "ModifiedPanel", items[3]);

    PaintBox = new THostPaintBox(this, file.GetFullPath());
    PaintBox->setObjectName("PaintBox");
    PaintBox->setFixedSize(160, 140);
    OpenTool = MakeDialogTool(this, "OpenTool", "document-open", QStyle::SP_DialogOpenButton, "Open");
    ClearTool = MakeDialogTool(this, "ClearTool", "edit-clear", QStyle::SP_DialogResetButton, "Clear memo");

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName("Memo");
    Memo->setTabChangesFocus(true);
    CMemo memo(file.GetFullPath());
    SetMemoLines(*Memo, *memo.GetLines());
    Memo->setFocus();   // the one field to edit, rather than the path above it

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setEnabled(false);   // until the memo changes, so that OK always stores an edit
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    SkipBtn = new QPushButton("&Skip", this);
    SkipBtn->setObjectName("SkipBtn");
    SkipBtn->setEnabled(moreFollow);
    HelpBtn = NewHelpButton("HelpBtn");
    ClearTool->setEnabled(HasMemoLines(*Memo));

    auto *properties = new QFormLayout;
    properties->addRow("Dimensions:", DimensionsPanel);
    properties->addRow("File size:", SizePanel);
    properties->addRow("Modified:", ModifiedPanel);

    auto *tools = new QHBoxLayout;
    tools->addWidget(OpenTool);
    tools->addWidget(ClearTool);
    tools->addStretch();

    auto *preview = new QVBoxLayout;
    preview->addWidget(PaintBox);
    preview->addLayout(tools);
    preview->addStretch();

    auto *memoLabel = new QLabel("&Memo:", this);
    memoLabel->setBuddy(Memo);
    auto *fields = new QVBoxLayout;
    fields->addWidget(Edit);
    fields->addLayout(properties);
    fields->addWidget(memoLabel);
    fields->addWidget(Memo, 1);

    auto *body = new QHBoxLayout;
    body->addLayout(preview);
    body->addLayout(fields, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(SkipBtn);
    buttons->addWidget(HelpBtn);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    resize(520, 320);

    SetButtonResult(CancelBtn, mrCancel);
    SetButtonResult(SkipBtn, mrSkip);
    connect(OKBtn, &QPushButton::clicked, this, &TPropertiesForm1::OKBtnClick);
    // Wired after the memo was filled, which is no change.
    connect(Memo, &QPlainTextEdit::textChanged, this, &TPropertiesForm1::MemoChange);
    connect(ClearTool, &QToolButton::clicked, this, &TPropertiesForm1::ClearToolClick);
    connect(OpenTool, &QToolButton::clicked, this, &TPropertiesForm1::OpenToolClick);
}

int TPropertiesForm1::ShowProperties(TImageHandler &file, bool moreFollow)
{
    TPropertiesForm1 dialog(nullptr, file, moreFollow);
    const int result = dialog.ShowModal();
    if (result == mrOk)
        file.UpdateHasMemo();
    return result;
}

void TPropertiesForm1::MemoChange()
{
    OKBtn->setEnabled(true);
    ClearTool->setEnabled(HasMemoLines(*Memo));
}

void TPropertiesForm1::ClearToolClick()
{
    Memo->clear();
}

void TPropertiesForm1::OpenToolClick()
{
    m_file.Open(CString());
}

void TPropertiesForm1::OKBtnClick()
{
    TStringList lines;
    GetMemoLines(*Memo, lines);
    try {
        CMemo(m_file.GetFullPath()).SetLines(lines);
    } catch (const Exception &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
        return;
    }
    SetModalResult(mrOk);
}
