#include "AviCompressDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace {

constexpr int DefaultKeyFrameEvery = 15;
constexpr int DefaultKiloBytesPerSecond = 300;
constexpr int BytesPerKiloByte = 1024;

} // namespace

TAviCompressDialog::TAviCompressDialog(const std::vector<AviCodec> &codecs, const AviCompressOptions &options,
                                       QWidget *parent)
    : QDialog(parent)
    , CodecList(new QComboBox(this))
    , QualityCaption(new QLabel(QStringLiteral("Compression &Quality:"), this))
    , QualitySlider(new QSlider(Qt::Horizontal, this))
    , QualityLabel(new QLabel(this))
    , KeyFrameCheck(new QCheckBox(QStringLiteral("&Key Frame Every"), this))
    , KeyFrameEdit(new QSpinBox(this))
    , KeyFrameUnit(new QLabel(QStringLiteral("frames"), this))
    , DataRateCheck(new QCheckBox(QStringLiteral("&Data Rate"), this))
    , DataRateEdit(new QSpinBox(this))
    , DataRateUnit(new QLabel(QStringLiteral("KB/sec"), this))
    , OkButton(new QPushButton(QStringLiteral("OK"), this))
    , CancelButton(new QPushButton(QStringLiteral("Cancel"), this))
    , m_codecs(codecs)
{
    setWindowTitle(QStringLiteral("Video Compression"));
    setModal(true);

    for (const AviCodec &codec : m_codecs)
        CodecList->addItem(codec.description, QString::fromUtf8(codec.name.c_str()));
    const auto chosen = std::find_if(m_codecs.begin(), m_codecs.end(),
                                     [&options](const AviCodec &codec) { return codec.name == options.codec.c_str(); });
    CodecList->setCurrentIndex(chosen == m_codecs.end() ? 0 : int(chosen - m_codecs.begin()));

    QualitySlider->setRange(0, 100);
    QualitySlider->setPageStep(10);
    QualitySlider->setValue(std::clamp(options.quality, 0, 100));
    QualityCaption->setBuddy(QualitySlider);
    QualityLabel->setMinimumWidth(QualityLabel->fontMetrics().horizontalAdvance(QStringLiteral("100")));

    KeyFrameEdit->setRange(1, 9999);
    KeyFrameCheck->setChecked(options.keyFrameEvery > 0);
    KeyFrameEdit->setValue(options.keyFrameEvery > 0 ? int(std::min<uint32_t>(options.keyFrameEvery, 9999))
                                                      : DefaultKeyFrameEvery);
    DataRateEdit->setRange(1, INT_MAX / BytesPerKiloByte);
    DataRateCheck->setChecked(options.bytesPerSecond > 0);
    DataRateEdit->setValue(options.bytesPerSecond > 0 ? int(std::max<uint32_t>(options.bytesPerSecond / BytesPerKiloByte, 1))
                                                       : DefaultKiloBytesPerSecond);
    OkButton->setDefault(true);

    auto *compressorRow = new QHBoxLayout;
    auto *compressorCaption = new QLabel(QStringLiteral("&Compressor:"), this);
    compressorCaption->setBuddy(CodecList);
    compressorRow->addWidget(compressorCaption);
    compressorRow->addWidget(CodecList, 1);

    auto *choices = new QGridLayout;
    choices->addWidget(QualityCaption, 0, 0);
    choices->addWidget(QualitySlider, 0, 1);
    choices->addWidget(QualityLabel, 0, 2);
    choices->addWidget(KeyFrameCheck, 1, 0);
    choices->addWidget(KeyFrameEdit, 1, 1);
    choices->addWidget(KeyFrameUnit, 1, 2);
    choices->addWidget(DataRateCheck, 2, 0);
    choices->addWidget(DataRateEdit, 2, 1);
    choices->addWidget(DataRateUnit, 2, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(compressorRow);
    layout->addLayout(choices);
    layout->addLayout(buttons);

    connect(CodecList, &QComboBox::currentIndexChanged, this, &TAviCompressDialog::CodecListChange);
    connect(QualitySlider, &QSlider::valueChanged, this, &TAviCompressDialog::QualitySliderChange);
    connect(KeyFrameCheck, &QCheckBox::toggled, this, &TAviCompressDialog::UpdateControls);
    connect(DataRateCheck, &QCheckBox::toggled, this, &TAviCompressDialog::UpdateControls);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    QualitySliderChange();
    UpdateControls();
}

AviCompressOptions TAviCompressDialog::Options() const
{
    AviCompressOptions options;
    options.codec = CString(CodecList->currentData().toString());
    options.quality = QualitySlider->value();
    options.keyFrameEvery = KeyFrameCheck->isChecked() ? uint32_t(KeyFrameEdit->value()) : 0;
    options.bytesPerSecond = DataRateCheck->isChecked() ? uint32_t(DataRateEdit->value()) * BytesPerKiloByte : 0;
    return options;
}

void TAviCompressDialog::CodecListChange()
{
    UpdateControls();
}

void TAviCompressDialog::QualitySliderChange()
{
    QualityLabel->setText(QString::number(QualitySlider->value()));
}

void TAviCompressDialog::UpdateControls()
{
    const int index = CodecList->currentIndex();
    const AviCodec none;
    const AviCodec &codec = index >= 0 && size_t(index) < m_codecs.size() ? m_codecs[size_t(index)] : none;
    QualityCaption->setEnabled(codec.takesQuality);
    QualitySlider->setEnabled(codec.takesQuality);
    QualityLabel->setEnabled(codec.takesQuality);
    KeyFrameCheck->setEnabled(codec.takesKeyFrames);
    KeyFrameEdit->setEnabled(codec.takesKeyFrames && KeyFrameCheck->isChecked());
    KeyFrameUnit->setEnabled(codec.takesKeyFrames);
    DataRateCheck->setEnabled(codec.takesDataRate);
    DataRateEdit->setEnabled(codec.takesDataRate && DataRateCheck->isChecked());
    DataRateUnit->setEnabled(codec.takesDataRate);
    OkButton->setEnabled(index >= 0);
}
