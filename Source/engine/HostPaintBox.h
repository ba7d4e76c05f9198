#pragma once

#include "FileHandler.h"
#include "ThumbBitmap.h"

#include <lib/Path.h>
#include <platform/Messages.h>
#include <platform/Thread.h>

#include <QWidget>

#include <memory>

class CHostThumbProgressContext;

// Shows one file as a thumbnail in a dialog: the cached record when it is
// loaded, otherwise one that a thread of its own builds. Window thread.
class THostPaintBox : public QWidget
{
    Q_OBJECT

public:
    THostPaintBox(QWidget *owner, const CPath &path);
    ~THostPaintBox() override;

    // The record shown, or null.
    CThumbBitmap *GetThumbBitmap() const { return m_client.GetBitmap(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    // Hands the record's notifications, from whatever thread, to the window.
    class TClient : public CThumbBitmapClient
    {
    public:
        explicit TClient(HWND window) : m_window(window) {}
        void Notify(uint8_t what) override;

    private:
        const HWND m_window;   // dead once the paint box goes: a post then does nothing
    };

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void startThread();

    TImageHandler m_file;
    std::unique_ptr<CMessageWindow> m_window;    // the target of the thread and of m_client
    TClient m_client;
    CHostThumbProgressContext *m_context = nullptr;   // one reference, while a thread may run
};

// Builds one file's record for a paint box, and hands it over. Frees itself
// when it ends.
class TThumbThread : public TThread
{
public:
    // Takes a reference on context and starts.
    TThumbThread(const CPath &path, CHostThumbProgressContext *context, TThreadPriority priority);
    ~TThumbThread() override;

protected:
    void Execute() override;

private:
    CPath m_path;
    CHostThumbProgressContext *m_context;   // one reference
};
