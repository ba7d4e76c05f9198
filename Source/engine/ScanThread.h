#pragma once

#include <lib/Path.h>
#include <platform/Thread.h>

#include <functional>
#include <mutex>
#include <vector>

class CScanThumbProgressContext;
class CThumbBitmap;
class CThumbProgressContext;

class TScanThread;

// The scan threads of one browse window. The window tests whether it is empty
// before it opens another folder or closes; the threads add and remove
// themselves. Any thread.
class TScanThreadList
{
public:
    void Add(TScanThread *thread);
    void Remove(TScanThread *thread);
    int Count() const;

private:
    mutable std::mutex m_lock;   // guards m_threads; taken with no other lock held
    std::vector<TScanThread *> m_threads;
};

// An open folder's worker: loads the folder's browse file (or rescans it when
// there is none), then rescans and saves whenever the window asks, until the
// window terminates the context. The only writer of the folder's browse file.
// An error ends the request it came in (and is reported), never the thread:
// the window's next request is served. Frees itself when it ends; nobody
// waits for it.
class TScanThread : public TThread
{
public:
    // Takes a reference on context and attaches itself to it, joins
    // threadList, and starts.
    TScanThread(const CPath &folder, CScanThumbProgressContext *context, TScanThreadList *threadList,
                TThreadPriority priority);
    ~TScanThread() override;

    // The number of threads that build thumbnails beside the scan thread: one
    // per core, none on a single core. For measurements; before any scan.
    static void SetBuilderCount(int count);
    static int BuilderCount();

protected:
    void Execute() override;

private:
    // Runs one of the window's requests, reporting an error it raises.
    void serve(const std::function<void()> &request);

    CPath m_folder;
    CScanThumbProgressContext *m_context;   // one reference
    TScanThreadList *m_threadList;
};

// One rescan of a folder: counts its image files, makes their records and
// builds the thumbnails that are missing, reporting each step to the window.
// Worker threads only.
class CThumbLoader
{
public:
    explicit CThumbLoader(const CPath &folder) : m_folder(folder) {}

    void Load(CThumbProgressContext *context);
    // Thumbnails built successfully by the last Load.
    int BuiltCount() const { return m_builtCount; }

private:
    std::vector<CPath> countFiles(CThumbProgressContext *context);
    void createRecords(CThumbProgressContext *context, const std::vector<CPath> &files);
    void buildRecords(CThumbProgressContext *context);
    void releaseRecords();

    CPath m_folder;
    int m_builtCount = 0;
    std::vector<CThumbBitmap *> m_records;   // one reference each
};
