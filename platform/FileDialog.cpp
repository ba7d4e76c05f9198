#include "FileDialog.h"

#include "HostPath.h"
#include "MessageBox.h"
#include "ModalDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QStringList>

#include <cctype>

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// The next field of a filter string up to its '|'; the rest stays in text.
std::string_view takeField(std::string_view &text)
{
    const size_t bar = text.find('|');
    const std::string_view field = text.substr(0, bar);
    text = bar == std::string_view::npos ? std::string_view() : text.substr(bar + 1);
    return field;
}

// A Windows wildcard ('*' any run, '?' one character) against name,
// without regard to ASCII case.
bool matchesWildcard(std::string_view pattern, std::string_view name)
{
    size_t p = 0, n = 0;
    size_t starP = std::string_view::npos, starN = 0;   // where the last '*' may take one more character
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size()
                   && (pattern[p] == '?'
                       || std::tolower(static_cast<unsigned char>(pattern[p]))
                              == std::tolower(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// The one extension that a pattern "*.ext" names; empty for any other pattern.
std::string_view extensionNamedBy(std::string_view pattern)
{
    if (pattern.size() < 3 || pattern.substr(0, 2) != "*.")
        return {};
    const std::string_view extension = pattern.substr(2);
    return extension.find_first_of("*?.") == std::string_view::npos ? extension : std::string_view();
}

// Qt's name filter for an entry: the entry's text, which the dialog shows
// as it stands (HideNameFilterDetails drops the last parentheses), and the
// patterns in parentheses, which Qt reads and, as Windows, matches without
// regard to case.
QString qtNameFilter(const FileFilterEntry &entry)
{
    QStringList patterns;
    for (const std::string &pattern : entry.patterns)
        patterns << QString::fromStdString(pattern);
    return QString::fromStdString(entry.name) + QStringLiteral(" (") + patterns.join(u' ') + u')';
}

bool isFolder(const std::string &hostPath)
{
    return !hostPath.empty() && QFileInfo(QString::fromStdString(hostPath)).isDir();
}

// Qt's file dialog, deciding as the Windows dialog does what OK means.
class WindowsFileDialog : public QFileDialog
{
public:
    WindowsFileDialog(QWidget *owner, const TOpenDialog &settings, bool save)
        : QFileDialog(owner), m_settings(settings), m_save(save), m_entries(ParseFileFilter(settings.Filter))
    {
        setObjectName(save ? QStringLiteral("SaveDialog") : QStringLiteral("OpenDialog"));
        setOption(QFileDialog::DontUseNativeDialog);
        setOption(QFileDialog::DontConfirmOverwrite);   // asked in accept, through MessageBoxA
        setOption(QFileDialog::HideNameFilterDetails);
        setFileMode(QFileDialog::AnyFile);
        setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        setWindowTitle(QString::fromStdString(title()));
        // The filters first: choosing one renames the file's extension.
        setFilters();
        setInitialPlace();
        keepNameUnderWildcardFilters();
    }

    // After OK: the chosen file's Windows path and its filter entry, from 1.
    const std::string &chosenFile() const { return m_chosenFile; }
    int chosenFilterIndex() const { return m_chosenFilterIndex; }

protected:
    void accept() override
    {
        // A wildcard typed is no file (Windows would take it as a filter).
        const QLineEdit *box = fileNameBox();
        const std::string typed = typedPath();
        if (typed.empty() || (box && hasWildcard(box->text())))
            return;
        if (isFolder(typed)) {
            setDirectory(QString::fromStdString(typed));
            if (QLineEdit *box = fileNameBox())
                box->clear();
            return;
        }
        const int index = filterIndex();
        const std::string windowsPath = resolve(typed, index >= 0 ? &m_entries[size_t(index)] : nullptr);
        if (!mayChoose(windowsPath))
            return;
        m_chosenFile = windowsPath;
        m_chosenFilterIndex = index + 1;
        QDialog::accept();
    }

private:
    std::string title() const
    {
        if (!m_settings.Title.empty())
            return m_settings.Title;
        return m_save ? "Save As" : "Open";
    }

    // A folder in FileName goes before InitialDir, as on Windows; with
    // neither, the current folder.
    void setInitialPlace()
    {
        const std::string &fileName = m_settings.FileName;
        const size_t separator = fileName.find_last_of("\\/");
        std::string folder = m_settings.InitialDir;
        std::string name = fileName;
        if (separator != std::string::npos) {
            folder = fileName.substr(0, separator + 1);
            name = fileName.substr(separator + 1);
        }
        const std::string hostFolder = folder.empty() ? std::string() : HostPathFromWindows(folder);
        setDirectory(isFolder(hostFolder) ? QString::fromStdString(hostFolder) : QDir::currentPath());
        if (!name.empty())
            selectFile(QString::fromStdString(HostNameFromWindows(name)));
    }

    void setFilters()
    {
        if (m_entries.empty())
            return;
        QStringList filters;
        for (const FileFilterEntry &entry : m_entries)
            filters << qtNameFilter(entry);
        setNameFilters(filters);
        const int index = m_settings.FilterIndex >= 1 && size_t(m_settings.FilterIndex) <= m_entries.size()
                              ? m_settings.FilterIndex - 1
                              : 0;
        selectNameFilter(filters[index]);
    }

    QLineEdit *fileNameBox() const { return findChild<QLineEdit *>(QStringLiteral("fileNameEdit")); }

    // The host path of the name in the file name box, as Windows takes it:
    // the box decides, whatever the list still has selected.
    std::string typedPath() const
    {
        const QLineEdit *box = fileNameBox();
        const QString text = box ? box->text().trimmed() : QString();
        if (!text.isEmpty())
            return QDir::cleanPath(directory().absoluteFilePath(text)).toStdString();
        const QStringList files = selectedFiles();
        return files.isEmpty() ? std::string() : files.first().toStdString();
    }

    QComboBox *filterBox() const { return findChild<QComboBox *>(QStringLiteral("fileTypeCombo")); }

    // The chosen entry, from 0; -1 without a filter.
    int filterIndex() const
    {
        const QComboBox *box = filterBox();
        const int index = box && !m_entries.empty() ? box->currentIndex() : -1;
        return index < int(m_entries.size()) ? index : -1;
    }

    // Choosing an entry gives the file name that entry's extension. An entry
    // that names none ("*.*") would make it "name.*": the name stays as it was.
    void keepNameUnderWildcardFilters()
    {
        QLineEdit *box = fileNameBox();
        if (!box)
            return;
        m_lastName = box->text();
        connect(box, &QLineEdit::textChanged, this, [this](const QString &text) {
            if (!hasWildcard(text))
                m_lastName = text;
        });
        connect(this, &QFileDialog::filterSelected, this, [this, box] {
            if (hasWildcard(box->text()))
                box->setText(m_lastName);
        });
    }

    static bool hasWildcard(const QString &name) { return name.contains(u'*') || name.contains(u'?'); }

    // The Windows path of the file that typed (a host path) stands for: an
    // open dialog takes an existing file as typed, otherwise the default
    // extension is applied.
    std::string resolve(const std::string &typed, const FileFilterEntry *entry) const
    {
        const std::string asTyped = WindowsPathFromHost(typed);
        if (!m_save && existsAsFile(asTyped))
            return asTyped;
        const size_t slash = typed.rfind('/');
        const std::string name = ApplyDefaultExtension(typed.substr(slash + 1), entry, m_settings.DefaultExt);
        return WindowsPathFromHost(typed.substr(0, slash + 1) + name);
    }

    // Names are matched as Windows does, so the host spelling is looked up.
    static bool existsAsFile(const std::string &windowsPath)
    {
        const std::string hostPath = HostPathFromWindows(windowsPath);
        return !hostPath.empty() && QFileInfo(QString::fromStdString(hostPath)).isFile();
    }

    // The options' refusals and the overwrite question; true when the file may be chosen.
    bool mayChoose(const std::string &windowsPath)
    {
        const uint32_t options = m_settings.Options;
        const std::string folder = windowsPath.substr(0, windowsPath.rfind('\\') + 1);
        if (windowsPath.empty() || ((options & ofPathMustExist) && !isFolder(HostPathFromWindows(folder)))) {
            tell(windowsPath + "\nPath does not exist.\nPlease verify the correct path was given.", MB_OK);
            return false;
        }
        const bool exists = existsAsFile(windowsPath);
        if (!m_save && (options & ofFileMustExist) && !exists) {
            tell(windowsPath + "\nFile not found.\nPlease verify the correct file name was given.", MB_OK);
            return false;
        }
        if (m_save && (options & ofOverwritePrompt) && exists)
            return tell(windowsPath + " already exists.\nDo you want to replace it?", MB_YESNO) == IDYES;
        return true;
    }

    int tell(const std::string &text, UINT buttons)
    {
        return MessageBoxA(this, text.c_str(), title().c_str(), buttons | MB_ICONEXCLAMATION);
    }

    const TOpenDialog &m_settings;
    const bool m_save;
    const std::vector<FileFilterEntry> m_entries;
    QString m_lastName;   // the file name box's last text without a wildcard
    std::string m_chosenFile;
    int m_chosenFilterIndex = 0;
};

} // namespace

std::vector<FileFilterEntry> ParseFileFilter(std::string_view filter)
{
    std::vector<FileFilterEntry> entries;
    while (!filter.empty()) {
        const std::string_view name = takeField(filter);
        if (trimmed(name).empty())
            break;
        std::string_view patterns = takeField(filter);
        FileFilterEntry entry{std::string(name), {}};
        while (!patterns.empty()) {
            const size_t semicolon = patterns.find(';');
            const std::string_view pattern = trimmed(patterns.substr(0, semicolon));
            if (!pattern.empty())
                entry.patterns.emplace_back(pattern);
            patterns = semicolon == std::string_view::npos ? std::string_view() : patterns.substr(semicolon + 1);
        }
        if (!entry.patterns.empty())
            entries.push_back(std::move(entry));
    }
    return entries;
}

std::string ApplyDefaultExtension(const std::string &name, const FileFilterEntry *filter,
                                  const std::string &defaultExt)
{
    if (defaultExt.empty() || name.empty())
        return name;
    if (!filter)
        return name.find('.') == std::string::npos ? name + '.' + defaultExt : name;
    for (const std::string &pattern : filter->patterns) {
        if (matchesWildcard(pattern, name))
            return name;
    }
    const std::string_view named = extensionNamedBy(filter->patterns.front());
    return name + '.' + (named.empty() ? defaultExt : std::string(named));
}

bool TOpenDialog::Execute(QWidget *owner)
{
    WindowsFileDialog dialog(owner ? owner : QApplication::activeWindow(), *this, m_save);
    if (ExecModal(dialog) != QDialog::Accepted || dialog.chosenFile().empty())
        return false;
    FileName = dialog.chosenFile();
    if (dialog.chosenFilterIndex() > 0)
        FilterIndex = dialog.chosenFilterIndex();
    return true;
}
