#include "CustomHTMLForm.h"

#include "HtmlTemplate.h"
#include "ThumbnailWizard.h"

#include <Source/Glob.h>
#include <lib/SafeRegIniFile.h>
#include <lib/controls/HistoryComboBox.h>
#include <platform/Exception.h>
#include <platform/SystemMetrics.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

static const QString RecentSection = QStringLiteral("Recent HTML");

// The combos in the order of their keys, each with its presets: a preset
// goes on top of the list, so the last one stands first.
struct ComboField
{
    const char *key;
    std::vector<const char *> presets;
};

static const ComboField ComboFields[] = {
    {"TABLE", {"WIDTH=75% CELLSPACING=4 CELLPADDING=4"}},
    {"TR", {""}},
    {"TD", {"ALIGN=CENTER VALIGN=TOP"}},
    {"ALT", {"Picture of %g", "%f"}},
    {"Label Format",
     {"<BR><SUB>%n of %t<BR>%f<BR>(%s)</SUB>", "<BR><SUB>%g<BR>(%s)<BR><EM>%m</EM></SUB>", "<BR>%f<BR>(%s)"}},
};

static THistoryComboBox *historyCombo(QWidget *parent, const char *name)
{
    auto *combo = new THistoryComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumWidth(320);
    return combo;
}

static QCheckBox *checkBox(const char *caption, QWidget *parent, const char *name)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

static QSpinBox *spinBox(QWidget *parent, const char *name, int minimum)
{
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(minimum, 999);
    return spin;
}

// A disabled field takes the button face, an enabled one the window colour.
static void enableField(QWidget *field, bool enabled)
{
    field->setEnabled(enabled);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, SysColour(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    field->setPalette(palette);
}

TCustomHTMLForm1::TCustomHTMLForm1(QWidget *owner, TThumbnailWizardForm1 &wizard)
    : TModalForm1(owner)
    , m_wizard(wizard)
{
    setObjectName("CustomHTMLForm1");
    setWindowTitle("Thumbnail Wizard - Customise HTML body");

    TableCombo = historyCombo(this, "TableCombo");
    TrCombo = historyCombo(this, "TrCombo");
    TdCombo = historyCombo(this, "TdCombo");
    Edit1 = spinBox(this, "Edit1", 1);
    CheckBox1 = checkBox("Use &WIDTH and HEIGHT in IMG tags", this, "CheckBox1");
    Edit5 = spinBox(this, "Edit5", 0);
    CheckBox3 = checkBox("&BORDER=", this, "CheckBox3");
    AltCombo = historyCombo(this, "AltCombo");
    CheckBox4 = checkBox("&ALT=", this, "CheckBox4");
    LabelCombo = historyCombo(this, "LabelCombo");
    CheckBox2 = checkBox("&Label thumbnails using the following format:", this, "CheckBox2");
    CheckBox5 = checkBox("&Generate links to original images", this, "CheckBox5");

    auto *tags = new QGridLayout;
    const std::pair<const char *, THistoryComboBox *> tagRows[] = {
        {"<&TABLE", TableCombo}, {"<T&R", TrCombo}, {"<T&D", TdCombo}};
    int row = 0;
    for (const auto &[caption, combo] : tagRows) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(combo);
        tags->addWidget(label, row, 0);
        tags->addWidget(combo, row, 1);
        tags->addWidget(new QLabel(">", this), row, 2);
        ++row;
    }
    auto *acrossLabel = new QLabel("&Images per row:", this);
    acrossLabel->setBuddy(Edit1);
    tags->addWidget(acrossLabel, row, 0);
    tags->addWidget(Edit1, row, 1, Qt::AlignLeft);

    auto *image = new QGridLayout;
    image->addWidget(CheckBox1, 0, 0, 1, 2);
    image->addWidget(CheckBox3, 1, 0);
    image->addWidget(Edit5, 1, 1, Qt::AlignLeft);
    image->addWidget(CheckBox4, 2, 0);
    image->addWidget(AltCombo, 2, 1);
    image->addWidget(CheckBox2, 3, 0, 1, 2);
    image->addWidget(LabelCombo, 4, 0, 1, 2);
    image->addWidget(CheckBox5, 5, 0, 1, 2);

    OkButton = new QPushButton("OK", this);
    OkButton->setObjectName("OkButton");
    OkButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    PreviewButton = new QPushButton("&Preview", this);
    PreviewButton->setObjectName("PreviewButton");
    ResetListsButton = new QPushButton("&Reset Lists", this);
    ResetListsButton->setObjectName("ResetListsButton");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(ResetListsButton);
    buttons->addStretch();
    buttons->addWidget(PreviewButton);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(tags);
    layout->addSpacing(8);
    layout->addLayout(image);
    layout->addStretch();
    layout->addLayout(buttons);

    SetButtonResult(CancelButton, mrCancel);
    connect(OkButton, &QPushButton::clicked, this, &TCustomHTMLForm1::OkButtonClick);
    connect(PreviewButton, &QPushButton::clicked, this, &TCustomHTMLForm1::PreviewButtonClick);
    connect(ResetListsButton, &QPushButton::clicked, this, &TCustomHTMLForm1::ResetListsButtonClick);
    connect(CheckBox2, &QCheckBox::toggled, this, &TCustomHTMLForm1::CheckBox2Click);
    connect(CheckBox3, &QCheckBox::toggled, this, &TCustomHTMLForm1::CheckBox3Click);
    connect(CheckBox4, &QCheckBox::toggled, this, &TCustomHTMLForm1::CheckBox4Click);
    FormShow();
}

std::array<THistoryComboBox *, 5> TCustomHTMLForm1::combos() const
{
    return {TableCombo, TrCombo, TdCombo, AltCombo, LabelCombo};
}

void TCustomHTMLForm1::addPresets()
{
    const std::array<THistoryComboBox *, 5> fields = combos();
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i]->count() > 0)
            continue;
        const QString text = fields[i]->currentText();
        for (const char *preset : ComboFields[i].presets)
            fields[i]->AddToHistory(QString::fromLatin1(preset).trimmed(), false);
        fields[i]->setEditText(text);
    }
}

void TCustomHTMLForm1::FormShow()
{
    THtmlBodyOptions stored;
    stored.Load(m_wizard.Section());
    const QString texts[] = {stored.table, stored.tr, stored.td, stored.alt, stored.labelFormat};
    const std::array<THistoryComboBox *, 5> fields = combos();
    for (size_t i = 0; i < fields.size(); ++i) {
        fields[i]->LoadState(*SettingsStore, RecentSection, QString::fromLatin1(ComboFields[i].key), false);
        fields[i]->setEditText(texts[i]);
        fields[i]->SelectItem(texts[i]);
    }
    addPresets();
    for (size_t i = 0; i < fields.size(); ++i)
        fields[i]->SelectItem(texts[i]);
    Edit1->setValue(stored.across);
    Edit5->setValue(stored.border);
    CheckBox1->setChecked(stored.widthAndHeight);
    CheckBox3->setChecked(stored.generateBorder);
    CheckBox4->setChecked(stored.generateAlt);
    CheckBox2->setChecked(stored.generateLabels);
    CheckBox5->setChecked(stored.generateLinks);
    CheckBox2Click();
    CheckBox3Click();
    CheckBox4Click();
}

THtmlBodyOptions TCustomHTMLForm1::options() const
{
    THtmlBodyOptions values;
    values.table = TableCombo->currentText();
    values.tr = TrCombo->currentText();
    values.td = TdCombo->currentText();
    values.across = Edit1->value();
    values.widthAndHeight = CheckBox1->isChecked();
    values.border = Edit5->value();
    values.generateBorder = CheckBox3->isChecked();
    values.alt = AltCombo->currentText();
    values.generateAlt = CheckBox4->isChecked();
    values.labelFormat = LabelCombo->currentText();
    values.generateLabels = CheckBox2->isChecked();
    values.generateLinks = CheckBox5->isChecked();
    return values;
}

bool TCustomHTMLForm1::store()
{
    const THtmlBodyOptions values = options();
    try {
        const std::array<THistoryComboBox *, 5> fields = combos();
        for (size_t i = 0; i < fields.size(); ++i) {
            const QString text = fields[i]->currentText();
            fields[i]->AddToHistory(text.trimmed(), false);
            fields[i]->setEditText(text);
            fields[i]->SaveState(*SettingsStore, RecentSection, QString::fromLatin1(ComboFields[i].key), false);
        }
        values.Save(m_wizard.Section());
    } catch (const Exception &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
        return false;
    }
    return true;
}

void TCustomHTMLForm1::OkButtonClick()
{
    if (store())
        SetModalResult(mrOk);
}

void TCustomHTMLForm1::PreviewButtonClick()
{
    CancelButton->setText("&Close");
    if (store())
        m_wizard.PreviewButtonClick();
}

void TCustomHTMLForm1::ResetListsButtonClick()
{
    if (ShowMessageBox("Are you sure you want to reset all drop-down lists?", QuestionBoxFlags) != IDYES)
        return;
    for (THistoryComboBox *combo : combos()) {
        const QString text = combo->currentText();
        combo->clear();
        combo->setEditText(text);
    }
    addPresets();
}

void TCustomHTMLForm1::CheckBox2Click()
{
    enableField(LabelCombo, CheckBox2->isChecked());
}

void TCustomHTMLForm1::CheckBox3Click()
{
    enableField(Edit5, CheckBox3->isChecked());
}

void TCustomHTMLForm1::CheckBox4Click()
{
    enableField(AltCombo, CheckBox4->isChecked());
}
