#include "RecentFiles.h"

#include "Path.h"

#include <platform/Menus.h>
#include <platform/StringList.h>

#include <memory>

static QString captionFor(int index, const QString &line)
{
    QString name = CPath(CString(line)).GetFilePart().ToAnsiString();
    name.replace(u'&', QStringLiteral("&&"));   // a name's '&' is no shortcut key
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

void BuildRecentFileMenu(TMenuItem *marker, TStrings *files)
{
    TMenuItem *parent = marker->Parent();
    if (parent) {
        const int first = marker->MenuIndex() + 1;
        while (first < parent->Count() && parent->Items(first)->Caption() != QLatin1String("-"))
            parent->Delete(first);
        for (int i = 0; i < files->Count(); ++i) {
            auto item = std::make_unique<TMenuItem>();
            item->SetCaption(captionFor(i, files->Get(i)));
            item->SetHint(files->Get(i));
            item->OnClick = marker->OnClick;
            parent->Insert(first + i, std::move(item));
        }
    }
    marker->SetVisible(files->Count() == 0);
}

void AddToRecentFiles(const QString &file, TMenuItem *marker, TStrings *files, int maximum)
{
    if (!file.isEmpty()) {
        const int index = files->IndexOf(file);
        if (index >= 0) {
            files->Move(index, 0);
        } else {
            files->Insert(0, file);
            while (files->Count() > maximum)
                files->Delete(files->Count() - 1);
        }
    }
    BuildRecentFileMenu(marker, files);
}
