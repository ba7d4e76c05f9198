#pragma once

#include "../DriveMapLines.h"
#include "../TestSupport.h"

#include <Source/Glob.h>
#include <Source/engine/WindowHooks.h>
#include <platform/MessageBox.h>
#include <platform/WindowThread.h>

#include <QCoreApplication>
#include <QString>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <vector>

// The program's globals for one scope: InitGlobals at its start, FreeGlobals
// at its end.
class GlobalsScope
{
public:
    GlobalsScope() { InitGlobals(); }
    ~GlobalsScope() { FreeGlobals(); }
    GlobalsScope(const GlobalsScope &) = delete;
    GlobalsScope &operator=(const GlobalsScope &) = delete;
};

// While it lives, the registry store refuses to write any value named
// valueName (in any case), as a store that cannot be written does.
class RefusedRegistryWrites
{
public:
    explicit RefusedRegistryWrites(const char *valueName)
    {
        char *sql = sqlite3_mprintf(
            "CREATE TRIGGER RefuseInsert BEFORE INSERT ON RegValue WHEN NEW.folded = lower(%Q)"
            " BEGIN SELECT RAISE(ABORT, 'read-only'); END;"
            "CREATE TRIGGER RefuseUpdate BEFORE UPDATE ON RegValue WHEN NEW.folded = lower(%Q)"
            " BEGIN SELECT RAISE(ABORT, 'read-only'); END",
            valueName, valueName);
        exec(sql);
        sqlite3_free(sql);
    }
    ~RefusedRegistryWrites() { exec("DROP TRIGGER RefuseInsert; DROP TRIGGER RefuseUpdate"); }
    RefusedRegistryWrites(const RefusedRegistryWrites &) = delete;
    RefusedRegistryWrites &operator=(const RefusedRegistryWrites &) = delete;

private:
    static void exec(const char *sql)
    {
        sqlite3 *db = nullptr;
        EXPECT_EQ(sqlite3_open(std::getenv("ZILO_REGISTRY"), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 10000);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
};

// Answers the program's message boxes for one scope, in order from answers
// and then with each box's default button, and keeps what each box showed.
class MessageBoxScript
{
public:
    struct Box
    {
        QString text;
        QString caption;
        UINT type = 0;
        bool onWindowThread = false;
    };

    explicit MessageBoxScript(std::vector<int> answers = {}) : m_answers(answers.begin(), answers.end())
    {
        SetMessageBoxResponder([this](const QString &text, const QString &caption, UINT type) {
            std::lock_guard lock(m_lock);
            m_boxes.push_back({text, caption, type, IsWindowThread()});
            if (m_answers.empty())
                return DefaultMessageBoxAnswer(type);
            const int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        });
    }
    ~MessageBoxScript() { SetMessageBoxResponder({}); }
    MessageBoxScript(const MessageBoxScript &) = delete;
    MessageBoxScript &operator=(const MessageBoxScript &) = delete;

    std::vector<Box> boxes() const
    {
        std::lock_guard lock(m_lock);
        return m_boxes;
    }

private:
    mutable std::mutex m_lock;   // guards the two members below
    std::deque<int> m_answers;
    std::vector<Box> m_boxes;
};

// The coordinator as the engine sees it, for one scope: records each call in
// order and keeps the tool windows' visibility.
class RecordingCoordinator : public CoordinatorHooks
{
public:
    RecordingCoordinator() { SetCoordinatorHooks(this); }
    ~RecordingCoordinator() override { SetCoordinatorHooks(nullptr); }

    void DisableAllWindows() override { record("disable"); }
    void EnableAllWindows() override { record("enable"); }
    void BeginFileOperation() override { record("begin"); }
    void EndFileOperation() override { record("end"); }
    bool isToolWindowVisible(Tool window) const override { return visible[int(window)]; }
    void setToolWindowVisible(Tool window, bool shown) override { visible[int(window)] = shown; }

    void record(const std::string &call)
    {
        std::lock_guard lock(m_lock);
        m_calls.push_back(IsWindowThread() ? call : call + " off the window thread");
    }
    std::vector<std::string> calls() const
    {
        std::lock_guard lock(m_lock);
        return m_calls;
    }

    bool visible[3] = {false, false, false};   // by Tool

private:
    mutable std::mutex m_lock;   // guards m_calls
    std::vector<std::string> m_calls;
};

// The windows' dialogs for one scope: the insert-volume prompt answers
// through onPrompt (Cancel when unset); every prompt and drive information
// request is kept.
class ScriptedDialogs : public DialogHooks
{
public:
    struct Prompt
    {
        QString text;
        bool allowForce = false;
        bool onWindowThread = false;
    };

    explicit ScriptedDialogs(RecordingCoordinator *coordinator = nullptr) : m_coordinator(coordinator)
    {
        SetDialogHooks(this);
    }
    ~ScriptedDialogs() override { SetDialogHooks(nullptr); }

    int promptForVolume(const CString &text, bool allowForce) override
    {
        if (m_coordinator)
            m_coordinator->record("prompt");
        {
            std::lock_guard lock(m_lock);
            m_prompts.push_back({text.ToAnsiString(), allowForce, IsWindowThread()});
        }
        return onPrompt ? onPrompt(int(prompts().size())) : IDCANCEL;
    }
    void showDriveInfo(const CPath &driveOrShare) override
    {
        std::lock_guard lock(m_lock);
        m_driveInfo.push_back(driveOrShare.ToAnsiString());
    }

    std::vector<Prompt> prompts() const
    {
        std::lock_guard lock(m_lock);
        return m_prompts;
    }
    std::vector<QString> driveInfo() const
    {
        std::lock_guard lock(m_lock);
        return m_driveInfo;
    }

    // Given the number of the prompt (1 for the first), answers it.
    std::function<int(int)> onPrompt;

private:
    RecordingCoordinator *m_coordinator;
    mutable std::mutex m_lock;   // guards the two lists below
    std::vector<Prompt> m_prompts;
    std::vector<QString> m_driveInfo;
};

// Runs call on a worker thread while this (the window) thread serves the
// calls that the worker hands over; answers what call answered.
template <typename F>
auto RunOnWorker(F call)
{
    auto worker = std::async(std::launch::async, call);
    while (worker.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return worker.get();
}
