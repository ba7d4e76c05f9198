#include "MemoReplaceForm.h"

#include "DialogParts.h"

#include <platform/StringList.h>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

static QPlainTextEdit *makeMemoView(QWidget *parent, const char *name, const TStrings &lines)
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    SetMemoLines(*memo, lines);
    return memo;
}

TMemoReplaceForm1::TMemoReplaceForm1(QWidget *owner, const CPath &destination, const TStrings &sourceLines,
                                     const TStrings &destLines)
    : TModalForm1(owner)
{
    setObjectName("MemoReplaceForm1");
    setWindowTitle("Confirm Memo Replacement");

    FileLabel = new QLabel(destination.GetFilePart().ToAnsiString(), this);
    FileLabel->setObjectName("FileLabel");
    QFont bold = FileLabel->font();
    bold.setBold(true);
    FileLabel->setFont(bold);
    Memo1 = makeMemoView(this, "Memo1", sourceLines);
    Memo2 = makeMemoView(this, "Memo2", destLines);
    ReplaceBtn = new QPushButton("&Replace it", this);
    ReplaceBtn->setObjectName("ReplaceBtn");
    ReplaceBtn->setDefault(true);
    KeepBtn = new QPushButton("&Keep it", this);
    KeepBtn->setObjectName("KeepBtn");
    m_pause = new QTimer(this);
    m_pause->setSingleShot(true);
    m_pause->setInterval(ReplacedPauseMs);

    auto *memos = new QGridLayout;
    memos->addWidget(new QLabel("Source memo:", this), 0, 0);
    memos->addWidget(new QLabel("Destination memo:", this), 0, 1);
    memos->addWidget(Memo1, 1, 0);
    memos->addWidget(Memo2, 1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ReplaceBtn);
    buttons->addWidget(KeepBtn);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("The source and destination images have different memos.", this));
    layout->addWidget(FileLabel);
    layout->addWidget(new QLabel("What do you want to do with the destination memo?", this));
    layout->addLayout(memos, 1);
    layout->addLayout(buttons);
    resize(460, 280);

    SetButtonResult(KeepBtn, mrCancel);
    connect(ReplaceBtn, &QPushButton::clicked, this, &TMemoReplaceForm1::ReplaceBtnClick);
    connect(m_pause, &QTimer::timeout, this, [this] { SetModalResult(mrOk); });
}

bool TMemoReplaceForm1::ConfirmMemoReplacement(const CPath &destination, const TStrings &sourceLines,
                                               const TStrings &destLines)
{
    TMemoReplaceForm1 dialog(nullptr, destination, sourceLines, destLines);
    return dialog.ShowModal() == mrOk;
}

void TMemoReplaceForm1::reject()
{
    if (m_pause->isActive())
        return;
    TModalForm1::reject();
}

void TMemoReplaceForm1::ReplaceBtnClick()
{
    Memo2->setPlainText(Memo1->toPlainText());
    ReplaceBtn->setEnabled(false);
    KeepBtn->setEnabled(false);
    m_pause->start();
}
