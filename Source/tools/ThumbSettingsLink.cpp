#include "ThumbSettingsLink.h"

#include <algorithm>

static ThumbSettingsMaker s_maker = nullptr;

void SetThumbSettingsMaker(ThumbSettingsMaker maker)
{
    s_maker = maker;
}

std::unique_ptr<ThumbSettingsPanel> MakeThumbSettings(QWidget *owner, const QString &caption)
{
    if (s_maker)
        return s_maker(owner, caption);
    return std::make_unique<ThumbSettingsValues>();
}

void ThumbSettingsValues::SetThumbnailSize(int size)
{
    m_size = std::clamp(size, MinSize, MaxSize);
}

void ThumbSettingsValues::SetThumbnailSpacing(int spacing)
{
    m_spacing = std::clamp(spacing, 0, MaxSpacing);
}

void ThumbSettingsValues::SetThumbnailSharpness(int sharpness)
{
    m_sharpness = std::clamp(sharpness, 0, MaxSharpness);
}

bool ThumbSettingsValues::IsChecked(OptionControl control) const
{
    return control == OptionControl::DraftCheckBox ? m_draft : m_labelled;
}

void ThumbSettingsValues::SetChecked(OptionControl control, bool checked)
{
    (control == OptionControl::DraftCheckBox ? m_draft : m_labelled) = checked;
}
