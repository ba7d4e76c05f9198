// The browse window's order and selection: sorting and the custom order,
// search, Move To Top, and the selection a tool sees.

#include "BrowseForm.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/SearchContext.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbSort.h>
#include <Source/engine/Thumbnail.h>
#include <lib/WaitCursor.h>
#include <platform/Exception.h>
#include <platform/MessageBox.h>

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace {

// The thumbnails' records in box order.
std::vector<CThumbBitmap *> BoxRecords(const TThumbBox &box)
{
    std::vector<CThumbBitmap *> records;
    records.reserve(size_t(box.Count()));
    for (int index = 0; index < box.Count(); ++index)
        records.push_back(box.Thumbnail(index)->GetThumbBitmap());
    return records;
}

} // namespace

// ---- Sorting -----------------------------------------------------------------

void TBrowseForm1::checkCustomOrder()
{
    if (!FolderOptions() || FolderOptions()->GetInt(TFolderOptions::SortProperty) != CThumbSort::CustomOrder)
        return;
    CThumbSort(ShownFolder()).SaveCustomOrder(BoxRecords(*ThumbBox));
}
void TBrowseForm1::ApplySortOrder()
{
    CWaitCursor wait;
    SetStatus("Sorting...");
    std::vector<CThumbBitmap *> records;
    std::unordered_set<CThumbBitmap *> selected;
    records.reserve(size_t(ThumbBox->Count()));
    for (int index = 0; index < ThumbBox->Count(); ++index) {
        TThumbnail *thumbnail = ThumbBox->Thumbnail(index);
        records.push_back(thumbnail->GetThumbBitmap());
        if (thumbnail->Selected())
            selected.insert(thumbnail->GetThumbBitmap());
    }
    const CThumbSort sort(ShownFolder());
    sort.RelocateCustomSortFile();
    int result = CThumbSort::Sorted;
    try {
        result = sort.Sort(records);
    } catch (const Exception &) {
        result = -1;
    }
    if (result == CThumbSort::Sorted || result == CThumbSort::NamesOtherRecord) {
        bool moved = false;
        ThumbBox->BeginUpdate();
        for (int index = 0; index < ThumbBox->Count(); ++index) {
            TThumbnail *thumbnail = ThumbBox->Thumbnail(index);
            CThumbBitmap *record = records[size_t(index)];
            if (thumbnail->GetThumbBitmap() != record) {
                thumbnail->SetThumbBitmap(record);
                moved = true;
            }
            thumbnail->SetSelected(selected.count(record) > 0);
        }
        ThumbBox->EndUpdate();
        ThumbBox->Invalidate();
        if (moved)
            SetModified(true);
    } else if (result == CThumbSort::NoCustomOrder) {
        sort.SaveCustomOrder(records);
    } else {
        ShowMessageBox("Error while loading custom sort-order", WarningBoxFlags);
    }
    SetStatus(CString());
}

void TBrowseForm1::SortOrderChanged()
{
    SetStatus(CString());
}

// ---- Search and Move To Top --------------------------------------------------

int TBrowseForm1::ApplySearch(CSearchContext &criterion)
{
    if (criterion.clearSelection)
        ThumbBox->ChangeSelection(TThumbBox::SelectNone);
    const std::vector<TThumbnail *> matches =
        ThumbBox->FindMatching([&criterion](const TThumbnail &thumbnail) { return criterion.MatchesThumbnail(thumbnail); });
    if (matches.empty())
        return 0;
    if (isMinimized())
        showNormal();
    // A search that selects nothing new (find similar's later passes, mostly)
    // leaves the selection and its status alone.
    const bool selectsMore = std::any_of(matches.begin(), matches.end(),
                                         [](const TThumbnail *thumbnail) { return !thumbnail->Selected(); });
    if (selectsMore) {
        ThumbBox->BeginUpdate();
        for (TThumbnail *thumbnail : matches)
            thumbnail->SetSelected(true);
        ThumbBox->EndUpdate();
    }
    if (criterion.moveToTop) {
        ThumbBox->MoveSelectedToFront();
        ThumbBox->ScrollThumbnailInView(ThumbBox->Thumbnail(0));
    } else {
        // Each match in turn, so that the last one found is the one in view.
        ThumbBox->ScrollThumbnailInView(matches.back());
    }
    return int(matches.size());
}

std::vector<TThumbnail *> TBrowseForm1::Selection() const
{
    return ThumbBox->GetSelected();
}
void TBrowseForm1::MoveToTop1Click()
{
    ThumbBox->MoveSelectedToFront();
    FolderOptions()->SetInt(TFolderOptions::SortProperty, CThumbSort::CustomOrder);
    FolderOptions()->Save();
    CThumbSort(ShownFolder()).SaveCustomOrder(BoxRecords(*ThumbBox));
    SetStatus(CString());
}
