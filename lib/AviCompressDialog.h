#pragma once

#include "AviCodec.h"
#include "AviFile.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;

// The compression choices for one movie: the codec, its quality, how often a
// key frame comes, and a data rate to keep to. A choice that the selected
// codec does not honour is greyed out but keeps its value. Window thread.
class TAviCompressDialog : public QDialog
{
    Q_OBJECT

public:
    // codecs: those that take the movie's frames, in the order to list them.
    // The first choices come from options; an unknown codec selects the first.
    TAviCompressDialog(const std::vector<AviCodec> &codecs, const AviCompressOptions &options,
                       QWidget *parent = nullptr);

    // The choices as they stand.
    AviCompressOptions Options() const;

    QComboBox *CodecList;
    QLabel *QualityCaption;
    QSlider *QualitySlider;
    QLabel *QualityLabel;
    QCheckBox *KeyFrameCheck;
    QSpinBox *KeyFrameEdit;
    QLabel *KeyFrameUnit;
    QCheckBox *DataRateCheck;
    QSpinBox *DataRateEdit;
    QLabel *DataRateUnit;
    QPushButton *OkButton;
    QPushButton *CancelButton;

private:
    void CodecListChange();
    void QualitySliderChange();
    void UpdateControls();

    std::vector<AviCodec> m_codecs;
};
