#include "ThumbBitmap.h"

#include "FolderOptions.h"
#include "ImageSignature.h"
#include "ThumbBuild.h"
#include "ThumbCache.h"

#include <Source/Glob.h>

#include <lib/Colour.h>
#include <lib/controls/ColourControl.h>
#include <lib/Palette.h>
#include <lib/imaging/ImgLib.h>
#include <platform/Exception.h>
#include <platform/GlobalMemory.h>
#include <platform/Stream.h>

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

TImageHandler handlerFor(int mode, const CPath &path)
{
    if (mode == CThumbBitmap::FromBrowseFile)
        return TImageHandler(path, PathOnly{});
    return TImageHandler(path, true);
}

double fraction(uint16_t scaled)
{
    return scaled / 65535.0;
}

// The integer part, as the values are shown.
int truncated(double value)
{
    return int(std::trunc(value));
}

} // namespace

CThumbBitmap::CThumbBitmap(int mode, const CPath &path) : CThumbBitmap(handlerFor(mode, path), mode == FromFile)
{
}

CThumbBitmap::CThumbBitmap(const TImageHandler &file) : CThumbBitmap(file, true)
{
}

CThumbBitmap::CThumbBitmap(const TImageHandler &file, bool fitThumbnail) : m_handler(file)
{
    if (fitThumbnail) {
        const CSize size = FitThumbnailSize(m_handler.GetWidth(), m_handler.GetHeight(),
                                            FolderOptionInt(m_handler.GetFolder(), TFolderOptions::ThumbnailSize));
        m_thumbWidth = size.cx;
        m_thumbHeight = size.cy;
    }
    ThumbBitmapCache.Add(this);
}

CThumbBitmap::~CThumbBitmap()
{
    // Out of the cache first: the cache's lock comes before m_lock.
    ThumbBitmapCache.Remove(this);
    dropData();
}

CSize CThumbBitmap::FitThumbnailSize(int64_t imageW, int64_t imageH, int size)
{
    imageW = std::max<int64_t>(imageW, 1);
    imageH = std::max<int64_t>(imageH, 1);
    int64_t width = size;
    int64_t height = size;
    if (imageW > imageH)
        height = imageH * size / imageW;
    else
        width = imageW * size / imageH;
    return CSize(int32_t(std::max<int64_t>(width, 1)), int32_t(std::max<int64_t>(height, 1)));
}

CString CThumbBitmap::GetStateText(TThumbState state)
{
    switch (state) {
    case TThumbState::Loaded: return "Loaded";
    case TThumbState::Pending: return "Pending";
    case TThumbState::Failed: return "Failed to load";
    case TThumbState::Loading: return "Loading";
    }
    return CString();
}

bool CThumbBitmap::ClaimForLoading()
{
    CSingleLock lock(m_lock);
    const TThumbState state = m_state.load();
    if (state == TThumbState::Loading || state == TThumbState::Loaded)
        return false;
    m_state = TThumbState::Loading;
    m_dropRequested = false;
    return true;
}

bool CThumbBitmap::endClaim(TThumbState &state)
{
    if (m_state.load() != TThumbState::Loading) {
        InternalError(__FILE__, __func__, __LINE__);
        return false;
    }
    if (m_dropRequested || state == TThumbState::Loading) {
        m_dropRequested = false;
        state = TThumbState::Pending;
    }
    dropData();
    return true;
}

void CThumbBitmap::EndLoading(TThumbState state, std::vector<uint8_t> jpeg)
{
    {
        CSingleLock lock(m_lock);
        if (!endClaim(state))
            return;
        if (state == TThumbState::Loaded)
            m_jpeg = std::move(jpeg);
        m_state = state;
    }
    m_clients.NotifyClients(Changed);
}

void CThumbBitmap::endBuild(TThumbBuild &&build)
{
    {
        CSingleLock lock(m_lock);
        TThumbState state = build.state;
        if (!endClaim(state))
            return;
        m_buildTime = state == TThumbState::Pending ? 0 : build.buildTime;
        if (state == TThumbState::Loaded) {
            m_jpeg = std::move(build.jpeg);
            m_handler.SetDimensions(build.imageWidth, build.imageHeight, build.bits);
            m_handler.SetSize(build.fileSize);
            m_handler.SetModified(build.modified);
            m_thumbWidth = build.thumbnailSize.cx;
            m_thumbHeight = build.thumbnailSize.cy;
            m_hue = build.statistics.hue;
            m_saturation = build.statistics.saturation;
            m_brightness = build.statistics.brightness;
            m_temperature = build.statistics.temperature;
        }
        m_state = state;
    }
    m_clients.NotifyClients(Changed);
}

void CThumbBitmap::ReleaseData()
{
    CSingleLock lock(m_lock);
    if (m_state.load() == TThumbState::Loading) {
        m_dropRequested = true;
        return;
    }
    dropData();
    m_state = TThumbState::Pending;
}

// Hold m_lock (or be the destructor).
void CThumbBitmap::dropData()
{
    std::vector<uint8_t>().swap(m_jpeg);
    if (m_bitmap)
        m_bitmap->Release();
    m_bitmap = nullptr;
    m_signature.reset();
    m_hue = m_saturation = m_brightness = m_temperature = NotComputed;
}

void CThumbBitmap::ReleaseBitmap()
{
    CBitmapObject *bitmap;
    {
        CSingleLock lock(m_lock);
        bitmap = std::exchange(m_bitmap, nullptr);
    }
    if (bitmap)
        bitmap->Release();
}

bool CThumbBitmap::HasBitmap() const
{
    CSingleLock lock(m_lock);
    return m_bitmap != nullptr;
}

CBitmapObject *CThumbBitmap::GetBitmap()
{
    CSingleLock lock(m_lock);
    if (!m_bitmap)
        m_bitmap = decodeBitmap();
    if (m_bitmap)
        m_bitmap->AddRef();
    return m_bitmap;
}

// Hold m_lock. The JPEG bytes may come from a browse file: one that claims a
// larger image than the record's thumbnail is refused before it is decoded.
CBitmapObject *CThumbBitmap::decodeBitmap() const
{
    if (m_jpeg.empty())
        return nullptr;
    HIMGSRC source = ImgOpenMemorySource(m_jpeg.data(), uint32_t(m_jpeg.size()));
    if (!source)
        return nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    HGLOBAL pixels = nullptr;
    const bool fits = ImgGetJPGDims(source, &width, &height, nullptr) && width >= 1 && height >= 1
                      && width <= uint32_t(m_thumbWidth.load()) && height <= uint32_t(m_thumbHeight.load());
    if (fits && ImgSeek(source, 0, 0))
        pixels = ImgReadJPGToRGB(source, &width, &height);
    ImgCloseSource(source);
    if (!pixels)
        return nullptr;
    auto *bitmap = new CBitmapObject(static_cast<const unsigned char *>(GlobalLock(pixels)),
                                     CSize(int32_t(width), int32_t(height)));
    GlobalUnlock(pixels);
    GlobalFree(pixels);
    if (!bitmap->Bitmap().IsEmpty())
        return bitmap;
    bitmap->Release();
    return nullptr;
}

TImageHandler CThumbBitmap::GetHandler() const
{
    CSingleLock lock(m_lock);
    return m_handler;
}

CPath CThumbBitmap::GetFullPath() const
{
    CSingleLock lock(m_lock);
    return m_handler.GetFullPath();
}

CPath CThumbBitmap::GetFolder() const
{
    CSingleLock lock(m_lock);
    return m_handler.GetFolder();
}

void CThumbBitmap::GetHSL(double &h, double &s, double &l) const
{
    h = fraction(m_hue);
    s = fraction(m_saturation);
    l = fraction(m_brightness);
}

COLORREF CThumbBitmap::GetAverageColour() const
{
    double h, s, l, r, g, b;
    GetHSL(h, s, l);
    TColourBar::HSLtoRGB(h, s, l, r, g, b);
    const auto byte = [](double value) { return COLORREF(std::lround(ClampUnit(value) * 255)); };
    return byte(r) | byte(g) << 8 | byte(b) << 16;
}

int64_t CThumbBitmap::GetMemorySize() const
{
    CSingleLock lock(m_lock);
    int64_t bytes = int64_t(m_jpeg.size()) + 256;
    if (m_bitmap) {
        const BITMAPINFOHEADER *header = m_bitmap->Bitmap().GetHeader();
        bytes += header ? int64_t(header->biSizeImage) + 64 : 24;
    }
    if (m_signature)
        bytes += m_signature->GetMemorySize();
    return bytes;
}

// Whether current shows the file that stored was taken from: the same time,
// and the same size where stored knows one.
static bool isSameFile(const TFileHandler &stored, const TFileHandler &current)
{
    return CompareFileTime(&current.GetModified(), &stored.GetModified()) == 0
           && (stored.GetSize() == 0 || stored.GetSize() == current.GetSize());
}

bool CThumbBitmap::IsBuiltFrom(const TFileHandler &current) const
{
    return GetState() == TThumbState::Loaded && isSameFile(GetHandler(), current);
}

void CThumbBitmap::CheckUpToDate(bool force)
{
    const TImageHandler stored = GetHandler();
    const CPath path = stored.GetFullPath();
    TFileHandler current(path, PathOnly());
    if (force || !current.UpdateFileInfo() || !IsFileIncluded(path, IsBuiltFrom(current))) {
        MarkStale();
        return;
    }
    if (isSameFile(stored, current)) {
        // A record read from a browse file knows no size until now.
        if (stored.GetSize() != current.GetSize()) {
            CSingleLock lock(m_lock);
            m_handler.SetSize(current.GetSize());
        }
        return;
    }
    ReleaseData();
    m_clients.NotifyClients(Changed);
}

void CThumbBitmap::MarkStale()
{
    AddRef();
    // Out of every lookup at once, while windows may still hold it: a record
    // filed under its name meanwhile (a rename onto it) must be the one found.
    ThumbBitmapCache.Remove(this);
    m_clients.NotifyClients(Stale);
    SetDeleteWhenFree(true);
    Release();
}

void CThumbBitmap::ChangePath(const CPath &newPath)
{
    bool changed = false;
    {
        CSingleLock cacheLock(ThumbBitmapCache.Lock());
        ThumbBitmapCache.Remove(this);
        {
            CSingleLock lock(m_lock);
            // A rename that changes only the case is a change too.
            changed = std::strcmp(m_handler.GetFullPath().c_str(), newPath.c_str()) != 0;
            if (changed)
                m_handler.SetPath(newPath);
        }
        ThumbBitmapCache.Add(this);
    }
    if (changed)
        m_clients.NotifyClients(Changed);
}

void CThumbBitmap::GetInfoLines(TStrings &lines) const
{
    const TImageHandler handler = GetHandler();
    TStringList columns;
    handler.AddSubItems(true, columns);
    double h, s, l;
    GetHSL(h, s, l);
    CString hue, saturation, brightness, temperature, aspect;
    hue.Format("%d\xC2\xB0", truncated(h * 360));
    saturation.Format("%d%%", truncated(s * 100));
    brightness.Format("%d%%", truncated(l * 100));
    temperature.Format("%d%%", int(m_temperature.load()) * 200 / 65535 - 100);
    aspect.Format("%.3f", handler.GetAspectRatio());
    const char *labels[] = {"Folder: ", "Dimensions: ", "Size: ", "Modified: ", "Memo: "};
    for (int column = 0; column < 5; ++column)
        lines.Add(QString::fromUtf8(labels[column]) + columns[column]);
    lines.Add("Avg Hue: " + hue.ToAnsiString());
    lines.Add("Avg Saturation: " + saturation.ToAnsiString());
    lines.Add("Avg Brightness: " + brightness.ToAnsiString());
    lines.Add("Colour Temp: " + temperature.ToAnsiString());
    lines.Add("Aspect Ratio: " + aspect.ToAnsiString());
}

CString CThumbBitmap::GetInfoText() const
{
    TStringList lines;
    GetInfoLines(lines);
    QString text = "File: " + GetHandler().GetName().ToAnsiString();
    for (int index = 0; index < lines.Count(); ++index)
        text += "\r\n" + lines[index];
    return CString(text);
}

TThumbDrawOptions TThumbDrawOptions::ForFolder(const CPath &folder)
{
    TThumbDrawOptions options;
    options.label = FolderOptionInt(folder, TFolderOptions::LabelThumbnails) != 0;
    if (options.label)
        options.labelFormat = FolderOptionString(folder, TFolderOptions::LabelThumbnailsFormat);
    options.dithering = FolderOptionInt(folder, TFolderOptions::Dithering) != 0;
    return options;
}

void CThumbBitmap::Draw(QPainter *canvas, int x, int y)
{
    Draw(canvas, x, y, TThumbDrawOptions::ForFolder(GetFolder()));
}

void CThumbBitmap::Draw(QPainter *canvas, int x, int y, const TThumbDrawOptions &options)
{
    const CSize size = GetThumbnailSize();
    if (options.label) {
        QString label = GetHandler().ExpandPattern(options.labelFormat, nullptr, nullptr).ToAnsiString();
        const QFontMetrics metrics = canvas->fontMetrics();
        if (options.labelWidth > 0)
            label = metrics.elidedText(label, Qt::ElideRight, options.labelWidth);
        canvas->drawText(x + (size.cx - metrics.horizontalAdvance(label)) / 2, y + size.cy + 2 + metrics.ascent(),
                         label);
    }
    CBitmapObject *bitmap = GetBitmap();
    if (!bitmap)
        return;
    bitmap->Bitmap().Paint(canvas, x, y, options.dithering, const_cast<StdPalette *>(&SharedPalette));
    bitmap->Release();
}

bool CThumbBitmap::SaveJpegFile(const CPath &path) const
{
    CSingleLock lock(m_lock);
    if (m_jpeg.empty())
        return false;
    try {
        TSafeFileStream file(path.ToAnsiString());
        file.WriteBuffer(m_jpeg.data(), int32_t(m_jpeg.size()));
        file.Commit();
        return true;
    } catch (const Exception &) {
        return false;
    }
}

bool CThumbBitmap::SaveAsBMP(const CPath &path, bool fullImage)
{
    if (fullImage)
        return GetHandler().SaveImageAsBMP(path);
    CBitmapObject *bitmap = GetBitmap();
    if (!bitmap)
        return false;
    const bool written = bitmap->Bitmap().WriteBMP(path);
    bitmap->Release();
    return written;
}

CCriticalSection *CThumbBitmap::RegistryLock()
{
    return &ThumbBitmapCache.Lock();
}

void CThumbBitmap::Unlink()
{
    ThumbBitmapCache.Remove(this);
}

void CThumbBitmapClient::Notify(uint8_t)
{
}

void CThumbBitmapClient::SetBitmap(CThumbBitmap *record)
{
    if (record) {
        record->AddRef();
        record->Clients().Add(this);
    }
    if (m_bitmap) {
        m_bitmap->Clients().Remove(this);
        m_bitmap->Release();
    }
    m_bitmap = record;
}
