#pragma once

#include "ThumbTestSupport.h"

#include "../WindowThreadQueue.h"

#include <Source/engine/WindowHooks.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/Thumbnail.h>

#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <vector>

// Keeps what a thumbnail box told its owner.
class RecordingOwner : public ThumbBoxOwner
{
public:
    CPath Folder() const override { return folder; }
    bool ShowsPictures() const override { return pictures; }
    void ShowThumbnail(TThumbnail *thumbnail) override { shown.push_back(thumbnail); }
    void ThumbnailChanged(TThumbnail *thumbnail) override { changed.push_back(thumbnail); }
    void SelectionChanged() override { ++selectionChanges; }
    void UpdateSimilarReference() override { ++similarReferences; }
    void PauseLoading(bool paused) override { pauses.push_back(paused); }
    void SortOrderChanged() override { ++sortOrderChanges; }
    void SetModified(bool modified) override { this->modified.push_back(modified); }

    CPath folder;
    bool pictures = true;
    std::vector<TThumbnail *> shown;
    std::vector<TThumbnail *> changed;
    int selectionChanges = 0;
    int similarReferences = 0;
    std::vector<bool> pauses;
    int sortOrderChanges = 0;
    std::vector<bool> modified;
};

// Collects the regions that a widget paints.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(QWidget *widget) { widget->installEventFilter(this); }

    const QRegion &region() const { return m_region; }
    int paints() const { return m_paints; }
    void clear()
    {
        m_region = QRegion();
        m_paints = 0;
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            m_region += static_cast<QPaintEvent *>(event)->region();
            ++m_paints;
        }
        return false;
    }

private:
    QRegion m_region;
    int m_paints = 0;
};

// Records of C:\Pics in boxes that report to a recording owner.
class ThumbBoxTest : public ThumbTest
{
protected:
    void SetUp() override
    {
        ThumbTest::SetUp();
        std::filesystem::create_directories(TestHostFolder() + "/Pics");
        m_owner.folder = CPath(CString(TestWindowsPath("Pics")));
    }
    void TearDown() override
    {
        for (CThumbBitmap *made : m_records)
            made->Release();
        ThumbTest::TearDown();
    }

    // A record of a width x height JPEG file of C:\Pics, loaded or pending;
    // the fixture holds the creating reference.
    CThumbBitmap *record(const QString &name, uint32_t width, uint32_t height, bool loaded)
    {
        auto *made = new CThumbBitmap(CThumbBitmap::FromFile, writeJpegFile("Pics/" + name, width, height));
        m_records.push_back(made);
        if (loaded) {
            EXPECT_TRUE(made->ClaimForLoading());
            const CSize size = made->GetThumbnailSize();
            made->EndLoading(TThumbState::Loaded, JpegBytes(uint32_t(size.cx), uint32_t(size.cy)));
        }
        return made;
    }

    void setFolderOption(TFolderOptions::Option id, int32_t value)
    {
        TFolderSpecificOptions *options = TFolderSpecificOptionsCache::FindOrLoad(m_owner.folder);
        ASSERT_NE(options, nullptr);
        options->SetInt(id, value);
    }

    static void showBox(TThumbBox &box, int width, int height)
    {
        box.resize(width, height);
        box.show();   // a hidden widget hears of its size only when shown
        box.ResetLayout();
    }

    // The colour of JpegBytes' pictures.
    static bool isPictureColour(const QColor &colour)
    {
        return std::abs(colour.red() - 200) < 12 && std::abs(colour.green() - 40) < 12
               && std::abs(colour.blue() - 10) < 12;
    }

    RecordingOwner m_owner;   // of C:\Pics
    std::vector<CThumbBitmap *> m_records;   // one reference each
};
