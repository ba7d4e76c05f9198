#include "../engine/ThumbTestSupport.h"
#include "../FakeDesktop.h"
#include "../windows/ModalScript.h"

#include <Source/tools/CustomHTMLForm.h>
#include <Source/tools/HtmlTemplate.h>
#include <Source/tools/ThumbnailWizard.h>
#include <lib/SafeRegIniFile.h>
#include <lib/controls/HistoryComboBox.h>
#include <platform/HostPath.h>
#include <platform/StringList.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStackedWidget>
#include <QUrl>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

// Lines as one text, as a failure shows them.
std::string joined(const QStringList &lines)
{
    return lines.join(u'\n').toStdString();
}

// The wizard on records of C:\My Pics, each a 64x48 JPEG file.
class ThumbnailWizardTest : public ThumbTest
{
protected:
    void SetUp() override
    {
        ThumbTest::SetUp();
        std::filesystem::create_directories(TestHostFolder() + "/My Pics");
    }
    void TearDown() override
    {
        m_wizard.reset();
        for (CThumbBitmap *made : m_records)
            made->Release();
        ThumbTest::TearDown();
    }

    static CPath folder() { return CPath(CString(TestWindowsPath(QStringLiteral("My Pics")))); }
    static std::string hostFolder() { return TestHostFolder() + "/My Pics"; }
    static QString section()
    {
        return QString(FolderSettingsSection(folder(), FoldersSection).ToAnsiString()) + QStringLiteral("\\*TnWiz");
    }

    // A record of a JPEG file of folder (a host name), built or in state;
    // the fixture holds the creating reference.
    CThumbBitmap *record(const std::string &name, TThumbState state = TThumbState::Loaded,
                         const std::string &inFolder = "My Pics")
    {
        auto *made = new CThumbBitmap(CThumbBitmap::FromFile,
                                      writeJpegFile(QString::fromStdString(inFolder + "/" + name), 64, 48));
        m_records.push_back(made);
        if (state == TThumbState::Loaded || state == TThumbState::Failed || state == TThumbState::Loading) {
            EXPECT_TRUE(made->ClaimForLoading());
            const CSize size = made->GetThumbnailSize();
            if (state != TThumbState::Loading)
                made->EndLoading(state, state == TThumbState::Loaded
                                            ? JpegBytes(uint32_t(size.cx), uint32_t(size.cy))
                                            : std::vector<uint8_t>{});
        }
        return made;
    }
    std::vector<CThumbBitmap *> records(int count)
    {
        std::vector<CThumbBitmap *> made;
        for (int i = 0; i < count; ++i)
            made.push_back(record("p" + std::to_string(i) + ".jpg"));
        return made;
    }

    TThumbnailWizardForm1 &wizard(const std::vector<CThumbBitmap *> &selected, const CPath &input = folder())
    {
        m_wizard = std::make_unique<TThumbnailWizardForm1>(nullptr, input, selected);
        m_wizard->CheckBox3->setChecked(false);   // no browser
        return *m_wizard;
    }

    static void setKey(const QString &name, const QString &value) { SettingsStore->WriteString(section(), name, value); }
    static QString key(const QString &name) { return SettingsStore->ReadString(section(), name, QStringLiteral("?")); }

    static QStringList pageLines(const std::string &hostPath)
    {
        return QString::fromUtf8(ReadHostFile(hostPath)).split(QStringLiteral("\r\n"));
    }
    static QStringList templateLines() { return pageLines(templateHostPath()); }
    static void writeTemplate(const QStringList &lines)
    {
        WriteHostFile(templateHostPath(), lines.join(QStringLiteral("\r\n")).toUtf8());
    }
    static std::string templateHostPath() { return HostPathFromWindows(TemplatePath().c_str()); }

    std::vector<CThumbBitmap *> m_records;
    std::unique_ptr<TThumbnailWizardForm1> m_wizard;
};

TEST_F(ThumbnailWizardTest, AFolderNamedMyPicsGivesItsDefaults)
{
    TThumbnailWizardForm1 &form = wizard(records(3));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Thumbnail Wizard"));
    EXPECT_EQ(form.PageIndex(), 0);
    EXPECT_EQ(form.CountLabel->text(), QStringLiteral("Number of thumbnails selected: 3"));
    EXPECT_EQ(form.ErrorLabel1->text(), QString());
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("my_pics.htm"));
    EXPECT_EQ(form.Edit4->text(), QStringLiteral("My Pics"));
    EXPECT_EQ(form.Edit8->text(), QStringLiteral("<H1>My Pics</H1>"));
    EXPECT_EQ(form.Edit2->text(), QString());
    for (QCheckBox *box : {form.CheckBox1, form.CheckBox4, form.SafeSavesCheckBox})
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
    EXPECT_EQ(form.InputFolderEdit->text(), folder().ToAnsiString());
    EXPECT_EQ(form.ThumbnailFolderEdit->text(), folder().ToAnsiString());
    EXPECT_EQ(form.HtmlFileEdit->text(), folder().AppendFileName("my_pics.htm").ToAnsiString());
    EXPECT_FALSE(form.BackButton->isEnabled());
    EXPECT_TRUE(form.NextButton->isEnabled());
    EXPECT_TRUE(form.PreviewButton->isEnabled());
    EXPECT_TRUE(HostFileExists(templateHostPath())) << "the template is written at start";
}

TEST_F(ThumbnailWizardTest, HtmlFileNameAddsHtmUnlessThereAndRefusesBadNames)
{
    TThumbnailWizardForm1 &form = wizard(records(1));
    const std::pair<const char *, const char *> cases[] = {
        {"index", "index.htm"},       {"index.html", "index.html"}, {"Index.HTM", "Index.HTM"},
        {"  page  ", "page.htm"},     {"notes.txt", "notes.txt.htm"}, {"my page", ""},
        {"a:b", ""},                  {"a/b", ""},                  {"a\\b", ""},
        {"q\"uote", ""},              {"", ""},                     {"   ", ""},
    };
    for (const auto &[typed, expected] : cases) {
        SCOPED_TRACE(typed);
        form.Edit1->setText(QString::fromLatin1(typed));
        EXPECT_EQ(form.HtmlFileName().ToAnsiString(), QString::fromLatin1(expected));
        const bool valid = *expected != 0;
        EXPECT_EQ(form.HtmlFileEdit->text() == QStringLiteral("-- Invalid --"), !valid);
        EXPECT_EQ(form.ErrorLabel3->text(), valid ? QString() : QStringLiteral("Please enter a valid file name"));
        EXPECT_EQ(form.NextButton->isEnabled(), valid);
        EXPECT_EQ(form.PreviewButton->isEnabled(), valid);
    }
}

TEST_F(ThumbnailWizardTest, ThumbnailFileNameTurnsTheLastDotAndTakesTheSubfolder)
{
    TThumbnailWizardForm1 &form = wizard(records(1));
    struct Case
    {
        const char *subfolder;
        const char *image;
        const char *expected;
    };
    const Case cases[] = {
        {"", "photo.gif", "tn_photo_gif.jpg"},
        {"", "a.b.jpeg", "tn_a.b_jpeg.jpg"},
        {"", "plain", "tn_plain.jpg"},
        {"  thumbs ", "photo.gif", "thumbs\\tn_photo_gif.jpg"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.image);
        form.Edit2->setText(c.subfolder);
        EXPECT_EQ(form.ThumbnailFileName(c.image).ToAnsiString(), QString::fromLatin1(c.expected));
    }
}

TEST_F(ThumbnailWizardTest, TheSubfolderAndTitleChecksBlockEveryStep)
{
    TThumbnailWizardForm1 &form = wizard(records(1));
    form.NextButton->click();
    ASSERT_EQ(form.PageIndex(), 1);
    for (const char *subfolder : {".", "..", " .. ", "a\\b", "a/b", "x?y"}) {
        SCOPED_TRACE(subfolder);
        form.Edit2->setText(subfolder);
        EXPECT_EQ(form.ThumbnailFolderEdit->text(), QStringLiteral("-- Invalid --"));
        EXPECT_EQ(form.ErrorLabel2->text(), QStringLiteral("Please enter a single valid folder name"));
        EXPECT_FALSE(form.NextButton->isEnabled());
        EXPECT_FALSE(form.BackButton->isEnabled());
        EXPECT_FALSE(form.PreviewButton->isEnabled());
    }
    form.Edit2->setText("..thumbs");
    EXPECT_EQ(form.ThumbnailFolderEdit->text(), folder().AppendFileName("..thumbs").ToAnsiString());
    EXPECT_TRUE(form.NextButton->isEnabled());
    EXPECT_TRUE(form.BackButton->isEnabled());

    form.Edit4->setText("   ");
    EXPECT_EQ(form.ErrorLabel3->text(), QStringLiteral("You must supply a title"));
    EXPECT_FALSE(form.NextButton->isEnabled());
    form.CheckBox1->click();   // HTML off: the checks still hold
    EXPECT_FALSE(form.CheckBox1->isChecked());
    EXPECT_FALSE(form.NextButton->isEnabled());
    EXPECT_FALSE(form.Edit4->isEnabled());
}

TEST_F(ThumbnailWizardTest, AThumbnailNotYetBuiltBlocksTheWizard)
{
    for (const TThumbState state : {TThumbState::Pending, TThumbState::Loading}) {
        SCOPED_TRACE(int(state));
        std::vector<CThumbBitmap *> selected = records(2);
        selected.push_back(record("waiting" + std::to_string(int(state)) + ".jpg", state));
        TThumbnailWizardForm1 &form = wizard(selected);
        EXPECT_EQ(form.ErrorLabel1->text(), QStringLiteral("Not all selected thumbnails are loaded"));
        EXPECT_FALSE(form.NextButton->isEnabled());
        EXPECT_FALSE(form.PreviewButton->isEnabled());
        if (state == TThumbState::Loading)
            selected.back()->EndLoading(TThumbState::Failed);
    }
}

TEST_F(ThumbnailWizardTest, PageFourIsSkippedWhileHtmlIsOff)
{
    TThumbnailWizardForm1 &form = wizard(records(1));
    const auto walk = [&](QPushButton *button, int steps) {
        std::vector<int> pages;
        for (int i = 0; i < steps; ++i) {
            button->click();
            pages.push_back(form.PageIndex());
        }
        return pages;
    };
    EXPECT_EQ(walk(form.NextButton, 4), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(form.NextButton->text(), QStringLiteral("&Finish"));
    EXPECT_EQ(walk(form.BackButton, 4), (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(form.NextButton->text(), QStringLiteral("&Next >"));
    form.CheckBox1->click();
    EXPECT_EQ(walk(form.NextButton, 3), (std::vector<int>{1, 2, 4}));
    EXPECT_FALSE(form.PreviewButton->isEnabled()) << "no page to preview";
    EXPECT_EQ(walk(form.BackButton, 1), (std::vector<int>{2}));
}

TEST_F(ThumbnailWizardTest, FinishWritesTheThumbnailsAndAGoldenPage)
{
    MessageBoxScript boxes;
    std::vector<CThumbBitmap *> selected = records(5);
    TThumbnailWizardForm1 &form = wizard(selected);
    SettingsStore->WriteInteger(section(), QStringLiteral("Across"), 2);
    form.Edit5->setText("Our \"best\" & <newest>");
    form.Edit6->setText("cats, dogs");
    form.Edit2->setText("thumbs");
    for (int i = 0; i < 4; ++i)
        form.NextButton->click();
    form.NextButton->click();
    EXPECT_EQ(form.result(), int(mrOk));
    EXPECT_TRUE(boxes.boxes().empty());

    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(HostFileExists(hostFolder() + "/thumbs/tn_p" + std::to_string(i) + "_jpg.jpg")) << i;
    const QString cell = QStringLiteral(
        "<TD ALIGN=CENTER VALIGN=TOP>\n"
        "<A HREF=\"p%1.jpg\"><IMG SRC=\"thumbs/tn_p%1_jpg.jpg\" BORDER=0 ALT=\"p%1.jpg\" WIDTH=80 HEIGHT=60></A>\n"
        "<BR>p%1.jpg<BR>(%2)\n"
        "</TD>");
    QStringList expected = {
        "",
        "<HTML>",
        "<HEAD>",
        "<TITLE>My Pics</TITLE>",
        "<META NAME=GENERATOR CONTENT=\"Vantrel's Image Organiser 2.0\">",
        "<META NAME=DESCRIPTION CONTENT=\"Our &quot;best&quot; &amp; &lt;newest&gt;\">",
        "<META NAME=KEYWORDS CONTENT=\"cats, dogs\">",
        "</HEAD>",
        "",
        "<BODY>",
        "<CENTER>",
        "<H1>My Pics</H1>",
        "<TABLE WIDTH=75% CELLSPACING=4 CELLPADDING=4>",
    };
    for (int i = 0; i < 5; ++i) {
        if (i % 2 == 0)
            expected.append("<TR>");
        CString size;
        size.FormatFileSize(selected[size_t(i)]->GetHandler().GetSize());
        expected.append(cell.arg(i).arg(size.ToAnsiString()).split(u'\n'));
        if (i % 2 == 1 || i == 4)
            expected.append("</TR>");
    }
    expected.append({"</TABLE>", "</CENTER>", "</BODY>", "</HTML>", ""});
    EXPECT_EQ(joined(pageLines(hostFolder() + "/my_pics.htm")), joined(expected));
    EXPECT_EQ(key(QStringLiteral("Subfolder")), QStringLiteral("thumbs"));
    EXPECT_EQ(key(QStringLiteral("Description")), QStringLiteral("Our \"best\" & <newest>"));
}

TEST_F(ThumbnailWizardTest, TheTableFollowsEachOption)
{
    struct Case
    {
        const char *name;
        std::vector<std::pair<const char *, const char *>> keys;
        bool unixPaths;
        QStringList lines;   // the table's lines for one thumbnail of p0.jpg
    };
    const Case cases[] = {
        {"attributes trimmed, no links, no size",
         {{"TABLE", "  BORDER=1  "}, {"TR", " VALIGN=TOP "}, {"TD", ""}, {"Generate Links", "0"},
          {"WIDTH and HEIGHT", "0"}, {"Generate Labels", "0"}},
         true,
         {"<TABLE BORDER=1>", "<TR VALIGN=TOP>", "<TD>", "<IMG SRC=\"tn_p0_jpg.jpg\" BORDER=0 ALT=\"p0.jpg\">", "</TD>",
          "</TR>", "</TABLE>"}},
        {"border and alt off, labels counted",
         {{"Generate Border", "0"}, {"Generate Alt", "0"}, {"Label Format", "%n of %t: %g"}, {"BORDER", "7"},
          {"Generate Links", "0"}},
         true,
         {"<TABLE WIDTH=75% CELLSPACING=4 CELLPADDING=4>", "<TR>", "<TD ALIGN=CENTER VALIGN=TOP>",
          "<IMG SRC=\"tn_p0_jpg.jpg\" WIDTH=80 HEIGHT=60>", "1 of 1: p0", "</TD>", "</TR>", "</TABLE>"}},
        {"a border that cannot be, a row of none, backslashes",
         {{"BORDER", "-4"}, {"Across", "0"}, {"Generate Labels", "0"}, {"ALT", "Picture of %g"},
          {"Subfolder", "sub"}},
         false,
         {"<TABLE WIDTH=75% CELLSPACING=4 CELLPADDING=4>", "<TR>", "<TD ALIGN=CENTER VALIGN=TOP>",
          "<A HREF=\"p0.jpg\"><IMG SRC=\"sub\\tn_p0_jpg.jpg\" BORDER=0 ALT=\"Picture of p0\" WIDTH=80 "
          "HEIGHT=60></A>",
          "</TD>", "</TR>", "</TABLE>"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SettingsStore->EraseSection(section());
        for (const auto &[name, value] : c.keys)
            setKey(QString::fromLatin1(name), QString::fromLatin1(value));
        TThumbnailWizardForm1 &form = wizard({m_records.empty() ? record("p0.jpg") : m_records.front()});
        form.CheckBox4->setChecked(c.unixPaths);
        form.SafeSavesCheckBox->setChecked(false);
        ASSERT_TRUE(form.FinishWizard());
        const QStringList page = pageLines(hostFolder() + "/my_pics.htm");
        const qsizetype table = page.indexOf(QRegularExpression(QStringLiteral("<TABLE.*")));
        ASSERT_GE(table, 0) << joined(page);
        EXPECT_EQ(joined(page.mid(table, c.lines.size())), joined(c.lines)) << joined(page);
    }
}

TEST_F(ThumbnailWizardTest, FailedThumbnailsAreLeftOutOfTheFilesAndThePage)
{
    std::vector<CThumbBitmap *> selected = records(2);
    selected.insert(selected.begin() + 1, record("broken.jpg", TThumbState::Failed));
    TThumbnailWizardForm1 &form = wizard(selected);
    EXPECT_TRUE(form.NextButton->isEnabled()) << "a failed thumbnail is settled";
    ASSERT_TRUE(form.FinishWizard());
    EXPECT_FALSE(HostFileExists(hostFolder() + "/tn_broken_jpg.jpg"));
    const QString page = QString::fromUtf8(ReadHostFile(hostFolder() + "/my_pics.htm"));
    EXPECT_FALSE(page.contains(QStringLiteral("broken")));
    EXPECT_EQ(page.count(QStringLiteral("<IMG ")), 2);
}

// Every SRC and HREF of the page, each decoded as a browser does.
QStringList linksOf(const QString &page)
{
    static const QRegularExpression attribute(QStringLiteral("(SRC|HREF)=\"([^\"]*)\""));
    QStringList links;
    for (const QRegularExpressionMatch &match : attribute.globalMatch(page)) {
        QString value = match.captured(2);
        value.replace(QStringLiteral("&quot;"), QStringLiteral("\"")).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        links.append(value);
    }
    return links;
}

TEST_F(ThumbnailWizardTest, HostileNamesStillLinkAndEveryLinkResolves)
{
    const std::vector<std::string> names = {"a&b #1.jpg", "50% off.jpg", "say \"cheese\".jpg", "semi;colon?.jpg"};
    std::vector<CThumbBitmap *> selected;
    for (const std::string &name : names)
        selected.push_back(record(name));
    SettingsStore->WriteString(section(), QStringLiteral("ALT"), QStringLiteral("%f \"alt\""));
    TThumbnailWizardForm1 &form = wizard(selected);
    form.Edit2->setText("my thumbs");
    ASSERT_TRUE(form.FinishWizard());

    const QString page = QString::fromUtf8(ReadHostFile(hostFolder() + "/my_pics.htm"));
    // Attribute values hold no bare quote: each tag's quotes pair up.
    static const QRegularExpression tag(QStringLiteral("<(IMG|A) [^>]*>"));
    int tags = 0;
    for (const QRegularExpressionMatch &match : tag.globalMatch(page)) {
        ++tags;
        EXPECT_EQ(match.captured(0).count(u'"') % 2, 0) << match.captured(0).toStdString();
    }
    EXPECT_EQ(tags, 8);
    const QStringList links = linksOf(page);
    ASSERT_EQ(links.size(), 8);
    const QUrl base = QUrl::fromLocalFile(QString::fromStdString(hostFolder()) + QStringLiteral("/my_pics.htm"));
    for (const QString &link : links) {
        SCOPED_TRACE(link.toStdString());
        EXPECT_FALSE(link.contains(u' ') || link.contains(u'#') || link.contains(u'"') || link.contains(u'&'));
        const QUrl resolved = base.resolved(QUrl(link, QUrl::StrictMode));
        ASSERT_TRUE(resolved.isValid());
        EXPECT_TRUE(std::filesystem::exists(resolved.toLocalFile().toStdString()));
    }
    EXPECT_TRUE(page.contains(QStringLiteral("ALT=\"a&amp;b #1.jpg &quot;alt&quot;\"")));
}

TEST_F(ThumbnailWizardTest, ImagesOnAnotherVolumeLinkByFileAddress)
{
    std::filesystem::create_directories(TestHostFolder() + "/disc/Pics");
    WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System") + "\n"
                  + DriveMapLine("D:", TestHostFolder() + "/disc", "removable", "00C0FFEE", "Disc"));
    CThumbBitmap *image = record("x y.jpg", TThumbState::Loaded, "disc/Pics");
    const CPath input(CString(QStringLiteral("D:\\Pics")));
    TThumbnailWizardForm1 &form = wizard({image}, input);
    MessageBoxScript boxes;
    ASSERT_TRUE(form.FinishWizard()) << "the output folder starts as the input folder";
    EXPECT_TRUE(HostFileExists(TestHostFolder() + "/disc/Pics/tn_x y_jpg.jpg"));
    m_wizard.reset();

    SettingsStore->WriteString(FolderSettingsSection(input, FoldersSection).ToAnsiString() + "\\*TnWiz",
                               QStringLiteral("Output Folder"), TestWindowsFolder());
    TThumbnailWizardForm1 &other = wizard({image}, input);
    EXPECT_EQ(other.Edit72->text(), input.ToAnsiString());
    EXPECT_FALSE(other.Edit72->isHidden());
    EXPECT_TRUE(other.Edit7->isHidden());
    ASSERT_TRUE(other.FinishWizard());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith(QStringLiteral("The image links will contain fully qualified paths")));
    const QString page = QString::fromUtf8(ReadHostFile(TestHostFolder() + "/pics.htm"));
    const QStringList links = linksOf(page);
    ASSERT_EQ(links.size(), 2);
    EXPECT_TRUE(links[0].startsWith(QStringLiteral("file:///")));
    EXPECT_EQ(QUrl(links[0]).toLocalFile().toStdString(), TestHostFolder() + "/disc/Pics/x y.jpg");
    EXPECT_EQ(links[1], QStringLiteral("tn_x%20y_jpg.jpg"));
}

TEST_F(ThumbnailWizardTest, SafeSavesAsksBeforeReplacingAPage)
{
    TThumbnailWizardForm1 &form = wizard(records(1));
    WriteHostFile(hostFolder() + "/my_pics.htm", "old page");
    {
        MessageBoxScript boxes({IDNO});
        EXPECT_FALSE(form.FinishWizard());
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text,
                  folder().AppendFileName("my_pics.htm").ToAnsiString()
                      + QStringLiteral(" already exists.\nDo you want to replace it?"));
        EXPECT_EQ(boxes.boxes()[0].type, UINT(MB_ICONQUESTION | MB_YESNO));
    }
    EXPECT_EQ(ReadHostFile(hostFolder() + "/my_pics.htm"), QByteArray("old page"));
    EXPECT_TRUE(HostFileExists(hostFolder() + "/tn_p0_jpg.jpg")) << "the thumbnails are written all the same";
    EXPECT_EQ(form.CancelButton->text(), QStringLiteral("&Close"));
    MessageBoxScript boxes({IDYES});
    EXPECT_TRUE(form.FinishWizard());
    EXPECT_TRUE(ReadHostFile(hostFolder() + "/my_pics.htm").startsWith("\r\n<HTML>"));
}

TEST_F(ThumbnailWizardTest, APageThatCannotBeWrittenIsReportedAndNoSuccess)
{
    TThumbnailWizardForm1 &form = wizard(records(1));
    form.SafeSavesCheckBox->setChecked(false);
    std::filesystem::create_directories(hostFolder() + "/my_pics.htm/inside");
    MessageBoxScript boxes;
    EXPECT_FALSE(form.FinishWizard());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].type, UINT(MB_ICONSTOP | MB_OK));
    EXPECT_TRUE(std::filesystem::is_directory(hostFolder() + "/my_pics.htm/inside"));
    EXPECT_TRUE(HostFileExists(hostFolder() + "/tn_p0_jpg.jpg"));
}

TEST_F(ThumbnailWizardTest, CancelStoresNothing)
{
    TThumbnailWizardForm1 &form = wizard(records(1));
    form.Edit4->setText("Another title");
    form.CancelButton->click();
    EXPECT_FALSE(SettingsStore->SectionExists(section()));
}

TEST_F(ThumbnailWizardTest, ShowPageOpensTheFinishedPage)
{
    FakeDesktop desktop;
    desktop.addApplication("browser", "text/html;");
    TThumbnailWizardForm1 &form = wizard(records(1));
    form.CheckBox3->setChecked(true);
    for (int i = 0; i < 5; ++i)
        form.NextButton->click();
    EXPECT_EQ(form.result(), int(mrOk));
    EXPECT_EQ(desktop.openerLog(), QByteArray::fromStdString(hostFolder() + "/my_pics.htm\n"));
}

class HtmlTemplateTest : public ThumbnailWizardTest
{
};

TEST_F(HtmlTemplateTest, MarkersAreFoundIndentedButOnlyInTheirCase)
{
    struct Case
    {
        const char *line;
        int found;
    };
    const Case cases[] = {
        {"<!-- Body insertion point -->", 1},
        {"    <!-- Body insertion point -->", 1},
        {"\t\t<!-- Body", 1},
        {" \t <!-- Body", 1},
        {"<!-- body insertion point -->", -1},
        {"<!--Body insertion point -->", -1},
        {"x <!-- Body", -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        TStringList lines;
        lines.Add("<HTML>");
        lines.Add(QString::fromLatin1(c.line));
        lines.Add("<!-- Body again");
        EXPECT_EQ(FindTemplateMarker(lines, "Body"), c.found == 1 ? 1 : 2);
        lines.Delete(2);
        EXPECT_EQ(FindTemplateMarker(lines, "Body"), c.found);
    }
}

TEST_F(HtmlTemplateTest, AnOlderTemplateIsUpgradedOnce)
{
    WriteDefaultTemplate();
    QStringList old = templateLines();
    old.removeAll(QStringLiteral("<!-- Heading insertion point...     DO NOT EDIT this line -->"));
    old.removeAll(QStringLiteral("<!-- Memo insertion point...        DO NOT EDIT this line -->"));
    writeTemplate(old);
    {
        MessageBoxScript boxes;
        TThumbnailWizardForm1 &form = wizard(records(1));
        (void)form;
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("Your existing HTML template has been updated to version 2.0"));
        EXPECT_EQ(boxes.boxes()[0].type, UINT(MB_ICONWARNING | MB_OK));
    }
    const QStringList upgraded = templateLines();
    WriteDefaultTemplate();
    EXPECT_EQ(upgraded, templateLines());
    MessageBoxScript boxes;
    wizard(m_records);
    EXPECT_TRUE(boxes.boxes().empty()) << "an upgraded template is left alone";
    EXPECT_FALSE(UpgradeTemplate());
}

TEST_F(HtmlTemplateTest, AMissingBodyMarkerAsksToRegenerateTheTemplate)
{
    TThumbnailWizardForm1 &form = wizard(records(1));
    QStringList lines = templateLines();
    lines.removeAt(lines.indexOf(QRegularExpression(QStringLiteral("<!-- Body.*"))));
    writeTemplate(lines);
    const QString question = QStringLiteral("The HTML template has been corrupted and cannot be used.\n\n"
                                            "Would you like to regenerate the default template?");
    {
        MessageBoxScript boxes({IDNO});
        EXPECT_FALSE(form.FinishWizard());
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, question);
        EXPECT_FALSE(HostFileExists(hostFolder() + "/my_pics.htm"));
        EXPECT_TRUE(HostFileExists(hostFolder() + "/tn_p0_jpg.jpg"));
        EXPECT_EQ(templateLines(), lines) << "No keeps the user's template";
    }
    MessageBoxScript boxes({IDYES, IDYES});
    EXPECT_TRUE(form.FinishWizard());
    EXPECT_EQ(boxes.boxes().size(), 1u);
    EXPECT_TRUE(QString::fromUtf8(ReadHostFile(hostFolder() + "/my_pics.htm")).contains(QStringLiteral("<IMG SRC")));
    EXPECT_GE(FindTemplateMarker([] {
                  TStringList loaded;
                  LoadTemplate(loaded);
                  return loaded;
              }(),
                                 "Body"),
              0);
}

TEST_F(HtmlTemplateTest, AnEmptyDescriptionStillGivesTheGeneratorAndTheFolderMemoGoesIn)
{
    TStringList memo;
    memo.Add("<P>Our <B>holiday</B></P>");
    memo.Add("second line");
    CMemo(folder(), "HTML").SetLines(memo);
    TThumbnailWizardForm1 &form = wizard(records(1));
    form.Edit8->setText("");
    ASSERT_TRUE(form.FinishWizard());
    const QStringList page = pageLines(hostFolder() + "/my_pics.htm");
    EXPECT_EQ(joined(page.mid(0, 6)), joined(QStringList{"", "<HTML>", "<HEAD>", "<TITLE>My Pics</TITLE>",
                                           "<META NAME=GENERATOR CONTENT=\"Vantrel's Image Organiser 2.0\">",
                                           "</HEAD>"}));
    EXPECT_EQ(joined(page.mid(7, 4)), joined({"<BODY>", "<CENTER>", "<P>Our <B>holiday</B></P>", "second line"}));
}

// The customisation dialog, opened from the wizard's page 4.
class CustomHTMLFormTest : public ThumbnailWizardTest
{
protected:
    static QStringList items(const QComboBox *combo)
    {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts.append(combo->itemText(i));
        return texts;
    }
    static QStringList stored(const char *name)
    {
        QStringList values;
        for (int i = 0; i < 20; ++i) {
            const QString value = SettingsStore->ReadString(QStringLiteral("Recent HTML"),
                                                            THistoryComboBox::GetNumEntry(name, i), QString());
            if (!value.isEmpty())
                values.append(value);
        }
        return values;
    }
};

TEST_F(CustomHTMLFormTest, AFirstOpeningShowsThePresetsLastFirst)
{
    TThumbnailWizardForm1 &form = wizard(records(1));
    TCustomHTMLForm1 custom(nullptr, form);
    EXPECT_EQ(custom.windowTitle(), QStringLiteral("Thumbnail Wizard - Customise HTML body"));
    EXPECT_EQ(items(custom.AltCombo), (QStringList{"%f", "Picture of %g"}));
    EXPECT_EQ(custom.AltCombo->currentText(), QStringLiteral("%f"));
    EXPECT_EQ(items(custom.LabelCombo), (QStringList{"<BR>%f<BR>(%s)", "<BR><SUB>%g<BR>(%s)<BR><EM>%m</EM></SUB>",
                                                     "<BR><SUB>%n of %t<BR>%f<BR>(%s)</SUB>"}));
    EXPECT_EQ(items(custom.TableCombo), (QStringList{"WIDTH=75% CELLSPACING=4 CELLPADDING=4"}));
    EXPECT_EQ(items(custom.TrCombo), QStringList());
    EXPECT_EQ(items(custom.TdCombo), (QStringList{"ALIGN=CENTER VALIGN=TOP"}));
    EXPECT_EQ(custom.Edit1->value(), 4);
    EXPECT_EQ(custom.Edit1->minimum(), 1);
    EXPECT_EQ(custom.Edit5->minimum(), 0);
    custom.CheckBox3->setChecked(false);
    EXPECT_FALSE(custom.Edit5->isEnabled());
    custom.CheckBox4->setChecked(false);
    EXPECT_FALSE(custom.AltCombo->isEnabled());
    custom.CheckBox2->setChecked(false);
    EXPECT_FALSE(custom.LabelCombo->isEnabled());
}

TEST_F(CustomHTMLFormTest, OkStoresTheValuesAndTheListsWhichTheTableThenUses)
{
    TThumbnailWizardForm1 &form = wizard(records(3));
    {
        TCustomHTMLForm1 custom(nullptr, form);
        custom.AltCombo->setEditText("Photo %g");
        custom.Edit1->setValue(3);
        custom.CheckBox2->setChecked(false);
        custom.OkButton->click();
        EXPECT_EQ(custom.result(), int(mrOk));
    }
    EXPECT_EQ(stored("ALT"), (QStringList{"Photo %g", "%f", "Picture of %g"}));
    EXPECT_EQ(key(QStringLiteral("ALT")), QStringLiteral("Photo %g"));
    EXPECT_EQ(key(QStringLiteral("Across")), QStringLiteral("3"));
    EXPECT_EQ(key(QStringLiteral("Generate Labels")), QStringLiteral("0"));
    TCustomHTMLForm1 again(nullptr, form);
    EXPECT_EQ(again.AltCombo->currentText(), QStringLiteral("Photo %g"));
    EXPECT_EQ(again.Edit1->value(), 3);
    EXPECT_FALSE(again.CheckBox2->isChecked());
}

TEST_F(CustomHTMLFormTest, ResetListsThenCancelStoresNothing)
{
    TThumbnailWizardForm1 &form = wizard(records(1));
    {
        TCustomHTMLForm1 custom(nullptr, form);
        custom.AltCombo->setEditText("Mine %f");
        custom.OkButton->click();
    }
    const QStringList before = stored("ALT");
    ASSERT_EQ(before.size(), 3);
    TCustomHTMLForm1 custom(nullptr, form);
    MessageBoxScript boxes({IDYES});
    custom.ResetListsButton->click();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, QStringLiteral("Are you sure you want to reset all drop-down lists?"));
    EXPECT_EQ(items(custom.AltCombo), (QStringList{"%f", "Picture of %g"}));
    EXPECT_EQ(custom.AltCombo->currentText(), QStringLiteral("Mine %f")) << "the text stays";
    custom.CancelButton->click();
    EXPECT_EQ(stored("ALT"), before);
    EXPECT_EQ(key(QStringLiteral("ALT")), QStringLiteral("Mine %f"));
}

TEST_F(CustomHTMLFormTest, PreviewStoresAndMakesThePage)
{
    FakeDesktop desktop;
    desktop.addApplication("browser", "text/html;");
    TThumbnailWizardForm1 &form = wizard(records(2));
    TCustomHTMLForm1 custom(nullptr, form);
    custom.Edit1->setValue(1);
    custom.PreviewButton->click();
    EXPECT_EQ(custom.CancelButton->text(), QStringLiteral("&Close"));
    EXPECT_EQ(key(QStringLiteral("Across")), QStringLiteral("1"));
    const QString page = QString::fromUtf8(ReadHostFile(hostFolder() + "/my_pics.htm"));
    EXPECT_EQ(page.count(QStringLiteral("<TR>")), 2);
    EXPECT_EQ(desktop.openerLog(), QByteArray::fromStdString(hostFolder() + "/my_pics.htm\n"));
}

} // namespace
