#include "FinderForm.h"

#include <Source/Glob.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/Thumbnail.h>
#include <lib/Application.h>
#include <lib/ProductInfo.h>
#include <lib/SafeRegIniFile.h>
#include <lib/WaitCursor.h>
#include <platform/Registry.h>
#include <platform/StringList.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace {

// The options' section, which the history shares.
const QString FinderSection = QStringLiteral("Finder");
const QString CountValue = QStringLiteral("Count");
const QString SelectedValue = QStringLiteral("Selected");
const QString PatternPrefix = QStringLiteral("Pattern ");
constexpr int DefaultWidth = 360;
constexpr int DefaultHeight = 200;

} // namespace

CFinderContext::CFinderContext(const CString &pattern, bool matchCase, bool exactMatch, bool clearSelection,
                               bool moveToTop)
    : m_pattern(matchCase ? pattern : pattern.AsLower()), m_matchCase(matchCase), m_exactMatch(exactMatch)
{
    this->clearSelection = clearSelection;
    this->moveToTop = moveToTop;
}

bool CFinderContext::MatchesThumbnail(const TThumbnail &thumbnail)
{
    CThumbBitmap *record = thumbnail.GetThumbBitmap();
    return record && MatchesFile(record->GetHandler().GetName());
}

bool CFinderContext::MatchesFile(CString fileName)
{
    if (m_pattern.IsEmpty())
        return true;
    const CString name = m_matchCase ? fileName : fileName.AsLower();
    if (m_exactMatch)
        return std::strcmp(name, m_pattern) == 0;
    return name.Find(m_pattern) >= 0;
}

TFinderForm1::TFinderForm1()
{
    setObjectName(QStringLiteral("FinderForm1"));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Image Finder") + QString::fromUtf8(CaptionSuffix));
    const QSize screen = QGuiApplication::primaryScreen()->size();
    Options.SetRegistryKey(SettingsRoot);
    DefineOptions(Options, FinderSection,
                  {{"Left", (screen.width() - DefaultWidth) / 2},
                   {"Top", (screen.height() - DefaultHeight) / 2},
                   {"Match Case", 0},
                   {"Exact Match", 0},
                   {"Clear Selection", 1},
                   {"Move Selection", 0},
                   {"Include Basket", 0}});
    Options.Load();
    createControls();
    loadHistory();
}

void TFinderForm1::createControls()
{
    auto *grid = new QGridLayout(this);
    auto *label = new QLabel(QStringLiteral("&Named:"), this);
    grid->addWidget(label, 0, 0);
    PatternCombo = new QComboBox(this);
    PatternCombo->setObjectName(QStringLiteral("PatternCombo"));
    PatternCombo->setEditable(true);
    // The history is ours to keep: Enter finds and never adds an item itself.
    PatternCombo->setInsertPolicy(QComboBox::NoInsert);
    PatternCombo->setMinimumWidth(200);
    label->setBuddy(PatternCombo);
    grid->addWidget(PatternCombo, 0, 1);

    auto *checks = new QVBoxLayout;
    const auto makeCheck = [&](const char *name, const char *caption) {
        auto *check = new QCheckBox(QString::fromUtf8(caption), this);
        check->setObjectName(QString::fromLatin1(name));
        checks->addWidget(check);
        return check;
    };
    MatchCaseCheck = makeCheck("MatchCaseCheck", "Match &case");
    ExactMatchCheck = makeCheck("ExactMatchCheck", "E&xact match");
    ClearSelectionCheck = makeCheck("ClearSelectionCheck", "Clear &selection before searching");
    MoveSelectionCheck = makeCheck("MoveSelectionCheck", "Move new selection to the &top");
    IncludeBasketCheck = makeCheck("IncludeBasketCheck", "Include &basket in search");
    grid->addLayout(checks, 1, 0, 1, 2);

    ResultLabel = new QLabel(this);
    ResultLabel->setObjectName(QStringLiteral("ResultLabel"));
    ResultLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    grid->addWidget(ResultLabel, 2, 0, 1, 2);

    auto *buttons = new QVBoxLayout;
    const auto makeButton = [&](const char *name, const char *caption) {
        auto *button = new QPushButton(QString::fromUtf8(caption), this);
        button->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(button);
        return button;
    };
    FindButton = makeButton("FindButton", "&Find");
    CloseButton = makeButton("CloseButton", "&Close");
    HelpButton = makeButton("HelpButton", "&Help");
    FindButton->setDefault(true);
    buttons->addStretch(1);
    grid->addLayout(buttons, 0, 2, 3, 1);

    connect(FindButton, &QPushButton::clicked, this, &TFinderForm1::FindButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &TFinderForm1::CloseButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFinderForm1::HelpButtonClick);
}

QCheckBox *TFinderForm1::optionCheck(int option) const
{
    QCheckBox *const checks[] = {MatchCaseCheck, ExactMatchCheck, ClearSelectionCheck, MoveSelectionCheck,
                                 IncludeBasketCheck};
    return checks[option - MatchCase];
}

void TFinderForm1::SetIncludeBasket(bool include)
{
    IncludeBasketCheck->setChecked(include);
}

void TFinderForm1::SetPattern(const QString &text)
{
    if (PatternCombo->currentText() == text)
        return;
    PatternCombo->setEditText(text);
    PatternCombo->lineEdit()->selectAll();
}

void TFinderForm1::addToHistory(const QString &text)
{
    // A held pattern is selected where it stands, so that "Selected" names
    // the pattern searched for.
    const int held = PatternCombo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (held < 0)
        PatternCombo->insertItem(0, text);
    PatternCombo->setCurrentIndex(std::max(held, 0));
}

void TFinderForm1::loadHistory()
{
    // The store may hold anything: no more patterns than the history keeps.
    const int count = std::clamp(SettingsStore->ReadInteger(FinderSection, CountValue, 0), 0, HistoryCapacity);
    for (int number = 1; number <= count; ++number)
        PatternCombo->addItem(SettingsStore->ReadString(FinderSection, PatternPrefix + QString::number(number), QString()));
    const int selected = SettingsStore->ReadInteger(FinderSection, SelectedValue, -1);
    PatternCombo->setCurrentIndex(selected >= 0 && selected < count ? selected : -1);
}

void TFinderForm1::saveHistory()
{
    const int count = std::min(PatternCombo->count(), HistoryCapacity);
    try {
        TSafeRegIniFile::Transaction transaction(*SettingsStore);
        TStringList names;
        SettingsStore->ReadSection(FinderSection, &names);
        for (int index = 0; index < names.Count(); ++index) {
            if (names[index].startsWith(PatternPrefix))
                SettingsStore->DeleteKey(FinderSection, names[index]);
        }
        SettingsStore->WriteInteger(FinderSection, CountValue, count);
        for (int index = 0; index < count; ++index)
            SettingsStore->WriteString(FinderSection, PatternPrefix + QString::number(index + 1),
                                       PatternCombo->itemText(index));
        SettingsStore->WriteInteger(FinderSection, SelectedValue, PatternCombo->currentIndex());
        transaction.Commit();
    } catch (const ERegistryException &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
    }
}

void TFinderForm1::FindButtonClick()
{
    CWaitCursor wait;
    const QString text = PatternCombo->currentText();
    addToHistory(text);
    saveHistory();
    CFinderContext criterion(CString(text), MatchCaseCheck->isChecked(), ExactMatchCheck->isChecked(),
                             ClearSelectionCheck->isChecked(), MoveSelectionCheck->isChecked());
    m_searching = true;
    int total = 0;
    for (ToolBrowser *browser : Shell().BrowseWindows())
        total += browser->ApplySearch(criterion);
    if (IncludeBasketCheck->isChecked()) {
        if (TToolForm *basket = Shell().ToolWindow(Tool::Basket))
            total += basket->ApplySearch(criterion);
    }
    m_searching = false;
    criterion.ShowMatchCount(ResultLabel, total);
    PatternCombo->setFocus();
}

void TFinderForm1::HelpButtonClick()
{
    OpenHelpFile();
}

void TFinderForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QPoint place(Options.GetInt(Left), Options.GetInt(Top));
    const bool offScreen = place.x() < 0 || place.y() < 0 || place.x() + width() > screen.width()
                           || place.y() + height() > screen.height();
    if (offScreen)
        place = QPoint((screen.width() - width()) / 2, (screen.height() - height()) / 2);
    move(place);
    for (int option = MatchCase; option <= IncludeBasket; ++option)
        optionCheck(option)->setChecked(Options.GetInt(option) != 0);
    PatternCombo->setFocus();
}

void TFinderForm1::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        Options.SetInt(Left, x());
        Options.SetInt(Top, y());
    }
    for (int option = MatchCase; option <= IncludeBasket; ++option)
        Options.SetInt(option, optionCheck(option)->isChecked() ? 1 : 0);
    Options.Save();
}

void TFinderForm1::keyPressEvent(QKeyEvent *event)
{
    const bool closes = (event->key() == Qt::Key_F && event->modifiers() == Qt::ControlModifier)
                        || (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier);
    if (closes) {
        CloseButtonClick();
        return;
    }
    // Find is the default button: Enter wherever the focus is, as in a dialog.
    const bool finds = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
                       && event->modifiers() == Qt::NoModifier && FindButton->isEnabled();
    if (finds) {
        FindButtonClick();
        return;
    }
    QWidget::keyPressEvent(event);
}
