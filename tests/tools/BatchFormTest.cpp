#include "BatchTestSupport.h"
#include "../lib/AviTestSupport.h"

#include <lib/ProductInfo.h>
#include <Source/engine/UserMessages.h>
#include <Source/tools/BatchForm.h>
#include <Source/tools/BatchLog.h>
#include <Source/tools/BatchState.h>
#include <lib/controls/AnimControl.h>
#include <platform/Menus.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

namespace {

class BatchFormTest : public BatchTest
{
protected:
    // Lets the window's timers and the engine's messages run until done holds.
    template <typename Done>
    static bool runUntil(Done done)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > 60000)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    static void add(TBatchForm1 &form, const char *folder, bool recursive)
    {
        form.ScanVolume(CPath(folder), recursive);
        ASSERT_TRUE(runUntil([&] { return !form.IsAdding(); }));
    }

    static QStringList logLines(const TBatchForm1 &form)
    {
        QStringList lines;
        for (const QString &line : form.RichEdit1->toPlainText().split(u'\n'))
            lines << line.mid(line.indexOf(u' ') + 1);   // without the time
        return lines;
    }

    static QStringList recentCaptions(const TBatchForm1 &form)
    {
        QStringList captions;
        TMenuItem *file = form.File1.get();
        for (int i = form.RecentMarker->MenuIndex() + 1; i < file->Count() && file->Items(i)->Caption() != "-"; ++i)
            captions << file->Items(i)->Hint();
        return captions;
    }
};

TEST_F(BatchFormTest, AddingTheSameTreeTwiceSaysThatNoNewImagesWereAdded)
{
    writePhotos("disc/Trip/Day1", 3);
    writePhotos("disc/Trip/Day2", 2);
    TBatchForm1 form;
    form.show();
    {
        MessageBoxScript boxes;
        add(form, "D:\\Trip", true);
        EXPECT_TRUE(boxes.boxes().empty());
    }
    EXPECT_EQ(form.StatusBar1Panel0->text(), "Total: 5 images in 2 folders");
    EXPECT_TRUE(form.Button1->isEnabled());
    MessageBoxScript boxes;
    add(form, "D:\\Trip", true);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "No new images were added");
    EXPECT_EQ(form.TreeView->ImageTotal(), 5);
}

TEST_F(BatchFormTest, StopAddingCanBePressedWhileATreeIsAddedAndEndsTheAdd)
{
    for (int folder = 0; folder < 60; ++folder)
        writePhotos("disc/Tree/F" + std::to_string(folder), 30);
    TBatchForm1 form;
    form.show();
    form.ScanVolume(CPath("D:\\Tree"), true);
    ASSERT_TRUE(form.IsAdding());
    QAction *stop = form.Command("StopAdding1");
    EXPECT_TRUE(stop->isEnabled());
    EXPECT_FALSE(form.Command("Add1")->isEnabled());
    EXPECT_FALSE(form.Button1->isEnabled());
    // The window answers between slices: the press is taken while adding.
    ASSERT_TRUE(runUntil([&] { return form.TreeView->ImageTotal() > 0; }));
    ASSERT_TRUE(form.IsAdding());
    MessageBoxScript boxes;
    stop->trigger();
    EXPECT_FALSE(stop->isEnabled()) << "pressed once";
    ASSERT_TRUE(runUntil([&] { return !form.IsAdding(); }));
    EXPECT_LT(form.TreeView->ImageTotal(), 1800);
    EXPECT_TRUE(boxes.boxes().empty()) << "a stopped add is no empty add";
}

TEST_F(BatchFormTest, ARunBuildsEveryFolderLogsItAndMarksEveryFile)
{
    writePhotos("disc/Trip/Day1", 3);
    writePhotos("disc/Trip/Day2", 2);
    TBatchForm1 form;
    form.show();
    add(form, "D:\\Trip", true);
    form.StartEngine();
    ASSERT_TRUE(form.IsRunning());
    EXPECT_TRUE(form.windowTitle().startsWith("Batch Engine - ")) << form.windowTitle().toStdString();
    ASSERT_TRUE(runUntil([&] { return !form.IsRunning(); }));
    const QStringList lines = logLines(form);
    EXPECT_TRUE(lines.contains("Folder 'D:\\Trip\\Day1' begins"));
    EXPECT_TRUE(lines.contains("Loaded OK - 'D:\\Trip\\Day2\\p1.jpg'"));
    EXPECT_TRUE(lines.contains("3 new thumbnails were created"));
    EXPECT_TRUE(lines.contains("Folder 'D:\\Trip\\Day2' completed"));
    EXPECT_EQ(lines.last(), "End of Run");
    EXPECT_TRUE(HostFileExists(host("disc/Trip/Day1/Thumbnail.zilo")));
    EXPECT_TRUE(HostFileExists(host("disc/Trip/Day2/Thumbnail.zilo")));
    for (QTreeWidgetItem *file : {form.TreeView->topLevelItem(0)->child(0)->child(2),
                                  form.TreeView->topLevelItem(0)->child(1)->child(0)})
        EXPECT_EQ(TBatchWorkList::ImageOf(file), biLoaded);
    EXPECT_EQ(form.windowTitle().toStdString(), std::string("Batch Engine (Untitled)") + CaptionSuffix);
    EXPECT_TRUE(form.Command("SaveLog1")->isEnabled());

    // A second run covers every file again, from the browse files now.
    form.RichEdit1->ClearLog();
    form.StartEngine();
    ASSERT_TRUE(runUntil([&] { return !form.IsRunning(); }));
    EXPECT_TRUE(logLines(form).contains("Loading browse file 'D:\\Trip\\Day1\\Thumbnail.zilo'..."));
    EXPECT_TRUE(logLines(form).contains("No new thumbnails were created"));
}

TEST_F(BatchFormTest, PauseIsUsableInARunAfterAStopDuringABrowseFileSave)
{
    writePhotos("disc/Trip", 2);
    TBatchForm1 form;
    form.show();
    add(form, "D:\\Trip", false);
    // A save began; the stop kept its end from arriving.
    SendMessage(form.Handle(), UM_BROWSE_SAVE_BEGIN, 0, 0);
    form.StartEngine();
    ASSERT_TRUE(form.IsRunning());
    EXPECT_TRUE(form.Button2->isEnabled());
    EXPECT_EQ(form.Button2->text(), "&Pause");
    form.Button2Click();
    EXPECT_EQ(form.Button2->text(), "&Resume");
    EXPECT_EQ(form.Button1->text(), "&Stop");
    form.Button2Click();
    ASSERT_TRUE(runUntil([&] { return !form.IsRunning(); }));
}

TEST_F(BatchFormTest, TheCaptionStopsAtAHundredPercentWhenMoreRecordsArriveThanTheRunListed)
{
    writePhotos("disc/Trip", 2);
    TBatchForm1 form;
    form.show();
    add(form, "D:\\Trip", false);
    form.StartEngine();
    form.Button2Click();   // the engine waits; what it sent waits for the window's loop
    SendMessage(form.Handle(), UM_RUN_BEGIN, 0, 2);
    // A browse file of the folder holds records of three files.
    for (int i = 0; i < 3; ++i)
        SendMessage(form.Handle(), UM_BROWSE_RECORD_READ, 0, 0);
    form.UpdateEngineControls();
    EXPECT_EQ(form.windowTitle().toStdString(), std::string("Batch Engine - 100%") + CaptionSuffix);
    form.StopEngine();
}

TEST_F(BatchFormTest, StoppingARunEndsItAndTheWindowRefusesToCloseWhileItRuns)
{
    writePhotos("disc/Trip", 2);
    TBatchForm1 form;
    form.show();
    add(form, "D:\\Trip", false);
    form.StartEngine();
    form.Button2Click();   // paused, so that it is still running when closed
    {
        MessageBoxScript boxes;
        EXPECT_FALSE(form.close());
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, "The Batch Engine is active. Please stop it before closing the window.");
        EXPECT_TRUE(form.isVisible());
    }
    form.Button1Click();
    EXPECT_FALSE(form.IsRunning());
    // Nothing more comes from the stopped engine: the log ends with the stop.
    for (int turn = 0; turn < 50; ++turn)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(logLines(form).last(), "** Run Aborted **");
    EXPECT_EQ(logLines(form).count("** Run Aborted **"), 1);
    EXPECT_TRUE(form.close());
}

TEST_F(BatchFormTest, TheAudioAnswerFollowsTheBoxAsItIsWhenAsked)
{
    TBatchForm1 form;
    form.show();
    form.AudioCheckBox->setChecked(true);
    EXPECT_EQ(SendMessage(form.Handle(), UM_QUERY_AUDIO_FEEDBACK, 0, 0), 1);
    form.AudioCheckBox->setChecked(false);
    EXPECT_EQ(SendMessage(form.Handle(), UM_QUERY_AUDIO_FEEDBACK, 0, 0), 0);
}

// However narrow the window is made, the row of the clip, the box and the
// buttons keeps them apart.
TEST_F(BatchFormTest, TheButtonRowNeverCrowdsTheAudioBox)
{
    TBatchForm1 form;
    form.resize(300, form.height());
    form.show();
    QCoreApplication::processEvents();
    EXPECT_LT(form.AudioCheckBox->geometry().right(), form.Button1->geometry().left());
    EXPECT_GE(form.AudioCheckBox->width(), form.AudioCheckBox->sizeHint().width());
}

TEST_F(BatchFormTest, TheRecentListDropsTheNinthAndMovesAReopenedOneToTheTop)
{
    writePhotos("disc/Trip", 1);
    TBatchForm1 form;
    form.show();
    add(form, "D:\\Trip", false);
    QStringList paths;
    for (int i = 0; i < 9; ++i) {
        paths << QStringLiteral("C:\\state%1.zile").arg(i);
        form.SaveState(paths.last());
    }
    QStringList expected = paths.mid(1);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(recentCaptions(form), expected);

    // Chosen from the menu: the menu is built anew under the item chosen.
    TMenuItem *file = form.File1.get();
    TMenuItem *fifth = file->Items(form.RecentMarker->MenuIndex() + 1 + int(expected.indexOf(paths[4])));
    ASSERT_EQ(fifth->Hint(), paths[4]);
    form.TreeView->RemoveAll();
    fifth->Action()->trigger();
    ASSERT_TRUE(runUntil([&] { return form.TreeView->ImageTotal() == 1; }));
    expected.removeAll(paths[4]);
    expected.prepend(paths[4]);
    EXPECT_EQ(recentCaptions(form), expected);
    EXPECT_EQ(form.TreeView->ImageTotal(), 1);
    // Kept across windows.
    TBatchForm1 again;
    EXPECT_EQ(recentCaptions(again), expected);
}

TEST_F(BatchFormTest, AFailedLoadGoesBackToUntitledSoThatSaveCannotOverwriteTheFile)
{
    writePhotos("disc/Trip", 2);
    TBatchForm1 form;
    form.show();
    add(form, "D:\\Trip", false);
    form.SaveState("C:\\work.zile");
    const QByteArray whole = ReadHostFile(host("work.zile"));
    WriteHostFile(host("work.zile"), whole.left(whole.size() - 3));
    MessageBoxScript boxes;
    form.LoadState("C:\\work.zile");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(form.TreeView->ImageTotal(), 2) << "what was read stays";
    EXPECT_TRUE(form.StateFilePath().endsWith("Untitled.zile"));
    EXPECT_EQ(form.windowTitle().toStdString(), std::string("Batch Engine (Untitled)") + CaptionSuffix);
}

TEST_F(BatchFormTest, AStateFileNameGetsItsExtensionOnce)
{
    EXPECT_EQ(TBatchForm1::WithStateExtension("C:\\work"), "C:\\work.zile");
    EXPECT_EQ(TBatchForm1::WithStateExtension("C:\\work.ZILE"), "C:\\work.ZILE");
    EXPECT_EQ(TBatchForm1::WithStateExtension("C:\\work.txt"), "C:\\work.txt.zile");
}

TEST_F(BatchFormTest, TheClipPlaysWhileARunIsActiveAndAMissingOrDamagedClipOnlyCostsTheAnimation)
{
    writePhotos("disc/Trip", 2);
    struct Case
    {
        const char *name;
        QByteArray bytes;   // empty: the pattern clip; "-": no file
        bool plays;
    };
    QByteArray garbage(4096, '\x5A');
    garbage.replace(0, 4, "RIFF");
    const Case cases[] = {{"good clip", {}, true}, {"no clip", "-", false}, {"damaged clip", garbage, false}};
    for (const Case &entry : cases) {
        SCOPED_TRACE(entry.name);
        std::filesystem::remove(TestHostFolder() + "/Program/Engine.avi");
        if (entry.bytes.isEmpty())
            WritePatternMovie("Program/Engine.avi", 16, 16, 4);
        else if (entry.bytes != "-")
            WriteHostFile(TestHostFolder() + "/Program/Engine.avi", entry.bytes);
        TBatchForm1 form;
        form.show();
        add(form, "D:\\Trip", false);
        EXPECT_FALSE(form.Animate1->IsPlaying());
        form.StartEngine();
        ASSERT_TRUE(form.IsRunning());
        EXPECT_EQ(form.Animate1->IsPlaying(), entry.plays);
        form.Button2Click();
        EXPECT_FALSE(form.Animate1->IsPlaying()) << "paused";
        form.Button2Click();
        EXPECT_EQ(form.Animate1->IsPlaying(), entry.plays);
        ASSERT_TRUE(runUntil([&] { return !form.IsRunning(); }));
        EXPECT_FALSE(form.Animate1->IsPlaying());
    }
}

TEST(BatchLogTest, LinesHoldNoControlCharactersAndTheOldestGoPastTheCap)
{
    TBatchLog log;
    log.AppendLogLine("a\tb\nc");
    EXPECT_TRUE(log.toPlainText().endsWith(" a b c"));
    const QString long_(1000, u'x');
    for (int i = 0; i < 300; ++i)
        log.AppendLogLine(QString::number(i) + long_);
    EXPECT_LE(log.document()->characterCount(), TBatchLog::MaxLogCharacters);
    EXPECT_TRUE(log.toPlainText().section(u'\n', -1).contains("299x"));
    EXPECT_FALSE(log.toPlainText().contains(" 0x"));
    EXPECT_EQ(log.LinesWritten(), 301);
}

} // namespace
