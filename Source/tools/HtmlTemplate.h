#pragma once

#include <Source/engine/FileHandler.h>
#include <lib/Path.h>
#include <lib/Rect.h>
#include <lib/String.h>

#include <QString>

#include <vector>

class TStrings;

// The thumbnail wizard's page template, "HTML-Template.txt" in the program
// folder: a text file the user may edit, whose marker lines say where the
// page's parts go. A marker line, with its leading blanks (codes up to 32)
// removed, begins with "<!-- " and its key, in that case. Window thread.

CPath TemplatePath();

// Writes the default text over any template. Raises the stream exceptions
// when the file cannot be written.
void WriteDefaultTemplate();

// A template of the older form (a Body marker but no Memo marker) gets the
// Heading and Memo marker lines above its Body line, is saved and the user
// told; any other template, or none, is left alone. Answers whether it was
// upgraded.
bool UpgradeTemplate();

// Asks whether to write the default template over a corrupt one; Yes writes
// it and answers true (fill again). A template that cannot be written is
// reported and answers false.
bool AskRegenerateTemplate();

// The index of the first marker line of key, or -1.
int FindTemplateMarker(const TStrings &lines, const char *key);

// Loads the template's lines; false for a missing or unreadable file, or one
// larger than any template (MaxTemplateBytes).
bool LoadTemplate(TStrings &lines);
constexpr int64_t MaxTemplateBytes = 4 << 20;

// The values that shape the page's thumbnail table, kept in the wizard's
// section. Loading keeps "Across" at least 1 and "BORDER" at least 0,
// whatever the store holds.
struct THtmlBodyOptions
{
    QString table = QStringLiteral("WIDTH=75% CELLSPACING=4 CELLPADDING=4");
    QString tr;
    QString td = QStringLiteral("ALIGN=CENTER VALIGN=TOP");
    int across = 4;
    bool widthAndHeight = true;
    int border = 0;
    bool generateBorder = true;
    QString alt = QStringLiteral("%f");
    bool generateAlt = true;
    QString labelFormat = QStringLiteral("<BR>%f<BR>(%s)");
    bool generateLabels = true;
    bool generateLinks = true;

    void Load(const QString &section);
    // One transaction; raises ERegistryException when the store refuses.
    void Save(const QString &section) const;
};

// One thumbnail of the page: its image, the thumbnail file's name relative
// to the page's folder, and the thumbnail's size.
struct THtmlPageItem
{
    TImageHandler image;
    CString thumbnailName;
    CSize thumbnailSize;
};

// What the wizard puts into a page.
struct THtmlPage
{
    QString title;
    QString description;
    QString keywords;
    QString heading;       // the user's HTML, as typed
    CPath inputFolder;     // the images, whose folder memo the page shows
    CPath htmlFile;        // the page itself
    QString prefix;        // the images' link base when they lie beside the page
    bool unixPaths = true;
    THtmlBodyOptions body;
    std::vector<THtmlPageItem> items;
};

// The fills of the template's lines; each looks up its markers first and
// answers false, leaving the lines part-filled, at the first one missing
// (the template is corrupt). Text put into attributes and the title is
// escaped; the heading, memo and labels are the user's HTML and go in as
// they are. Links are percent-encoded; across volumes, an image's link is
// the file address of its host path.
bool FillTemplateHead(TStrings &lines, const THtmlPage &page);
bool GenerateThumbnailTable(TStrings &lines, const THtmlPage &page);
