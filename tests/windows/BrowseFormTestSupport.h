#pragma once

#include "FileDialogTestSupport.h"
#include "../WindowThreadQueue.h"

#include <Source/Glob.h>
#include <Source/engine/BrowseFile.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/windows/BrowseForm.h>
#include <Source/windows/MainForm.h>
#include <platform/MessageBox.h>
#include <platform/Thread.h>

#include <QPointer>

#include <memory>
#include <vector>

// A coordinator with its browse windows on real folders of C:, whose scan
// threads run for real. Every window a test opens is closed, and its threads
// have ended, before the globals go.
class BrowseFormTest : public FileDialogTest
{
protected:
    void SetUp() override
    {
        FileDialogTest::SetUp();
        SetMessageBoxResponder([this](const QString &text, const QString &, UINT) {
            boxes.push_back(text);
            return boxAnswer;
        });
        coordinator = std::make_unique<TMainForm1>();
        coordinator->Terminate = [this] { ++terminated; };
    }
    void TearDown() override
    {
        boxAnswer = IDNO;
        for (TBrowseForm1 *form : std::vector<TBrowseForm1 *>(coordinator->BrowseForms()))
            form->TakeModified(false);
        for (TBrowseForm1 *form : std::vector<TBrowseForm1 *>(coordinator->BrowseForms()))
            form->close();
        EXPECT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().empty(); })) << "a window did not close";
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(WaitForWorkerThreads(20000));
        coordinator.reset();
        SetMessageBoxResponder({});
        FileDialogTest::TearDown();
    }

    // A folder of C: with count pictures, made for the test.
    static CPath pictureFolder(const QString &name, int count)
    {
        std::filesystem::create_directories(host(name));
        for (int index = 0; index < count; ++index)
            writeJpegFile(QStringLiteral("%1/p%2.jpg").arg(name).arg(index, 3, 10, QChar('0')), 64, 48);
        return windows(name);
    }

    // A window on folder, once it shows count thumbnails and its scan is idle.
    TBrowseForm1 *open(const CPath &folder, int count)
    {
        auto *form = new TBrowseForm1(folder);
        EXPECT_TRUE(waitShown(form, folder, count));
        return form;
    }
    static bool waitShown(TBrowseForm1 *form, const CPath &folder, int count)
    {
        return ServeUntil([&] {
            return form->ShownFolder() == folder && form->ScanContext() && !form->IsLoading()
                && form->ThumbBox->Count() == count && form->isEnabled();
        });
    }

    // The records in folder's browse file; -1 when there is none.
    static int browseFileRecords(const CPath &folder)
    {
        if (!GetBrowseFilePath(folder).GetFileExists())
            return -1;
        auto *context = new CThumbProgressContext(HWND(), nullptr);
        int records = -2;
        {
            CBrowseFile file(folder);
            if (file.Load(context))
                records = int(file.Records().size());
        }
        context->Release();
        return records;
    }

    std::unique_ptr<TMainForm1> coordinator;
    std::vector<QString> boxes;
    int boxAnswer = IDNO;
    int terminated = 0;   // the times the coordinator ended the program
};
