#include "ViewerSettingsForm.h"

#include "OptionForm.h"

#include <Source/engine/ZiloOptions.h>
#include <Source/windows/ToolHost.h>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

struct Setting
{
    TViewerOptions::Option option;
    const char *caption;
    const char *editName;
    // What the effect can use: a blur or sharpen of more than 100 only takes
    // longer, a step beyond 100 hundredths is clamped by the effect, and an
    // angle is in degrees x 10000 of at most one turn either way.
    int least;
    int most;
};

constexpr Setting Settings[] = {
    {TViewerOptions::BlurLevel, "&Blur level:", "BlurEdit", 0, 100},
    {TViewerOptions::SharpenLevel, "&Sharpen level:", "SharpenEdit", 0, 100},
    {TViewerOptions::RotationAngle, "Ro&tation angle:", "AngleEdit", -3600000, 3600000},
    {TViewerOptions::Brightness, "Br&ightness step:", "BrightnessEdit", 0, 100},
    {TViewerOptions::Contrast, "&Contrast step:", "ContrastEdit", 0, 100},
};

// The number the text starts with; 0 when it starts with none.
double leadingNumber(const QString &text, bool decimal)
{
    static const QRegularExpression integer(QStringLiteral("^\\s*[-+]?\\d+"));
    static const QRegularExpression real(QStringLiteral("^\\s*[-+]?(\\d+(\\.\\d*)?|\\.\\d+)"));
    const QRegularExpressionMatch match = (decimal ? real : integer).match(text);
    return match.hasMatch() ? match.captured(0).trimmed().toDouble() : 0;
}

} // namespace

TViewerSettingsForm1::TViewerSettingsForm1(QWidget *owner, TViewerOptions &options)
    : TModalForm1(owner)
    , m_options(options)
{
    setObjectName("ViewerSettingsForm1");
    setWindowTitle("Viewer Settings");

    auto *fields = new QGridLayout;
    for (size_t i = 0; i < Edits.size(); ++i) {
        Edits[i] = new QLineEdit(this);
        Edits[i]->setObjectName(Settings[i].editName);
        auto *label = new QLabel(Settings[i].caption, this);
        label->setBuddy(Edits[i]);
        fields->addWidget(label, int(i), 0);
        fields->addWidget(Edits[i], int(i), 1);
    }

    OkButton = new QPushButton("OK", this);
    OkButton->setObjectName("OkButton");
    OkButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    JpegButton = new QPushButton("&JPEG...", this);
    JpegButton->setObjectName("JpegButton");
    JpegButton->setEnabled(ToolAvailable(Tool::Preferences));
    HelpButton = NewHelpButton("HelpButton");

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(JpegButton);
    buttons->addWidget(HelpButton);
    buttons->addStretch();

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    setSizeGripEnabled(false);
    resize(sizeHint());

    connect(OkButton, &QPushButton::clicked, this, &TViewerSettingsForm1::OkButtonClick);
    connect(JpegButton, &QPushButton::clicked, this, [this] { TOptionForm1::ShowPage(this, TOptionForm1::JpegPage); });
    SetButtonResult(CancelButton, mrCancel);
    FormShow();
}

bool TViewerSettingsForm1::ShowSettings(QWidget *owner, TViewerOptions &options)
{
    TViewerSettingsForm1 dialog(owner, options);
    return dialog.ShowModal() == mrOk;
}

void TViewerSettingsForm1::FormShow()
{
    for (size_t i = 0; i < Edits.size(); ++i) {
        const int value = m_options.GetInt(Settings[i].option);
        Edits[i]->setText(Settings[i].option == TViewerOptions::RotationAngle
                              ? QString::asprintf("%.4f", value / 10000.0)
                              : QString::number(value));
    }
}

void TViewerSettingsForm1::OkButtonClick()
{
    for (size_t i = 0; i < Edits.size(); ++i) {
        const bool angle = Settings[i].option == TViewerOptions::RotationAngle;
        const double typed = leadingNumber(Edits[i]->text(), angle) * (angle ? 10000 : 1);
        // Clamped before the conversion, so no typed number overflows it.
        const double kept = std::clamp(std::trunc(typed), double(Settings[i].least), double(Settings[i].most));
        m_options.SetInt(Settings[i].option, int(kept));
    }
    m_options.Save();
    SetModalResult(mrOk);
}
