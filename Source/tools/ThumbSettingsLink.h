#pragma once

#include <Source/engine/OptionDialog.h>

#include <QString>

#include <memory>

class QWidget;

// What the preferences see of the thumbnail appearance window: the folder
// options' thumbnail controls, and the window itself. The window registers a
// maker at start-up; until it does, the preferences keep the values in a
// plain holder (ThumbSettingsValues) and offer no appearance window. Window
// thread only.
class ThumbSettingsPanel
{
public:
    virtual ~ThumbSettingsPanel() = default;

    // Null for the plain holder.
    virtual QWidget *Window() = 0;
    // Whether every field holds a value within its range.
    virtual bool IsValid() const = 0;

    // As OptionDialog's calls of the same names: the setters clamp to the
    // fields' ranges and restart the preview when the value changed.
    virtual int GetThumbnailSize() const = 0;
    virtual void SetThumbnailSize(int size) = 0;
    virtual int GetThumbnailSpacing() const = 0;
    virtual void SetThumbnailSpacing(int spacing) = 0;
    virtual int GetThumbnailSharpness() const = 0;
    virtual void SetThumbnailSharpness(int sharpness) = 0;
    // OptionControl::DraftCheckBox and LabelCheckBox.
    virtual bool IsChecked(OptionControl control) const = 0;
    virtual void SetChecked(OptionControl control, bool checked) = 0;
    // OptionControl::LabelCombo.
    virtual QString GetText(OptionControl control) const = 0;
    virtual void SetText(OptionControl control, const QString &text) = 0;
};

// Makes the appearance window over owner, captioned caption.
using ThumbSettingsMaker = std::unique_ptr<ThumbSettingsPanel> (*)(QWidget *owner, const QString &caption);
// Null brings back the plain holder.
void SetThumbSettingsMaker(ThumbSettingsMaker maker);
// The registered window, or the plain holder.
std::unique_ptr<ThumbSettingsPanel> MakeThumbSettings(QWidget *owner, const QString &caption);

// The holder used while no window is registered: the values as given, within
// the appearance window's ranges, always valid.
class ThumbSettingsValues : public ThumbSettingsPanel
{
public:
    // The ranges of the appearance window's fields.
    static constexpr int MinSize = 16;
    static constexpr int MaxSize = 400;
    static constexpr int MaxSpacing = 50;
    static constexpr int MaxSharpness = 100;

    QWidget *Window() override { return nullptr; }
    bool IsValid() const override { return true; }
    int GetThumbnailSize() const override { return m_size; }
    void SetThumbnailSize(int size) override;
    int GetThumbnailSpacing() const override { return m_spacing; }
    void SetThumbnailSpacing(int spacing) override;
    int GetThumbnailSharpness() const override { return m_sharpness; }
    void SetThumbnailSharpness(int sharpness) override;
    bool IsChecked(OptionControl control) const override;
    void SetChecked(OptionControl control, bool checked) override;
    QString GetText(OptionControl) const override { return m_label; }
    void SetText(OptionControl, const QString &text) override { m_label = text; }

private:
    int m_size = MinSize;
    int m_spacing = 0;
    int m_sharpness = 0;
    bool m_draft = false;
    bool m_labelled = false;
    QString m_label;
};
