// The windows in English and in Chinese, the language menu, and what a
// screen reader or UI automation finds in every window: each edit, combo,
// spin box and slider named on its own, each reachable with Tab.
#include <gtest/gtest.h>

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <cstdlib>

#include "GuiFixture.h"
#include "LoadOptionsDlg.h"
#include "MotorParamDlg.h"
#include "UiLanguage.h"

using namespace GuiActions;

namespace {

// What each language shows for the same things.
struct Texts {
    Language language;
    const char* caption;
    std::vector<const char*> tabs;
    const char* clearQuestion;  // the "清零" button's question
    const char* questionCaption;
    const char* portNotOpen;  // a result text from protocol/
    const char* fileMenu;
};

const Texts kChinese{Language::Chinese,
                     "ZORIC_Modbus示例程序",
                     {"电机控制", "电机参数", "系统参数", "通讯参数", "PID和FOC参数", "往复运动", "安全保护"},
                     "真的要清零吗?",
                     "询问",
                     "串口未打开",
                     "文件(&F)"};
const Texts kEnglish{Language::English,
                     "ZORIC Modbus Demo",
                     {"Motor Control", "Motor Parameters", "System", "Communication", "PID/FOC", "Reciprocating",
                      "Protection"},
                     "Really reset the position to zero?",
                     "Confirm",
                     "Serial port not open",
                     "&File"};

// A window test that builds the main window in the given language.
class LanguageFixture : public CGuiFixture {
protected:
    explicit LanguageFixture(Language language) : m_language(language) {}
    void SetUp() override
    {
        ASSERT_TRUE(UiLanguage::Apply(m_language));
        CGuiFixture::SetUp();
    }
    void TearDown() override
    {
        CGuiFixture::TearDown();
        UiLanguage::Apply(Language::Chinese);
    }
    QAction* TopMenu(int index) const { return Find<QMenuBar>(m_dlg.get(), "menuBar")->actions().value(index); }

    Language m_language;
};

class WindowLanguageTest : public LanguageFixture, public ::testing::WithParamInterface<const Texts*> {
protected:
    WindowLanguageTest() : LanguageFixture(GetParam()->language) {}
};

TEST_P(WindowLanguageTest, CaptionTabsMessagesAndResultsSpeakTheLanguage)
{
    const Texts& t = *GetParam();
    EXPECT_EQ(m_dlg->windowTitle(), QString::fromUtf8(t.caption));
    QStringList tabs, expected;
    for (int i = 0; i < m_dlg->Tabs()->count(); ++i) tabs << m_dlg->Tabs()->tabText(i);
    for (const char* tab : t.tabs) expected << QString::fromUtf8(tab);
    EXPECT_EQ(tabs, expected);
    EXPECT_EQ(TopMenu(0)->text(), QString::fromUtf8(t.fileMenu));

    // A question of the window's own: the position's "清零".
    m_boxes.Answer(CMessageBox::Answer::No);
    Click(Find<QPushButton>(m_dlg.get(), "clearPositionButton"));
    ASSERT_EQ(m_boxes.Requests().size(), 1u);
    EXPECT_EQ(m_boxes.Requests()[0].text, QString::fromUtf8(t.clearQuestion));
    EXPECT_EQ(m_boxes.Requests()[0].caption, QString::fromUtf8(t.questionCaption));

    // A result text of the link, from protocol/'s table: "读取信息" with the port closed.
    if (t.language == Language::English && std::string(Localized("串口未打开")) == "串口未打开")
        GTEST_SKIP() << "this build's protocol/ has no English table yet";
    m_boxes.Clear();
    m_dlg->m_master.ClosePort();
    Click(Find<QPushButton>(m_dlg.get(), "readInfoButton"));
    EXPECT_EQ(m_boxes.Texts(), QStringList{QString::fromUtf8(t.portNotOpen)});
    // The configuration menu says the same in the same words.
    m_boxes.Clear();
    TopMenu(0)->menu()->actions().value(1)->trigger();
    EXPECT_EQ(m_boxes.Texts(), QStringList{QString::fromUtf8(t.portNotOpen)});
}

// A bound field's tooltip: register, unit, decimals and the file's key (ASCII in both).
TEST_P(WindowLanguageTest, FieldTooltipsSpeakTheLanguage)
{
    const auto* edit = Find<QLineEdit>(m_dlg->MotorParamPage(), "maxFreqEdit");
    ASSERT_NE(edit, nullptr);
    const char* expected =
        GetParam()->language == Language::English
            ? "Register 102, unit Hz, decimals 1 (0 with the x10 speed range), configuration key motor.max_frequency"
            : "寄存器 102，单位 Hz，小数 1 位（速度量程×10 时 0 位），配置键 motor.max_frequency";
    EXPECT_EQ(edit->toolTip(), QString::fromUtf8(expected));
}

std::string TextsName(const ::testing::TestParamInfo<const Texts*>& param)
{
    return param.param->language == Language::Chinese ? "Chinese" : "English";
}
// The mnemonic of a menu text: the letter after a single '&'.
QChar Mnemonic(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) continue;
        if (text[i + 1] != QLatin1Char('&')) return text[i + 1].toUpper();
        ++i;
    }
    return {};
}

// Every entry of a menu (and of the menu bar) has a mnemonic of its own.
void ExpectMnemonics(const QList<QAction*>& actions, const QString& where)
{
    QHash<QChar, QString> seen;
    for (QAction* action : actions) {
        if (action->isSeparator()) continue;
        const QChar key = Mnemonic(action->text());
        EXPECT_FALSE(key.isNull()) << where.toStdString() << ": \"" << action->text().toStdString()
                                   << "\" has no mnemonic";
        if (!key.isNull()) {
            EXPECT_FALSE(seen.contains(key)) << where.toStdString() << ": \"" << action->text().toStdString()
                                             << "\" and \"" << seen.value(key).toStdString() << "\" share a mnemonic";
            seen.insert(key, action->text());
        }
        if (action->menu()) ExpectMnemonics(action->menu()->actions(), action->text());
    }
}

TEST_P(WindowLanguageTest, EveryMenuEntryHasItsOwnMnemonic)
{
    ExpectMnemonics(Find<QMenuBar>(m_dlg.get(), "menuBar")->actions(), QStringLiteral("menu bar"));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, WindowLanguageTest, ::testing::Values(&kChinese, &kEnglish), TextsName);

class LanguageMenuTest : public LanguageFixture {
protected:
    LanguageMenuTest() : LanguageFixture(Language::Chinese) {}
    void SetUp() override
    {
        QSettings().clear();
        LanguageFixture::SetUp();
    }
    void TearDown() override
    {
        LanguageFixture::TearDown();
        QSettings().clear();
    }
    QAction* Choice(const QString& name) const
    {
        auto* menu = m_dlg->findChild<QMenu*>(QStringLiteral("languageMenu"));
        if (!menu) return nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == name) return action;
        return nullptr;
    }
};

TEST_F(LanguageMenuTest, TheChoiceIsRememberedForTheNextStart)
{
    QAction* english = Choice(QStringLiteral("&English"));
    QAction* chinese = Choice(QStringLiteral("中文(&Z)"));
    ASSERT_TRUE(english && chinese);
    EXPECT_TRUE(chinese->isChecked());
    EXPECT_FALSE(UiLanguage::Saved().has_value());

    english->trigger();
    EXPECT_EQ(UiLanguage::Saved(), Language::English);
    EXPECT_EQ(UiLanguage::Chosen(), Language::English);
    EXPECT_TRUE(english->isChecked());
    EXPECT_EQ(m_boxes.Texts(), QStringList{QStringLiteral("界面语言将在下次启动程序时切换。")});
    // The running windows keep their language until then.
    EXPECT_EQ(CurrentLanguage(), Language::Chinese);
    EXPECT_EQ(m_dlg->Tabs()->tabText(0), QStringLiteral("电机控制"));

    // Back to the language in use: remembered, nothing to say.
    m_boxes.Clear();
    chinese->trigger();
    EXPECT_EQ(UiLanguage::Saved(), Language::Chinese);
    EXPECT_EQ(m_boxes.Count(), 0);

    // A value this version does not know is no choice: the locale decides.
    QSettings().setValue(QStringLiteral("ui/language"), QStringLiteral("fr"));
    EXPECT_FALSE(UiLanguage::Saved().has_value());
    EXPECT_EQ(UiLanguage::Chosen(), LanguageFromEnvironment());
}

// Every window the program has: the main window with its pages, every tool
// window of the menus and the configuration load's options.
std::vector<QWidget*> AllWindows(CDemoDlg& dlg, QWidget* extra)
{
    QMenu* tools = dlg.findChild<QMenuBar*>(QStringLiteral("menuBar"))->actions().value(1)->menu();
    for (QAction* action : tools->actions()) {
        if (!action->isSeparator() && !action->menu()) action->trigger();
    }
    std::vector<QWidget*> windows{&dlg, extra};
    for (QDialog* tool : dlg.findChildren<QDialog*>()) {
        if (tool->isWindow()) windows.push_back(tool);
    }
    return windows;
}

// The inputs a user types into or chooses from, without the parts of
// others (a spin box's edit, a table's scroll bars).
std::vector<QWidget*> Inputs(QWidget* window)
{
    std::vector<QWidget*> inputs;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QAbstractSpinBox*>(w) ||
                           (qobject_cast<QAbstractSlider*>(w) && !qobject_cast<QScrollBar*>(w));
        if (!input) continue;
        QWidget* parent = w->parentWidget();
        if (qobject_cast<QComboBox*>(parent) || qobject_cast<QAbstractSpinBox*>(parent)) continue;
        if (w->window() != window) continue;  // another window's, counted there
        inputs.push_back(w);
    }
    return inputs;
}

// The tab page an input is on, or its window.
const QWidget* Page(const QWidget* w)
{
    for (const QWidget* p = w; p != nullptr; p = p->parentWidget()) {
        if (p->parentWidget() && qobject_cast<QTabWidget*>(p->parentWidget()->parentWidget())) return p;
        if (p->isWindow()) return p;
    }
    return w;
}

// The group box a control is in, else its tab page or window.
const QWidget* Box(const QWidget* w)
{
    for (const QWidget* p = w->parentWidget(); p != nullptr; p = p->parentWidget()) {
        if (qobject_cast<const QGroupBox*>(p)) return p;
    }
    return Page(w);
}

QString Describe(const QWidget* w)
{
    return QStringLiteral("%1 (%2) in %3")
        .arg(w->objectName(), QLatin1String(w->metaObject()->className()), w->window()->objectName());
}

class AccessibilityTest : public LanguageFixture, public ::testing::WithParamInterface<Language> {
protected:
    AccessibilityTest() : LanguageFixture(GetParam()) {}
};

TEST_P(AccessibilityTest, EveryInputHasANameOfItsOwn)
{
    CLoadOptionsDlg options(m_dlg.get(), QStringLiteral("drive.json"));
    int checked = 0;
    for (QWidget* window : AllWindows(*m_dlg, &options)) {
        // Name -> the first input with it, per window or tab page.
        QHash<std::pair<const QWidget*, QString>, QString> names;
        for (QWidget* w : Inputs(window)) {
            // Its own name, not one a reader would make up from around it
            // (a combo box's Name on Linux is its current item).
            const QString name = w->accessibleName();
            ++checked;
            EXPECT_FALSE(name.trimmed().isEmpty()) << Describe(w).toStdString() << " has no name";
            if (auto* group = qobject_cast<QGroupBox*>(w->parentWidget())) {
                EXPECT_NE(name, group->title()) << Describe(w).toStdString() << " is named after its group";
            }
            if (qobject_cast<QLineEdit*>(w)) {
                QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
                ASSERT_NE(accessible, nullptr) << Describe(w).toStdString();
                EXPECT_EQ(accessible->text(QAccessible::Name), name) << Describe(w).toStdString();
            }
            // Two inputs of one window under one name cannot be told apart.
            const auto key = std::make_pair(Page(w), name);
            const auto first = names.constFind(key);
            EXPECT_TRUE(first == names.constEnd())
                << Describe(w).toStdString() << " and " << first.value().toStdString() << " are both \""
                << name.toStdString() << "\"";
            names.insert(key, w->objectName());
        }
    }
    EXPECT_GT(checked, 150);
}

std::string LanguageName(const ::testing::TestParamInfo<Language>& param)
{
    return param.param == Language::Chinese ? "Chinese" : "English";
}
// Tab goes through a window's controls as one reads them: in each group
// box (or page), row by row from the top, left to right in a row.
TEST_P(AccessibilityTest, TabVisitsEveryControlInReadingOrder)
{
    CLoadOptionsDlg options(m_dlg.get(), QStringLiteral("drive.json"));
    size_t compared = 0;
    for (QWidget* window : AllWindows(*m_dlg, &options)) {
        window->show();
        QApplication::processEvents();
        // The focus chain, as Tab follows it.
        std::vector<QWidget*> chain;
        QWidget* w = window;
        for (int guard = 0; guard < 2000; ++guard) {
            w = w->nextInFocusChain();
            if (w == window) break;
            if (w->window() == window && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window))
                chain.push_back(w);
        }
        for (QWidget* input : Inputs(window)) {
            if (input->isVisibleTo(window) && (input->focusPolicy() & Qt::TabFocus)) {
                EXPECT_NE(std::find(chain.begin(), chain.end(), input), chain.end())
                    << Describe(input).toStdString() << " is not reached with Tab";
            }
        }
        // Fields one after the other in the chain, in the same box: the
        // later one is below, or on the same row and to the right. (Buttons
        // may come after the fields they act on.)
        const std::vector<QWidget*> inputs = Inputs(window);
        std::vector<QWidget*> fields;
        for (QWidget* c : chain) {
            if (qobject_cast<QCheckBox*>(c) || std::find(inputs.begin(), inputs.end(), c) != inputs.end())
                fields.push_back(c);
        }
        for (size_t i = 1; i < fields.size(); ++i) {
            QWidget* a = fields[i - 1];
            QWidget* b = fields[i];
            if (Box(a) != Box(b)) continue;
            ++compared;
            const QRect ra(a->mapTo(window, QPoint(0, 0)), a->size());
            const QRect rb(b->mapTo(window, QPoint(0, 0)), b->size());
            const bool sameRow =
                std::abs(ra.center().y() - rb.center().y()) < std::max(ra.height(), rb.height()) / 2 + 2;
            const bool inOrder = sameRow ? rb.left() > ra.left() : rb.center().y() > ra.center().y();
            EXPECT_TRUE(inOrder) << Describe(a).toStdString() << " then " << Describe(b).toStdString();
        }
        window->hide();
    }
    EXPECT_GT(compared, 100u);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, AccessibilityTest, ::testing::Values(Language::Chinese, Language::English),
                         LanguageName);

}  // namespace
