#include "HostPaintBox.h"

#include "ThumbCache.h"
#include "ThumbProgressContext.h"
#include "UserMessages.h"

#include <Source/Glob.h>

#include <lib/imaging/ImgLib.h>
#include <platform/Debug.h>

#include <QPainter>
#include <qdrawutil.h>

// The record watched changed; wParam the notification.
constexpr UINT RecordNotified = WM_APP;

THostPaintBox::THostPaintBox(QWidget *owner, const CPath &path)
    : QWidget(owner),
      m_file(path, false),
      m_window(std::make_unique<CMessageWindow>(
          [this](UINT message, WPARAM wParam, LPARAM lParam) { return handleMessage(message, wParam, lParam); })),
      m_client(m_window->Handle())
{
    CThumbBitmap *record = FindThumbBitmap(path);
    if (record && record->GetState() == TThumbState::Loaded)
        m_client.SetBitmap(record);
    else
        startThread();
    if (record)
        record->Release();
}

THostPaintBox::~THostPaintBox()
{
    // No notification and no message reaches this object from here on.
    m_client.SetBitmap(nullptr);
    m_window.reset();
    if (m_context) {
        m_context->Terminate(true);
        m_context->Release();
    }
}

void THostPaintBox::startThread()
{
    m_context = new CHostThumbProgressContext(m_window->Handle(), std::make_unique<TWorkerProgressContext>());
    new TThumbThread(m_file.GetFullPath(), m_context, tpNormal);
}

LRESULT THostPaintBox::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == UM_THUMBNAIL_READY) {
        // The thread waits meanwhile, so its record stays alive until watched.
        m_client.SetBitmap(reinterpret_cast<CThumbBitmap *>(lParam));
        update();
        return 0;
    }
    if (message != RecordNotified)
        return 0;
    if (wParam == CThumbBitmap::Stale)
        m_client.SetBitmap(nullptr);
    update();
    return 0;
}

void THostPaintBox::TClient::Notify(uint8_t what)
{
    PostMessage(m_window, RecordNotified, what, 0);
}

void THostPaintBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    CThumbBitmap *record = GetThumbBitmap();
    if (!record || record->GetState() != TThumbState::Loaded) {
        painter.drawText(16, height() / 2 - 32 + painter.fontMetrics().ascent(), "Thumbnail not loaded");
        return;
    }
    const CSize size = record->GetThumbnailSize();
    const int x = (width() - size.cx) / 2;
    const int y = (height() - size.cy) / 2;
    TThumbDrawOptions options = TThumbDrawOptions::ForFolder(record->GetFolder());
    options.labelWidth = width() - 8;
    record->Draw(&painter, x, y, options);
    qDrawWinPanel(&painter, x - 2, y - 2, size.cx + 4, size.cy + 4, palette(), false);
}

void THostPaintBox::mouseDoubleClickEvent(QMouseEvent *)
{
    m_file.Open(CString());
}

TThumbThread::TThumbThread(const CPath &path, CHostThumbProgressContext *context, TThreadPriority priority)
    : m_path(path), m_context(context)
{
    m_context->AddRef();
    m_context->SetThread(this);
    SetPriority(priority);
    SetFreeOnTerminate(true);
    Resume();
}

TThumbThread::~TThumbThread()
{
    m_context->SetThread(nullptr);
    m_context->Release();
}

void TThumbThread::Execute()
{
    InitImageLibrary();
    CThumbBitmap *record = FindOrCreateThumbBitmap(m_path);
    // A build that raises has failed the record; the paint box still hears of it.
    try {
        if (record->ClaimForLoading())
            record->MakeThumbnail(m_context);
    } catch (const std::exception &error) {
        OutputDebugStringA(error.what());
    }
    m_context->SendToOwner(UM_THUMBNAIL_READY, 0, reinterpret_cast<LPARAM>(record));
    record->Release();
    ImgClearJPGOutputText();
}
